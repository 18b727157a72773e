#include "config_replay.h"

#include "config/config_file.h"
#include "device/commands.h"
#include "device/frame.h"
#include "device/link_lock.h"
#include "keypad/Exchange.h"
#include "keypad/KeypadCommands.h"
#include "keypad/ReplyText.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace config {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr char kTableSeparator = ',';
constexpr int kByteMax = 255;

std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// Why a plan could not be made: the message of the value that does not parse, and why.
struct PlanResult {
    std::optional<ReplayPlan> plan;
    const char* invalidText = nullptr;
    std::string reason;
};

std::string NoKey(const SettingsRead& settings, const std::string& key) {
    return "there is no " + key + " key in [" + kSettingsSection + "]" +
           settings.BlankedKeyNote(key);
}

PlanResult MakePlan(const SettingsRead& settings) {
    PlanResult result;
    const auto refuse = [&](const char* text, std::string reason) {
        result.invalidText = text;
        result.reason = std::move(reason);
        return result;
    };
    const std::optional<int> layout =
        ParseSetting(settings.Value(kKeypadLayoutKey), keypad::kTableKindCount - 1);
    if (!layout) {
        return refuse(kInvalidKeypadLayoutText,
                      SettingProblem(settings, kKeypadLayoutKey, keypad::kTableKindCount - 1));
    }
    ReplayPlan plan;
    plan.layout = static_cast<uint8_t>(*layout);
    if (*layout == keypad::CustomiseTable || *layout == keypad::CustomiseMulticodeTable) {
        auto table = ParseTable(settings.Value(kCodeTableValuesKey), keypad::kKeyCodeBlockSize);
        if (!table) {
            return refuse(kInvalidCodeTableText,
                          TableProblem(settings, kCodeTableValuesKey, keypad::kKeyCodeBlockSize));
        }
        plan.codeTable = std::move(*table);
    }
    if (*layout == keypad::CustomiseMulticodeTable) {
        auto table =
            ParseTable(settings.Value(kMultipleCodeTableValuesKey), keypad::kExtraCodeBlockSize);
        if (!table) {
            return refuse(
                kInvalidMultipleCodeTableText,
                TableProblem(settings, kMultipleCodeTableValuesKey, keypad::kExtraCodeBlockSize));
        }
        plan.multipleCodeTable = std::move(*table);
    }
    const std::optional<int> brightness =
        ParseSetting(settings.Value(kLedBrightnessKey), keypad::kLedBrightnessLevels - 1);
    if (!brightness) {
        return refuse(kInvalidLedBrightnessText, SettingProblem(settings, kLedBrightnessKey,
                                                                keypad::kLedBrightnessLevels - 1));
    }
    plan.ledBrightness = static_cast<uint8_t>(*brightness);
    result.plan = std::move(plan);
    return result;
}

bool Sent(uint8_t command, std::span<const uint8_t> data) {
    return keypad::Send(command, data) == kExchangeOk;
}

} // namespace

std::string QuotedValue(std::string_view value) {
    constexpr size_t kLongestQuoted = 40;
    if (value.size() <= kLongestQuoted) {
        return "\"" + keypad::PrintableUserText(value) + "\"";
    }
    // Cut where a character starts, not inside one.
    size_t cut = kLongestQuoted;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0u) == 0x80u) {
        --cut;
    }
    return "\"" + keypad::PrintableUserText(value.substr(0, cut)) + "...\"";
}

std::optional<int> ParseSetting(std::string_view text, int max) {
    text = TrimBlanks(text);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<uint8_t>> ParseTable(std::string_view text, int count) {
    std::vector<uint8_t> bytes;
    while (static_cast<int>(bytes.size()) < count) {
        const size_t comma = text.find(kTableSeparator);
        const std::optional<int> value = ParseSetting(text.substr(0, comma), kByteMax);
        if (!value) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>(*value));
        if (comma == std::string_view::npos) {
            text = {};
        } else {
            text.remove_prefix(comma + 1);
        }
    }
    return bytes;
}

std::string SettingProblem(const SettingsRead& settings, const std::string& key, int max) {
    const std::string text = settings.Value(key);
    if (ParseSetting(text, max)) {
        return {};
    }
    if (!settings.Has(key)) {
        return NoKey(settings, key);
    }
    const std::string range = "a number from 0 to " + std::to_string(max);
    if (TrimBlanks(text).empty()) {
        return key + " is empty, not " + range;
    }
    return key + " is " + QuotedValue(text) + ", not " + range;
}

