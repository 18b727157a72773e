#pragma once

// Which keypad a command talks to when several are plugged in. The windows keep to the first
// keypad found; the command line can name one by the serial number it reports or by the path of
// its vendor interface, and refuses to guess when several are connected and none is named.

#include "keypad/KeypadStatus.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace keypad {

// A keypad text (serial number, firmware version) without the blanks it is padded with.
std::string WithoutPadding(const std::string& text);
// A serial number that tells keypads apart: not blank and not the "00000000" written back when
// none was known.
bool IsOwnSerialNumber(const std::string& serialNumber);
// The two are the same serial number, blanks aside.
bool SameSerialNumber(const std::string& a, const std::string& b);
// Why serialNumber cannot be written to a keypad as it stands (CmdSetSerialNumber carries 11
// ASCII characters and a NUL, and would cut a longer one short), or nothing.
std::optional<std::string> SerialNumberProblem(const std::string& serialNumber);

// What is said of a keypad an upgrade left in its boot loader at path, and how to bring it back;
// bootLoaders are those on the bus, which an upgrade cannot tell apart.
std::string InBootLoaderText(const std::string& path, std::size_t bootLoaders = 1);

// One keypad's vendor interface and what the ordinary reads made of it.
struct KeypadListing {
    std::string path;
    bool openable = false;
    // Why it could not be opened (empty when it could).
    std::string whyNot;
    // Opened, but the status read failed: the keypad does not answer.
    bool answered = false;
    std::optional<KeypadStatus> status;
    std::optional<int> productType;

    // The serial number as the keypad reports it, blanks trimmed; empty when it did not answer.
    std::string SerialNumber() const;
    // "00012345 (path)"; "path (does not answer)" and the like when there is no number to give.
    std::string Describe() const;
};

// Opens every keypad in turn, reads its status block and (unless not wanted) its product type,
// and closes it again: hid_handle is null afterwards. One open and one or two exchanges a
// keypad.
std::vector<KeypadListing> DescribeKeypads(bool readProductType = true);

struct KeypadSelector {
    std::optional<std::string> serialNumber;
    std::optional<std::string> path;

    bool given() const { return serialNumber.has_value() || path.has_value(); }
};

struct KeypadChoice {
    enum class Outcome {
        // The keypad is open in hid_handle.
        Opened,
        // No keypad (or none that fits the selector), or it cannot be opened: message says why.
        NotFound,
        // Several keypads fit and none was named: message names them, the caller asks for a
        // selector.
        Ambiguous,
    };
    Outcome outcome = Outcome::NotFound;
    // With its closing line break; empty once opened.
    std::string message;
    // Of the keypad opened.
    std::string path;
    // The keypads that were looked at, when the choice needed their serial numbers.
    std::vector<KeypadListing> keypads;
};

// Without a selector: the one keypad there is, exactly as "Scan For Device" opens it;
// Ambiguous when there are several. With a path: that keypad. With a serial number: the one
// keypad that reports it (several with the same number are Ambiguous). Both given: the keypad
// at the path, which must report that serial number.
KeypadChoice OpenSelectedKeypad(const KeypadSelector& selector);

} // namespace keypad
