#pragma once

// The built-in Firmware resource set, read by key: "VID", "PID", "Forced_BOR.Text". Embedded by
// the build from resources/firmware/. The RAM boot loader and the password are not among them:
// they come from the MCU vendor's files (firmware/boot_loader_files.h).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

inline constexpr char kResourceVid[] = "VID";
inline constexpr char kResourcePid[] = "PID";
inline constexpr char kResourceForcedBor[] = "Forced_BOR.Text";

struct FirmwareResourceEntry {
    std::string_view key;
    std::string_view text;
};

const std::vector<FirmwareResourceEntry>& FirmwareResourceTable();

// The text of key; nothing for a key the set does not hold.
std::optional<std::string_view> FirmwareResource(std::string_view key);
// The text, or empty for an unknown key.
std::string FirmwareText(std::string_view key);

} // namespace firmware
