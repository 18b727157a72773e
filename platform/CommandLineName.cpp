#include "CommandLineName.h"

namespace platform {
namespace {
std::string name = "echovane-cli";
} // namespace

const std::string& CommandLineName() {
    return name;
}

void SetCommandLineName(std::string_view newName) {
    name = newName;
}

} // namespace platform
