#pragma once

// Browse's look at a firmware file: the product marker (the line after the first line holding
// "@7000") picks the warning the user must confirm before the upgrade is allowed.

#include <istream>
#include <optional>
#include <string>

namespace firmware {

inline constexpr char kUpgradeCaption[] = "Firmware Upgrade";
inline constexpr char kProductMarker[] = "@7000";
inline constexpr char kGeneralWarningText[] =
    "Warning!, please make sure you have correct hardware connected. do you want to continue?";

struct ProductCheck {
    // False when the text could not be read: no warning, the Upgrade button stays as it is.
    bool readable = false;
    // The product named by the marker, 0..11.
    std::optional<int> productIndex;
    // The question to ask (caption kUpgradeCaption, Yes/No, question icon); Yes enables Upgrade.
    std::string warning;
};

// "Warning!, you are upgrading with product file " + name + ", please make sure ...".
std::string ProductWarning(int productIndex);

ProductCheck CheckProductMarker(std::istream& text);

} // namespace firmware
