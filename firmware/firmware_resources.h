#pragma once

// The built-in Firmware resource set, read by key: "VID", "PID", "password.Text",
// "RAM_BSL.Text", "RAM_BSL_VERSION", "Forced_BOR.Text". Embedded by the build from
// resources/firmware/.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

inline constexpr char kResourceVid[] = "VID";
inline constexpr char kResourcePid[] = "PID";
inline constexpr char kResourcePassword[] = "password.Text";
inline constexpr char kResourceRamBsl[] = "RAM_BSL.Text";
inline constexpr char kResourceRamBslVersion[] = "RAM_BSL_VERSION";
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
