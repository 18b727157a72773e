#include "firmware_resources.h"

namespace firmware {

std::optional<std::string_view> FirmwareResource(std::string_view key) {
    for (const auto& entry : FirmwareResourceTable()) {
        if (entry.key == key) {
            return entry.text;
        }
    }
    return std::nullopt;
}

std::string FirmwareText(std::string_view key) {
    const auto text = FirmwareResource(key);
    return text ? std::string(*text) : std::string();
}

} // namespace firmware
