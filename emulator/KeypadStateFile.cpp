#include "KeypadStateFile.h"

#include "emulator/SimulatedKeypad.h"

#include <cstdio>
#include <fstream>
#include <map>
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

} // namespace

bool LoadKeypadState(SimulatedKeypad& keypad, const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return false;
    }
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    KeypadSettings current;
    KeypadSettings stored;
    if (!ReadSettings(values, "", current) || !ReadSettings(values, "stored.", stored)) {
        return false;
    }
    keypad.settings = current;
    keypad.storedDefaults = stored;
    if (auto it = values.find("serialNumber"); it != values.end()) {
        keypad.model.serialNumber = it->second;
    }
    if (auto it = values.find("firmwareVersion"); it != values.end()) {
        keypad.model.firmwareVersion = it->second;
    }
    return true;
}

bool SaveKeypadState(const SimulatedKeypad& keypad, const std::string& path) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) {
            return false;
        }
        WriteSettings(out, "", keypad.settings);
        WriteSettings(out, "stored.", keypad.storedDefaults);
        out << "serialNumber=" << keypad.model.serialNumber << "\n"
            << "firmwareVersion=" << keypad.model.firmwareVersion << "\n";
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace emulator
