#include "KeypadStateFile.h"

#include "emulator/HexDigits.h"
#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedKeypad.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

namespace emulator {
namespace {

template <size_t N> std::string Join(const std::array<uint8_t, N>& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        text += std::to_string(b) + ",";
    }
    return text;
}

// A value as the file keeps it, with the line it stands on for messages.
struct Entry {
    std::string value;
    size_t line = 0;
};
using Values = std::map<std::string, Entry>;

// "line 7: ledBrightness is not a number from 0 to 9"
std::string Problem(const std::string& key, const Entry& entry, const std::string& what) {
    return "line " + std::to_string(entry.line) + ": " + key + " " + what;
}

// One to three decimal digits, no sign, at most max.
std::optional<int> ParseNumber(const std::string& text, int max) {
    constexpr size_t kMaxDigits = 3;
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > max) {
        return std::nullopt;
    }
    return value;
}

// Comma-separated fields of text; none for an empty text. A comma at the end ends the last.
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

template <size_t N> bool Split(const std::string& text, std::array<uint8_t, N>& bytes) {
    const std::vector<std::string> fields = Fields(text);
    if (fields.size() != N) {
        return false;
    }
    std::array<uint8_t, N> parsed{};
    for (size_t i = 0; i < N; ++i) {
        const auto value = ParseNumber(fields[i], 255);
        if (!value) {
            return false;
        }
        parsed[i] = static_cast<uint8_t>(*value);
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

// The first problem of the settings under prefix, or "" when s holds them.
std::string ReadSettings(const Values& values, const std::string& prefix, KeypadSettings& s) {
    KeypadSettings parsed;
    for (auto [key, target, levels] :
         {std::tuple{"ledBrightness", &parsed.ledBrightness, kLedLevels},
          std::tuple{"tableKind", &parsed.tableKind, kTableKinds},
          std::tuple{"bleEnabled", &parsed.ble.enabled, 2}}) {
        const std::string name = prefix + key;
        auto it = values.find(name);
        if (it == values.end()) {
            if (target == &parsed.ble.enabled) {
                continue;
            }
            return name + " is missing";
        }
        const auto value = ParseNumber(it->second.value, levels - 1);
        if (!value) {
            return Problem(name, it->second,
                           "is not a number from 0 to " + std::to_string(levels - 1));
        }
        *target = static_cast<uint8_t>(*value);
    }
    auto table = [&](const char* key, auto& bytes) -> std::string {
        const std::string name = prefix + key;
        auto it = values.find(name);
        if (it == values.end()) {
            return name + " is missing";
        }
        if (!Split(it->second.value, bytes)) {
            return Problem(name, it->second,
                           "is not " + std::to_string(bytes.size()) + " numbers from 0 to 255");
        }
        return {};
    };
    for (const std::string& problem :
         {table("customTable", parsed.customTable), table("multicodeTable", parsed.multicodeTable),
          table("multicodeExtra", parsed.multicodeExtra)}) {
        if (!problem.empty()) {
            return problem;
        }
    }
    for (auto [key, text] : {std::pair{"bleName", &parsed.ble.name},
                             std::pair{"bleManufacturerData", &parsed.ble.manufacturerData},
                             std::pair{"blePowerLevel", &parsed.ble.powerLevel}}) {
        if (auto it = values.find(prefix + key); it != values.end()) {
            *text = it->second.value;
        }
    }
    s = parsed;
    return {};
}

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

// The first MCU key under prefix that cannot be read, or ""; missing keys keep their power-on
// values.
std::string ReadMcu(const Values& values, const std::string& prefix,
                    SimulatedBootLoader::SavedState& mcu) {
    const std::string mcuKey = prefix + kMcuPrefix;
    if (auto it = values.find(mcuKey + "mode"); it != values.end()) {
        bool known = false;
        std::string names;
        for (const auto& [mode, name] : kModeNames) {
            if (it->second.value == name) {
                mcu.mode = mode;
                known = true;
            }
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
        if (!known) {
            return Problem(it->first, it->second, "is none of " + names);
        }
    }
    for (const auto& [name, member] : kMcuFlags) {
        if (auto it = values.find(mcuKey + name); it != values.end()) {
            if (it->second.value != "0" && it->second.value != "1") {
                return Problem(it->first, it->second, "is neither 0 nor 1");
            }
            mcu.*member = it->second.value == "1";
        }
    }
    if (auto it = values.find(mcuKey + "ramBslVersion"); it != values.end()) {
        const auto bytes = ParseHexBytes(it->second.value);
        if (!bytes || bytes->size() != mcu.version.size()) {
            return Problem(it->first, it->second, "is not four bytes in hex");
        }
        std::copy(bytes->begin(), bytes->end(), mcu.version.begin());
    }
    if (auto it = values.find(mcuKey + "buffer"); it != values.end()) {
        const std::string& text = it->second.value;
        const auto colon = text.find(':');
        const auto start = ParseAddress(text.substr(0, colon));
        const auto bytes =
            colon == std::string::npos ? std::nullopt : ParseHexBytes(text.substr(colon + 1));
        if (!start || !bytes || bytes->size() > kWriteBufferSize) {
            return Problem(it->first, it->second,
                           "is not ADDRESS:BYTES of at most " + std::to_string(kWriteBufferSize) +
                               " bytes in hex");
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
        for (const std::string& field : Fields(it->second.value)) {
            const size_t dash = field.find('-');
            const auto start = ParseAddress(field.substr(0, dash));
            const auto end =
                dash == std::string::npos ? std::nullopt : ParseAddress(field.substr(dash + 1));
            if (!start || !end || *start >= *end || *end > kMainFlashEnd) {
                return Problem(it->first, it->second, "is not START-END ranges within the memory");
            }
            ranges->push_back({*start, *end});
        }
    }
    if (auto it = values.find(mcuKey + "writeFailures"); it != values.end()) {
        for (const std::string& field : Fields(it->second.value)) {
            const auto address = ParseAddress(field);
            if (!address || *address >= kMainFlashEnd) {
                return Problem(it->first, it->second, "is not addresses within the memory");
            }
            mcu.writeFailures.push_back(*address);
        }
    }
    const std::string memory = mcuKey + kMemoryKey;
    for (auto it = values.lower_bound(memory);
         it != values.end() && it->first.rfind(memory, 0) == 0; ++it) {
        const auto address = ParseAddress(it->first.substr(memory.size()));
        const auto bytes = ParseHexBytes(it->second.value);
        if (!address || !bytes || *address + bytes->size() > kMainFlashEnd) {
            return Problem(it->first, it->second, "is not pairs of hex digits within the memory");
        }
        mcu.memory.Restore({*address, *bytes});
    }
    return {};
}

bool HasKeys(const Values& values, const std::string& start) {
    auto it = values.lower_bound(start);
    return it != values.end() && it->first.rfind(start, 0) == 0;
}

std::string PrefixOf(size_t index) {
    return index == 0 ? std::string() : kKeypadPrefix + std::to_string(index + 1) + ".";
}

// The keypad a key of the file is about (0 for the first, whose keys have no prefix); nothing
// for a key of no keypad.
std::optional<size_t> KeptIndexOfKey(std::string_view key) {
    const std::string_view prefix = kKeypadPrefix;
    if (!key.starts_with(prefix)) {
        return 0;
    }
    size_t number = 0;
    size_t at = prefix.size();
    for (; at < key.size() && key[at] >= '0' && key[at] <= '9' && number < 1000; ++at) {
        number = number * 10 + static_cast<size_t>(key[at] - '0');
    }
    if (at == prefix.size() || at >= key.size() || key[at] != '.' || number < 2) {
        return std::nullopt;
    }
    return number - 1;
}

// The same for a line of the file; nothing for a line that holds no key=value.
std::optional<size_t> KeptIndexOf(std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeptIndexOfKey(line.substr(0, equals));
}

// The lines of text without their line ends (LF, CR LF or CR alone, as an editor may leave
// them), and without the byte order mark an editor may put first.
std::vector<std::string_view> Lines(std::string_view text) {
    constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kUtf8ByteOrderMark)) {
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return lines;
}

// One keypad's kept state, read whole before anything is applied.
struct KeptState {
    KeypadSettings current;
    KeypadSettings stored;
    std::optional<std::string> serialNumber;
    std::optional<std::string> firmwareVersion;
    std::optional<SimulatedBootLoader::SavedState> chip;
};

// One keypad as the file keeps it: nothing and no problem when the file does not mention it.
struct KeptRead {
    std::optional<KeptState> kept;
    std::string problem;
};

KeptRead ReadKept(const Values& values, const std::string& prefix, bool mentioned, bool withMcu) {
    if (!mentioned) {
        return {};
    }
    KeptState kept;
    if (std::string problem = ReadSettings(values, prefix, kept.current); !problem.empty()) {
        return {std::nullopt, std::move(problem)};
    }
    if (std::string problem = ReadSettings(values, prefix + "stored.", kept.stored);
        !problem.empty()) {
        return {std::nullopt, std::move(problem)};
    }
    if (withMcu && HasKeys(values, prefix + kMcuPrefix)) {
        kept.chip.emplace();
        if (std::string problem = ReadMcu(values, prefix, *kept.chip); !problem.empty()) {
            return {std::nullopt, std::move(problem)};
        }
    }
    if (auto it = values.find(prefix + "serialNumber"); it != values.end()) {
        kept.serialNumber = it->second.value;
    }
    if (auto it = values.find(prefix + "firmwareVersion"); it != values.end()) {
        kept.firmwareVersion = it->second.value;
    }
    return {std::move(kept), {}};
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
template <typename Write>
bool SaveWhole(const std::string& path, Write write, std::string* problem) {
    std::ostringstream out;
    write(out);
    if (platform::ReplaceFileAtomically(path, out.str())) {
        return true;
    }
    if (problem != nullptr) {
        const std::string why = platform::LastFileFailure();
        *problem = "cannot be written" + (why.empty() ? std::string() : " (" + why + ")");
    }
    return false;
}

// What a state file holds, or why it cannot be read: only a regular file is read, and no more
// than kMaxStateFileBytes of it, so a pipe or a device never holds the demo up.
struct StateFileText {
    bool missing = false;
    std::optional<std::string> text;
    std::string problem;
    static StateFileText Missing() { return {true, std::nullopt, {}}; }
    static StateFileText Refused(std::string why) { return {false, std::nullopt, std::move(why)}; }
};

// A pipe or a device named as the state file must neither hang the demo nor fill its memory:
// only a regular file is read, and only so far.
StateFileText ReadStateFileBounded(const std::string& path) {
    // A link to a file not made yet is missing too: the first save makes its target.
    std::error_code error;
    if (std::filesystem::status(platform::PathFromUtf8(path), error).type() ==
        std::filesystem::file_type::not_found) {
        return StateFileText::Missing();
    }
    platform::FileRead read = platform::ReadRegularFile(path, kMaxStateFileBytes);
    if (read.ok) {
        return {false, std::move(read.bytes), {}};
    }
    if (read.larger) {
        return StateFileText::Refused("larger than " + std::to_string(kMaxStateFileBytes >> 20) +
                                      " MiB");
    }
    if (const std::string kind = platform::NonFileKind(path); !kind.empty()) {
        return StateFileText::Refused("not a file but " + kind);
    }
    return StateFileText::Refused("cannot be read (" + read.reason + ")");
}

} // namespace

StateFileLoad LoadKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path) {
    using Outcome = StateFileLoad::Outcome;
    StateFileText file = ReadStateFileBounded(path);
    if (file.missing) {
        return {};
    }
    if (!file.text) {
        return {Outcome::Unusable, file.problem, {}, {}};
    }
    Values values;
    std::vector<bool> mentioned(keypads.size(), false);
    std::string strayLine;
    size_t number = 0;
    for (std::string_view line : Lines(*file.text)) {
        ++number;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (!line.empty() && strayLine.empty()) {
                strayLine = "line " + std::to_string(number) + ": no key=value";
            }
            continue;
        }
        const std::string key(line.substr(0, equals));
        values[key] = {std::string(line.substr(equals + 1)), number};
        if (const auto index = KeptIndexOfKey(key); index && *index < keypads.size()) {
            mentioned[*index] = true;
        }
    }
    StateFileLoad load{Outcome::Read, {}, {}, {}};
    auto tell = [&load](const std::string& problem) {
        load.outcome = Outcome::Damaged;
        load.problem += (load.problem.empty() ? "" : "; ") + problem;
    };
    for (size_t i = 0; i < keypads.size(); ++i) {
        const KeptRead read =
            ReadKept(values, PrefixOf(i), mentioned[i], keypads[i].mcu != nullptr);
        if (!read.problem.empty()) {
            tell(read.problem);
            load.damaged.push_back(i);
        } else if (read.kept) {
            Apply(*read.kept, *keypads[i].keypad, keypads[i].mcu);
        }
    }
    if (!strayLine.empty()) {
        tell(strayLine);
    }
    if (load.outcome == Outcome::Damaged) {
        load.text = std::move(*file.text);
    }
    return load;
}

bool SaveKeypadStates(std::span<const KeptKeypad> keypads, const std::string& path,
                      std::string* problem) {
    // A run with fewer keypads keeps the lines of those it did not have.
    const StateFileText file = ReadStateFileBounded(path);
    if (!file.missing && !file.text) {
        if (problem != nullptr) {
            *problem = file.problem;
        }
        return false;
    }
    const std::string old = file.text.value_or("");
    std::string others;
    for (std::string_view line : Lines(old)) {
        if (KeptIndexOf(line).value_or(0) >= keypads.size()) {
            others += std::string(line) + "\n";
        }
    }
    return SaveWhole(
        path,
        [&keypads, &others](std::ostream& out) {
            for (size_t i = 0; i < keypads.size(); ++i) {
                WriteKept(out, PrefixOf(i), *keypads[i].keypad, keypads[i].mcu);
            }
            out << others;
        },
        problem);
}

bool LoadKeypadState(SimulatedKeypad& keypad, const std::string& path, SimulatedBootLoader* mcu) {
    const KeptKeypad one{&keypad, mcu};
    return LoadKeypadStates({&one, 1}, path).outcome == StateFileLoad::Outcome::Read;
}

bool SaveKeypadState(SimulatedKeypad& keypad, const std::string& path, SimulatedBootLoader* mcu) {
    const KeptKeypad one{&keypad, mcu};
    return SaveKeypadStates({&one, 1}, path);
}

} // namespace emulator
