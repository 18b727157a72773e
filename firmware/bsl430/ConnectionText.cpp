#include "ConnectionText.h"

#include <cctype>

namespace bsl430 {
namespace {

constexpr int kMaxDeviceIndex = 127;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Upper(std::string_view text) {
    std::string out;
    for (char c : text) {
        out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return out;
}

std::optional<uint32_t> ParseNumber(std::string_view text, int base, uint32_t max) {
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
            digit = std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
        if (value > max) {
            return std::nullopt;
        }
    }
    return value;
}

} // namespace

std::optional<ConnectionText> ConnectionText::Parse(std::string_view text, std::string* error) {
    auto fail = [error](const std::string& why) -> std::optional<ConnectionText> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    ConnectionText result;
    bool haveVid = false;
    bool havePid = false;
    bool haveIndex = false;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            return fail("\"" + std::string(item) + "\" is not KEY=value");
        }
        const std::string key = Upper(Trim(item.substr(0, equals)));
        const std::string_view value = Trim(item.substr(equals + 1));
        bool* seen = nullptr;
        std::optional<uint32_t> number;
        if (key == "VID" || key == "PID") {
            seen = key == "VID" ? &haveVid : &havePid;
            number = ParseNumber(value, 16, 0xFFFF);
        } else if (key == "DEVICEINDEX") {
            seen = &haveIndex;
            number = ParseNumber(value, 10, kMaxDeviceIndex);
        } else {
            return fail("unknown key \"" + key + "\"");
        }
        if (*seen) {
            return fail(key + " is given twice");
        }
        if (!number) {
            return fail(key + " has no valid value: \"" + std::string(value) + "\"");
        }
        *seen = true;
        if (key == "VID") {
            result.vid = static_cast<uint16_t>(*number);
        } else if (key == "PID") {
            result.pid = static_cast<uint16_t>(*number);
        } else {
            result.deviceIndex = static_cast<int>(*number);
        }
    }
    if (!haveVid || !havePid) {
        return fail("VID and PID are required");
    }
    return result;
}

} // namespace bsl430
