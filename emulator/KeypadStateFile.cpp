#include "KeypadStateFile.h"

#include "emulator/HexDigits.h"
#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace emulator {
namespace {

template <size_t N> std::string Join(const std::array<uint8_t, N>& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        text += std::to_string(b) + ",";
    }
    return text;
}

template <size_t N> bool Split(const std::string& text, std::array<uint8_t, N>& bytes) {
    std::istringstream in(text);
    std::array<uint8_t, N> parsed{};
    std::string field;
    for (size_t i = 0; i < N; ++i) {
        if (!std::getline(in, field, ',')) {
            return false;
        }
        try {
            const int value = std::stoi(field);
            if (value < 0 || value > 255) {
                return false;
            }
            parsed[i] = static_cast<uint8_t>(value);
        } catch (...) {
            return false;
        }
    }
    bytes = parsed;
    return true;
}

void WriteSettings(std::ostream& out, const std::string& prefix, const KeypadSettings& s) {
    out << prefix << "ledBrightness=" << int(s.ledBrightness) << "\n"
        << prefix << "tableKind=" << int(s.tableKind) << "\n"
        << prefix << "customTable=" << Join(s.customTable) << "\n"
        << prefix << "multicodeTable=" << Join(s.multicodeTable) << "\n"
        << prefix << "multicodeExtra=" << Join(s.multicodeExtra) << "\n"
        << prefix << "bleName=" << s.ble.name << "\n"
        << prefix << "bleManufacturerData=" << s.ble.manufacturerData << "\n"
        << prefix << "blePowerLevel=" << s.ble.powerLevel << "\n"
        << prefix << "bleEnabled=" << int(s.ble.enabled) << "\n";
}

bool ReadSettings(const std::map<std::string, std::string>& values, const std::string& prefix,
                  KeypadSettings& s) {
    auto get = [&](const char* key) -> const std::string* {
        auto it = values.find(prefix + key);
        return it == values.end() ? nullptr : &it->second;
    };
    KeypadSettings parsed;
    try {
        const std::string* led = get("ledBrightness");
        const std::string* kind = get("tableKind");
        if (led == nullptr || kind == nullptr) {
            return false;
        }
        parsed.ledBrightness = static_cast<uint8_t>(std::stoi(*led) % kLedLevels);
        parsed.tableKind = static_cast<uint8_t>(std::stoi(*kind) % kTableKinds);
    } catch (...) {
        return false;
    }
    for (auto [key, table] : {std::pair{"customTable", &parsed.customTable},
                              std::pair{"multicodeTable", &parsed.multicodeTable}}) {
        const std::string* text = get(key);
        if (text == nullptr || !Split(*text, *table)) {
            return false;
        }
    }
    const std::string* extra = get("multicodeExtra");
    if (extra == nullptr || !Split(*extra, parsed.multicodeExtra)) {
        return false;
    }
    if (const auto* v = get("bleName")) {
        parsed.ble.name = *v;
    }
    if (const auto* v = get("bleManufacturerData")) {
        parsed.ble.manufacturerData = *v;
    }
    if (const auto* v = get("blePowerLevel")) {
        parsed.ble.powerLevel = *v;
    }
    if (const auto* v = get("bleEnabled")) {
        parsed.ble.enabled = *v == "1" ? 1 : 0;
    }
    s = parsed;
    return true;
}

using Values = std::map<std::string, std::string>;
using Mode = SimulatedBootLoader::Mode;

// The MCU's keys: "mcu." and a name; its memory as "mcu.memory.ADDRESS".
constexpr char kMcuPrefix[] = "mcu.";
constexpr char kMemoryKey[] = "memory.";
// Keypads after the first keep their keys under "keypad2.", "keypad3." and so on; the first
// keeps the unprefixed keys a one-keypad file has always had.
constexpr char kKeypadPrefix[] = "keypad";
constexpr std::pair<Mode, const char*> kModeNames[] = {{Mode::Application, "application"},
                                                       {Mode::FlashBsl, "flashBsl"},
                                                       {Mode::RamBsl, "ramBsl"},
                                                       {Mode::Crashed, "crashed"}};
