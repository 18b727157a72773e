#pragma once

// The checks an image passes before anything is sent to the keypad: a firmware file must be
// readable TI-TXT that writes only the MCU's flash, each byte once (flash takes a byte only
// once between erases, so a second write fails the verify after the erase), with a reset
// vector into its own code; a RAM boot loader must start at 0x2500 and fit the RAM; a password
// is the 32 vector bytes at 0xFFE0.

#include "firmware/bsl430/TiTxtReader.h"

#include <string>
#include <string_view>

namespace firmware {

inline constexpr char kFirmwareFileRefusedText[] = "Unable to use the firmware file..";
// The boot loader takes the RAM loader in a 20000-byte buffer and the password in a 200-byte
// one, each with its NUL.
inline constexpr std::size_t kRamBslTextLimit = 20000;
inline constexpr std::size_t kPasswordTextLimit = 200;

struct ImageCheck {
    bool ok = false;
    // Why not, e.g. "line 3: \"0G\" is not a hex byte".
    std::string reason;
    // A firmware file's text as it was read and checked (CheckFirmwareFile only): what the
    // download sends, so a file changed after the check cannot reach the keypad.
    std::string text;
};

ImageCheck CheckFirmwareImage(const bsl430::TiTxtReader& image);
ImageCheck CheckFirmwareText(std::string_view text);
ImageCheck CheckFirmwareFile(const std::string& path);
// The file read and checked again: refused when it no longer holds checked.text (it may have
// been rebuilt, or replaced by another product's image, since the user confirmed it).
ImageCheck RecheckFirmwareFile(const std::string& path, const ImageCheck& checked);

// kFirmwareFileRefusedText, a line break, then the file and the reason, with a closing line break.
std::string FirmwareFileRefusal(const std::string& path, const ImageCheck& check);

struct RamBslCheck {
    bool ok = false;
    // Its first four bytes as "00.06.05.34", upper-case hex.
    std::string version;
    std::string reason;
};

// configuredVersion, when not empty, must be what the first four bytes give (in either case).
RamBslCheck CheckRamBslText(std::string_view text, std::string_view configuredVersion = {});
ImageCheck CheckPasswordText(std::string_view text);

} // namespace firmware
