#include "SimulatedRamBsl.h"

#include <sstream>
#include <string>

namespace emulator {
namespace {

// The two texts are our own and well formed: sections, hex bytes, "q".
std::vector<ImageSection> Sections(std::string_view text) {
    std::vector<ImageSection> sections;
    std::istringstream in{std::string(text)};
    std::string token;
    while (in >> token && token != "q" && token != "Q") {
        if (token[0] == '@') {
            sections.push_back(
                {static_cast<uint32_t>(std::stoul(token.substr(1), nullptr, 16)), {}});
        } else if (!sections.empty()) {
            sections.back().bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
        }
    }
    return sections;
}

} // namespace

const std::vector<ImageSection>& SimulatedRamBslSections() {
    static const std::vector<ImageSection> sections = Sections(SimulatedRamBslText());
    return sections;
}

const std::vector<uint8_t>& SimulatedPassword() {
    static const std::vector<uint8_t> password = [] {
        const auto sections = Sections(SimulatedPasswordText());
        return sections.empty() ? std::vector<uint8_t>{} : sections[0].bytes;
    }();
    return password;
}

} // namespace emulator