constexpr std::pair<const char*, bool SimulatedBootLoader::SavedState::*> kMcuFlags[] = {
    {"locked", &SimulatedBootLoader::SavedState::locked},
    {"installed", &SimulatedBootLoader::SavedState::installed},
    {"applicationChanged", &SimulatedBootLoader::SavedState::applicationChanged},
    {"poweringUp", &SimulatedBootLoader::SavedState::poweringUp},
    {"infoALocked", &SimulatedBootLoader::SavedState::infoALocked}};

std::string HexBytes(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        text += UpperHex(b >> 4);
        text += UpperHex(b);
    }
    return text;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(const std::string& text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    bool ok = true;
    for (size_t i = 0; i < text.size() && ok; i += 2) {
        const auto high = HexValue(static_cast<uint8_t>(text[i]), &ok);
        const auto low = HexValue(static_cast<uint8_t>(text[i + 1]), &ok);
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    if (!ok) {
        return std::nullopt;
    }
    return bytes;
}

// An address as the file writes it: at least five upper-case hex digits ("08000", "24400").
std::string AddressText(uint32_t address) {
    char text[12];
    std::snprintf(text, sizeof text, "%05X", address);
    return text;
}

// One to six hex digits of either case.
std::optional<uint32_t> ParseAddress(const std::string& text) {
    constexpr size_t kMaxDigits = 6;
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    uint32_t address = 0;
    bool ok = true;
    for (char c : text) {
        address = address << 4 | HexValue(static_cast<uint8_t>(c), &ok);
    }
    if (!ok) {
        return std::nullopt;
    }
    return address;
}

// "08000-08800,0FF40-0FF50": start and end of each range.
std::string RangesText(const std::vector<SimulatedBootLoader::Range>& ranges) {
    std::string text;
    for (const auto& r : ranges) {
        text += (text.empty() ? "" : ",") + AddressText(r.start) + "-" + AddressText(r.end);
    }
    return text;
}

// Comma-separated fields of text; none for an empty text.
std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (start < text.size()) {
        const size_t comma = text.find(',', start);
        const size_t end = comma == std::string::npos ? text.size() : comma;
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

void WriteMcu(std::ostream& out, const std::string& prefix,
              const SimulatedBootLoader::SavedState& mcu) {
    const std::string mcuKey = prefix + kMcuPrefix;
    for (const auto& [mode, name] : kModeNames) {
        if (mode == mcu.mode) {
            out << mcuKey << "mode=" << name << "\n";
        }
    }
    for (const auto& [name, member] : kMcuFlags) {
        out << mcuKey << name << "=" << int(mcu.*member) << "\n";
    }
    out << mcuKey << "ramBslVersion=" << HexBytes({mcu.version.begin(), mcu.version.end()}) << "\n";
    out << mcuKey << "buffer=" << AddressText(mcu.bufferStart) << ":" << HexBytes(mcu.buffer)
        << "\n";
    out << mcuKey << "written=" << RangesText(mcu.written) << "\n"
        << mcuKey << "verified=" << RangesText(mcu.verified) << "\n"
        << mcuKey << "writeFailures=";
    for (size_t i = 0; i < mcu.writeFailures.size(); ++i) {
        out << (i == 0 ? "" : ",") << AddressText(mcu.writeFailures[i]);
    }
    out << "\n";
    for (const auto& run : mcu.memory.Changes()) {
        out << mcuKey << kMemoryKey << AddressText(run.address) << "=" << HexBytes(run.bytes)
            << "\n";
    }
}

// False when a kept MCU key cannot be read; missing keys keep their power-on values.
bool ReadMcu(const Values& values, const std::string& prefix,
             SimulatedBootLoader::SavedState& mcu) {
    const std::string mcuKey = prefix + kMcuPrefix;
    if (auto it = values.find(mcuKey + "mode"); it != values.end()) {
        bool known = false;
        for (const auto& [mode, name] : kModeNames) {
            if (it->second == name) {
                mcu.mode = mode;
                known = true;
            }
        }
        if (!known) {
            return false;
        }
    }
    for (const auto& [name, member] : kMcuFlags) {
        if (auto it = values.find(mcuKey + name); it != values.end()) {
            if (it->second != "0" && it->second != "1") {
                return false;
            }
            mcu.*member = it->second == "1";
        }
    }
    if (auto it = values.find(mcuKey + "ramBslVersion"); it != values.end()) {
        const auto bytes = ParseHexBytes(it->second);
        if (!bytes || bytes->size() != mcu.version.size()) {
            return false;
        }
        std::copy(bytes->begin(), bytes->end(), mcu.version.begin());
    }
    if (auto it = values.find(mcuKey + "buffer"); it != values.end()) {
        const auto colon = it->second.find(':');
        const auto start = ParseAddress(it->second.substr(0, colon));
        const auto bytes =
            colon == std::string::npos ? std::nullopt : ParseHexBytes(it->second.substr(colon + 1));
        if (!start || !bytes || bytes->size() > kWriteBufferSize) {
            return false;
        }
        mcu.bufferStart = *start;
        mcu.buffer = *bytes;
    }
    for (auto [key, ranges] :
         {std::pair{"written", &mcu.written}, std::pair{"verified", &mcu.verified}}) {
        auto it = values.find(mcuKey + key);
        if (it == values.end()) {
            continue;
        }
        for (const std::string& field : Fields(it->second)) {
            const size_t dash = field.find('-');
            const auto start = ParseAddress(field.substr(0, dash));
            const auto end =
                dash == std::string::npos ? std::nullopt : ParseAddress(field.substr(dash + 1));
            if (!start || !end || *start >= *end || *end > kMainFlashEnd) {
                return false;
            }
            ranges->push_back({*start, *end});
        }
    }
    if (auto it = values.find(mcuKey + "writeFailures"); it != values.end()) {
        for (const std::string& field : Fields(it->second)) {
            const auto address = ParseAddress(field);
            if (!address || *address >= kMainFlashEnd) {
                return false;
            }
            mcu.writeFailures.push_back(*address);
        }
    }
    const std::string memory = mcuKey + kMemoryKey;
    for (auto it = values.lower_bound(memory);
         it != values.end() && it->first.rfind(memory, 0) == 0; ++it) {
        const auto address = ParseAddress(it->first.substr(memory.size()));
        const auto bytes = ParseHexBytes(it->second);
        if (!address || !bytes || *address + bytes->size() > kMainFlashEnd) {
            return false;
        }
        mcu.memory.Restore({*address, *bytes});
    }
    return true;
}

bool HasKeys(const Values& values, const std::string& start) {
    auto it = values.lower_bound(start);
    return it != values.end() && it->first.rfind(start, 0) == 0;
}

std::string PrefixOf(size_t index) {
    return index == 0 ? std::string() : kKeypadPrefix + std::to_string(index + 1) + ".";
}

// The keypad a line of the file is about (0 for the first, whose keys have no prefix); nothing
// for a line of no keypad.
std::optional<size_t> KeptIndexOf(const std::string& line) {
    const std::string_view prefix = kKeypadPrefix;
    if (!line.starts_with(prefix)) {
        return line.find('=') == std::string::npos ? std::nullopt : std::optional<size_t>(0);
    }
    size_t number = 0;
    size_t at = prefix.size();
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9' && number < 1000; ++at) {
        number = number * 10 + static_cast<size_t>(line[at] - '0');
    }
    if (at == prefix.size() || at >= line.size() || line[at] != '.' || number < 2) {
        return std::nullopt;
    }
    return number - 1;
}

// One keypad's kept state, read whole before anything is applied.
struct KeptState {
    KeypadSettings current;
    KeypadSettings stored;
    std::optional<std::string> serialNumber;
    std::optional<std::string> firmwareVersion;
    std::optional<SimulatedBootLoader::SavedState> chip;
};

// Nothing in the file for this keypad: an empty optional inside an engaged one.
std::optional<std::optional<KeptState>> ReadKept(const Values& values, const std::string& prefix,
                                                 bool withMcu) {
    if (!prefix.empty() && !HasKeys(values, prefix)) {
        return std::optional<KeptState>{};
    }
    KeptState kept;
    if (!ReadSettings(values, prefix, kept.current) ||
        !ReadSettings(values, prefix + "stored.", kept.stored)) {
        return std::nullopt;
    }
    if (withMcu && HasKeys(values, prefix + kMcuPrefix)) {
        kept.chip.emplace();
        if (!ReadMcu(values, prefix, *kept.chip)) {
            return std::nullopt;
        }
    }
    if (auto it = values.find(prefix + "serialNumber"); it != values.end()) {
        kept.serialNumber = it->second;
    }
    if (auto it = values.find(prefix + "firmwareVersion"); it != values.end()) {
        kept.firmwareVersion = it->second;
    }
    return std::optional<KeptState>{std::move(kept)};
}

void Apply(const KeptState& kept, SimulatedKeypad& keypad, SimulatedBootLoader* mcu) {
    if (kept.chip && mcu != nullptr) {
        mcu->Restore(*kept.chip);
    }
    keypad.settings = kept.current;
    keypad.storedDefaults = kept.stored;
    if (kept.serialNumber) {
        keypad.model.serialNumber = *kept.serialNumber;
    }
    if (kept.firmwareVersion) {
        keypad.model.firmwareVersion = *kept.firmwareVersion;
    }
}

void WriteKept(std::ostream& out, const std::string& prefix, const SimulatedKeypad& keypad,
               const SimulatedBootLoader* mcu) {
    WriteSettings(out, prefix, keypad.settings);
    WriteSettings(out, prefix + "stored.", keypad.storedDefaults);
    out << prefix << "serialNumber=" << keypad.model.serialNumber << "\n"
        << prefix << "firmwareVersion=" << keypad.model.firmwareVersion << "\n";
    if (mcu != nullptr) {
        WriteMcu(out, prefix, mcu->Saved());
    }
}

// Written whole or not at all: a demo killed in the middle of a save leaves the state it
// saved before.
template <typename Write> bool SaveWhole(const std::string& path, Write write) {
    std::ostringstream out;
    write(out);
    return platform::ReplaceFileAtomically(path, out.str());
}

} // namespace

