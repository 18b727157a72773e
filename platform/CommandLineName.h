#pragma once

// The name the command line is run by, for messages that tell the user what to type:
// "echovane-cli", or "echovane-cli-demo" in the demo, so that a hint copied from the demo runs
// the demo. Set once at start, before any message is made.

#include <string>
#include <string_view>

namespace platform {

const std::string& CommandLineName();
void SetCommandLineName(std::string_view name);

} // namespace platform
