#pragma once

// Every test process keeps the user's files out of reach: the application-data folder points
// at a scratch folder that is removed when the process ends.

namespace testsupport {

void UseScratchDataFolder();

} // namespace testsupport