bool LoadKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path) {
    std::ifstream in(platform::PathFromUtf8(path));
    if (!in) {
        return false;
    }
    Values values;
    std::string line;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    std::vector<std::optional<KeptState>> kept;
    for (size_t i = 0; i < keypads.size(); ++i) {
        auto read = ReadKept(values, PrefixOf(i), keypads[i].mcu != nullptr);
        if (!read) {
            return false;
        }
        kept.push_back(std::move(*read));
    }
    for (size_t i = 0; i < keypads.size(); ++i) {
        if (kept[i]) {
            Apply(*kept[i], *keypads[i].keypad, keypads[i].mcu);
        }
    }
    return true;
}

bool SaveKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path) {
    // A run with fewer keypads keeps the lines of those it did not have.
    std::string others;
    if (std::ifstream in(platform::PathFromUtf8(path)); in) {
        std::string line;
        while (std::getline(in, line)) {
            if (KeptIndexOf(line).value_or(0) >= keypads.size()) {
                others += line + "\n";
            }
        }
    }
    return SaveWhole(path, [&keypads, &others](std::ostream& out) {
        for (size_t i = 0; i < keypads.size(); ++i) {
            WriteKept(out, PrefixOf(i), *keypads[i].keypad, keypads[i].mcu);
        }
        out << others;
    });
}

bool LoadKeypadState(SimulatedKeypad& keypad, const std::string& path, SimulatedBootLoader* mcu) {
    const KeptKeypad one{&keypad, mcu};
    return LoadKeypadStates({&one, 1}, path);
}

bool SaveKeypadState(SimulatedKeypad& keypad, const std::string& path, SimulatedBootLoader* mcu) {
    const KeptKeypad one{&keypad, mcu};
    return SaveKeypadStates({&one, 1}, path);
}

} // namespace emulator