std::string TableProblem(const SettingsRead& settings, const std::string& key, int count) {
    if (!settings.Has(key)) {
        return NoKey(settings, key);
    }
    const std::string whole = settings.Value(key);
    std::string_view text = whole;
    for (int field = 1; field <= count; ++field) {
        const size_t comma = text.find(kTableSeparator);
        const std::string_view number = text.substr(0, comma);
        const bool last = comma == std::string_view::npos;
        if (!ParseSetting(number, kByteMax)) {
            if (last && TrimBlanks(number).empty()) {
                return key + " has " + std::to_string(field - 1) + " numbers, not " +
                       std::to_string(count);
            }
            return key + " field " + std::to_string(field) + " is " + QuotedValue(number) +
                   ", not a number from 0 to " + std::to_string(kByteMax);
        }
        if (last && field < count) {
            return key + " has " + std::to_string(field) + " numbers, not " + std::to_string(count);
        }
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    return {};
}

std::string ReplayRead::MessageWithReason() const {
    if (message == nullptr) {
        return {};
    }
    return reason.empty() ? std::string(message) : std::string(message) + "\n" + reason + ".";
}

ReplayRead ReadReplayPlan(const std::string& path) {
    ReplayRead read;
    const SettingsRead settings = ReadSettings(path);
    // A file that is there but cannot be read would pass for one without saved settings, and
    // nothing would be said; no file at all holds none.
    std::error_code absent;
    if (settings.state != SettingsRead::State::Read &&
        (settings.state != SettingsRead::State::Unreadable ||
         (!path.empty() && std::filesystem::exists(platform::PathFromUtf8(path), absent)))) {
        read.message = ReadFailureText(settings.state);
        if (!settings.reason.empty()) {
            read.reason = path + " " + settings.reason;
        }
        return read;
    }
    read.serialNumber = settings.Value(kSerialNumberKey);
    if (settings.Value(kFirstUpKey) != kFirstUpDone) {
        return read;
    }
    PlanResult planned = MakePlan(settings);
    if (!planned.plan) {
        read.message = planned.invalidText;
        read.reason = std::move(planned.reason);
        return read;
    }
    read.plan = std::move(planned.plan);
    return read;
}

std::vector<std::string> ReplayDifferences(const ReplayPlan& plan,
                                           const keypad::KeypadStatus& status,
                                           const std::optional<keypad::ExtraCodeBlock>& extra) {
    std::vector<std::string> differences;
    const auto differs = [&differences](const char* key, int held, int saved) {
        if (held != saved) {
            differences.push_back(std::string(key) + " is " + std::to_string(held) + ", not " +
                                  std::to_string(saved));
        }
    };
    differs(kKeypadLayoutKey, status.tableKind, plan.layout);
    differs(kLedBrightnessKey, status.ledBrightness, plan.ledBrightness);
    if (!plan.codeTable.empty() &&
        !std::equal(plan.codeTable.begin(), plan.codeTable.end(), status.keyCodeBlock.begin(),
                    status.keyCodeBlock.end())) {
        differences.push_back(std::string(kCodeTableValuesKey) + " differ");
    }
    if (!plan.multipleCodeTable.empty() &&
        (!extra || !std::equal(plan.multipleCodeTable.begin(), plan.multipleCodeTable.end(),
                               extra->begin(), extra->end()))) {
        differences.push_back(std::string(kMultipleCodeTableValuesKey) + " differ");
    }
    return differences;
}

Outcome ResetFromConfigurationFile() {
    const ReplayRead read = ReadReplayPlan(FileName);
    if (read.message) {
        return Fails(read.MessageWithReason());
    }
    if (!read.plan) {
        return {};
    }
    return SendReplayPlan(*read.plan);
}

Outcome SendReplayPlan(const ReplayPlan& plan) {
    // No other exchange (the self test's worker) may slip in between the steps.
    device::LinkLock lock = device::LockLink();
    if (!Sent(CmdSetKeypadType, {&plan.layout, 1})) {
        Outcome outcome = Fails(keypad::kSetKeypadTypeFailedText);
        outcome.restoreLayoutSelector = true;
        return outcome;
    }
    if (!plan.codeTable.empty() && !Sent(CmdWriteCodeTable, plan.codeTable)) {
        return Fails(keypad::kLoadTableFailedText);
    }
    if (!plan.multipleCodeTable.empty() && !Sent(CmdWriteMulticodeTable, plan.multipleCodeTable)) {
        return Fails(keypad::kLoadMultiCodeTableFailedText);
    }
    if (!Sent(CmdSetLedBrightness, {&plan.ledBrightness, 1})) {
        return Fails(keypad::kWriteBackLedBrightnessFailedText);
    }
    Outcome outcome;
    outcome.refreshStatus = true;
    return outcome;
}

} // namespace config
