#pragma once

// Every test process keeps the user's files out of reach: the application-data folder points
// at a scratch folder that is removed when the process ends.

#include <optional>
#include <string>

namespace testsupport {

void UseScratchDataFolder();

// Sets the environment variable name to value, or removes it when value is null.
void SetEnvironment(const char* name, const char* value);

// Sets (or, with nothing, removes) an environment variable for a scope, then puts it back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> previous_;
};

} // namespace testsupport
