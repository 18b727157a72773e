#include "KeypadSelection.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusRead.h"
#include "platform/CommandLineName.h"

#include <algorithm>

namespace keypad {

std::string InBootLoaderText(const std::string& path, std::size_t bootLoaders) {
    const std::string then =
        bootLoaders > 1 ? "; " + std::to_string(bootLoaders) +
                              " boot loaders are on the bus, which an upgrade cannot tell apart: "
                              "unplug all but this one, then '"
                        : ": '";
    return "A keypad sits in its boot loader at " + path + " (an upgrade cut short)" + then +
           platform::CommandLineName() + " --device " + path +
           " upgrade FILE --yes' brings it back, and --config SAVED.ini (a configuration "
           "saved from it) its settings.";
}

namespace {

// The serial number the open keypad reports; nothing when it does not answer.
std::optional<std::string> OpenKeypadSerialNumber() {
    const std::optional<KeypadStatus> status = ReadDecodedStatus();
    if (!status) {
        return std::nullopt;
    }
    return WithoutPadding(status->serialNumber);
}

// The keypads, then those an upgrade left in their boot loader: a keypad looked for may be one.
std::string Listed(const std::vector<KeypadListing>& keypads,
                   const std::vector<std::string>& bootLoaders) {
    std::string text;
    for (const KeypadListing& keypad : keypads) {
        text += "  " + keypad.Describe() + "\n";
    }
    for (const std::string& path : bootLoaders) {
        text += "  " + path + " (a keypad in its boot loader)\n";
    }
    return text;
}

// "3 keypads are connected:", or "2 keypads and 1 boot loader are connected:"; with its line
// break.
std::string ConnectedHeading(std::size_t keypads, std::size_t bootLoaders) {
    std::string heading = std::to_string(keypads) + (keypads == 1 ? " keypad" : " keypads");
    if (bootLoaders > 0) {
        heading += " and " + std::to_string(bootLoaders) +
                   (bootLoaders == 1 ? " boot loader" : " boot loaders");
    }
    return heading + (keypads + bootLoaders == 1 ? " is" : " are") + " connected:\n";
}

// A keypad looked for and not found may be one an upgrade left in its boot loader.
std::string BootLoaderHints(const std::vector<std::string>& bootLoaders) {
    std::string text;
    for (const std::string& path : bootLoaders) {
        text += InBootLoaderText(path, bootLoaders.size()) + "\n";
    }
    return text;
}

KeypadChoice NotFound(std::string message, std::vector<KeypadListing> keypads = {}) {
    CloseOpenKeypad();
    return {KeypadChoice::Outcome::NotFound, std::move(message), {}, std::move(keypads)};
}

// Opens the keypad at path and, when a serial number is wanted, makes sure it is that keypad.
KeypadChoice OpenAt(const std::string& path, const std::optional<std::string>& serialNumber,
                    std::vector<KeypadListing> keypads = {}) {
    const device::RescanResult scan = device::RescanForKeypadAt(path);
    if (!scan.found) {
        const std::string hint = device::OpenFailureHint(scan.scan);
        if (scan.refused || !hint.empty()) {
            return NotFound(device::NotConnectedMessage(scan), std::move(keypads));
        }
        // The keypad's other interface, listed beside the one the utility talks to.
        if (const std::optional<int> other = scan.scan.otherInterface) {
            return NotFound(path + " is interface " + std::to_string(*other) +
                                " of a keypad, which is reached through its protocol "
                                "interface: give the path 'devices' marks (protocol).\n",
                            std::move(keypads));
        }
        // A keypad an upgrade left in its boot loader answers nothing but an upgrade.
        const std::vector<std::string> loaders = device::BootLoaderPaths();
        if (std::find(loaders.begin(), loaders.end(), path) != loaders.end()) {
            return NotFound(InBootLoaderText(path, loaders.size()) + "\n", std::move(keypads));
        }
        return NotFound("No keypad is connected at " + path + ".\n" + BootLoaderHints(loaders),
                        std::move(keypads));
    }
    if (serialNumber) {
        const std::optional<std::string> reported = OpenKeypadSerialNumber();
        if (!reported) {
            return NotFound("The keypad at " + path + " does not answer.\n", std::move(keypads));
        }
        if (*reported != WithoutPadding(*serialNumber)) {
            const std::string has = reported->empty()
                                        ? std::string("no serial number")
                                        : "the serial number " + PrintableReplyText(*reported);
            return NotFound("The keypad at " + path + " reports " + has + ", not " +
                                WithoutPadding(*serialNumber) + ".\n",
                            std::move(keypads));
        }
    }
    return {KeypadChoice::Outcome::Opened, {}, path, std::move(keypads)};
}

} // namespace

std::string WithoutPadding(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsOwnSerialNumber(const std::string& serialNumber) {
    const std::string trimmed = WithoutPadding(serialNumber);
    return !trimmed.empty() && trimmed != kNullSerialNumber;
}

bool SameSerialNumber(const std::string& a, const std::string& b) {
    return WithoutPadding(a) == WithoutPadding(b);
}

std::optional<std::string> SerialNumberProblem(const std::string& serialNumber) {
    constexpr std::size_t kLongest = kSerialNumberPayloadSize - 1;
    constexpr char kFirstPrintable = 0x20;
    constexpr char kLastPrintable = 0x7E;
    if (std::ranges::any_of(serialNumber,
                            [](char c) { return c < kFirstPrintable || c > kLastPrintable; })) {
        return "it holds characters other than ASCII letters, digits and signs";
    }
    if (serialNumber.size() > kLongest) {
        return "it has " + std::to_string(serialNumber.size()) + " characters, a keypad holds " +
               std::to_string(kLongest) + " at most";
    }
    return std::nullopt;
}

std::string KeypadListing::SerialNumber() const {
    return status ? WithoutPadding(status->serialNumber) : std::string();
}

std::string KeypadListing::Describe() const {
    if (!openable) {
        return path + " (cannot be opened: " + whyNot + ")";
    }
    if (!answered) {
        return path + " (does not answer)";
    }
    const std::string serial = SerialNumber();
    return (serial.empty() ? std::string("no serial number") : PrintableReplyText(serial)) + " (" +
           path + ")";
}

std::vector<KeypadListing> DescribeKeypads(bool readProductType) {
    std::vector<KeypadListing> keypads;
    for (const std::string& path : device::KeypadPaths()) {
        KeypadListing keypad;
        keypad.path = path;
        const device::RescanResult scan = device::RescanForKeypadAt(path);
        if (!scan.found) {
            keypad.whyNot = scan.refused ? std::string(device::kRescanRefusedText)
                                         : device::OpenFailureHint(scan.scan);
            if (keypad.whyNot.empty()) {
                keypad.whyNot = "it left the bus";
            }
            keypads.push_back(std::move(keypad));
            continue;
        }
        keypad.openable = true;
        keypad.status = ReadDecodedStatus();
        keypad.answered = keypad.status.has_value();
        if (keypad.answered && readProductType) {
            keypad.productType = ReadProductType();
        }
        keypads.push_back(std::move(keypad));
    }
    CloseOpenKeypad();
    return keypads;
}

KeypadChoice OpenSelectedKeypad(const KeypadSelector& selector) {
    if (!selector.given()) {
        if (const std::vector<std::string> paths = device::KeypadPaths(); paths.size() <= 1) {
            // One keypad or none: exactly what "Scan For Device" does, with its messages.
            const device::RescanResult scan = device::RescanForKeypad();
            if (!scan.found) {
                return NotFound(device::NotConnectedMessage(scan));
            }
            return {KeypadChoice::Outcome::Opened, {}, paths.empty() ? "" : paths.front(), {}};
        }
        std::vector<KeypadListing> keypads = DescribeKeypads();
        const std::vector<std::string> loaders = device::BootLoaderPaths();
        const std::string text =
            ConnectedHeading(keypads.size(), loaders.size()) + Listed(keypads, loaders);
        return {KeypadChoice::Outcome::Ambiguous, text, {}, std::move(keypads)};
    }
    if (selector.path) {
        return OpenAt(*selector.path, selector.serialNumber);
    }

    const std::string wanted = WithoutPadding(*selector.serialNumber);
    std::vector<KeypadListing> keypads = DescribeKeypads();
    std::vector<const KeypadListing*> matches;
    for (const KeypadListing& keypad : keypads) {
        if (keypad.answered && keypad.SerialNumber() == wanted) {
            matches.push_back(&keypad);
        }
    }
    if (matches.empty()) {
        std::string text = "No connected keypad reports the serial number " + wanted + ".\n";
        const std::vector<std::string> loaders = device::BootLoaderPaths();
        if (!keypads.empty() || !loaders.empty()) {
            text += "Connected:\n" + Listed(keypads, loaders) + BootLoaderHints(loaders);
        }
        return NotFound(text, std::move(keypads));
    }
    if (matches.size() > 1) {
        std::string text =
            std::to_string(matches.size()) + " keypads report the serial number " + wanted + ":\n";
        for (const KeypadListing* keypad : matches) {
            text += "  " + keypad->Describe() + "\n";
        }
        return {KeypadChoice::Outcome::Ambiguous, text, {}, std::move(keypads)};
    }
    const std::string path = matches.front()->path;
    return OpenAt(path, wanted, std::move(keypads));
}

} // namespace keypad
