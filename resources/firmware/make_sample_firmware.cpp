// Writes the sample keypad firmware images for the demo and the tests:
//   Echovane_1.0.901_product.txt  with the product marker "@7000" / "01"
//   Echovane_1.0.900.txt          without it
// Both are images of our own making in TI-TXT: filler "code" from 0x8000, the version text the
// simulated application reads at 0xFF40, and the interrupt vectors ending in the password of
// password.Text (so the built-in password opens a keypad that runs one of them).
//
// usage: make_sample_firmware <password.Text> <output folder>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kCodeStart = 0x8000;
constexpr uint32_t kCodeLength = 0x5000;
// A table at an odd address with an odd length, as linkers produce them.
constexpr uint32_t kTableStart = 0xD001;
constexpr uint32_t kTableLength = 37;
constexpr uint32_t kVersionAddress = 0xFF40;
constexpr uint32_t kVersionLength = 16;
constexpr uint32_t kVectorStart = 0xFF80;
constexpr uint32_t kPasswordStart = 0xFFE0;
constexpr uint32_t kPasswordLength = 32;
constexpr uint32_t kMarkerAddress = 0x7000;

std::vector<uint8_t> ReadPassword(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string token;
    std::vector<uint8_t> bytes;
    while (in >> token) {
        if (token[0] == '@') {
            continue;
        }
        if (token == "q" || token == "Q") {
            break;
        }
        bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return bytes;
}

std::string Section(uint32_t address, const std::vector<uint8_t>& data) {
    std::ostringstream out;
    char line[8];
    std::snprintf(line, sizeof line, "@%04X", address);
    out << line << "\r\n";
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(line, sizeof line, "%02X ", data[i]);
        out << line;
        if (i % 16 == 15 || i + 1 == data.size()) {
            out << "\r\n";
        }
    }
    return out.str();
}

std::string Image(const std::string& version, const std::vector<uint8_t>& password,
                  const char* productMarker) {
    std::string text;
    if (productMarker != nullptr) {
        // The marker line carries no trailing blank: the utility reads it as two characters.
        char marker[16];
        std::snprintf(marker, sizeof marker, "@%04X\r\n%s\r\n", kMarkerAddress, productMarker);
        text += marker;
    }
    std::vector<uint8_t> code(kCodeLength);
    uint32_t x = 0x2047;
    for (auto& byte : code) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(x >> 16);
    }
    text += Section(kCodeStart, code);
    std::vector<uint8_t> table(kTableLength);
    for (uint32_t i = 0; i < kTableLength; ++i) {
        table[i] = static_cast<uint8_t>(0xC0 + i);
    }
    text += Section(kTableStart, table);
    std::vector<uint8_t> versionBytes(kVersionLength, 0);
    for (size_t i = 0; i < version.size() && i + 1 < kVersionLength; ++i) {
        versionBytes[i] = static_cast<uint8_t>(version[i]);
    }
    text += Section(kVersionAddress, versionBytes);
    std::vector<uint8_t> vectors;
    for (uint32_t address = kVectorStart; address < kPasswordStart; address += 2) {
        vectors.push_back(0x00);
        vectors.push_back(0x8B);
    }
    vectors.insert(vectors.end(), password.begin(), password.end());
    text += Section(kVectorStart, vectors);
    return text + "q\r\n";
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_sample_firmware <password.Text> <output folder>\n";
        return 2;
    }
    const std::vector<uint8_t> password = ReadPassword(argv[1]);
    if (password.size() != kPasswordLength) {
        std::cerr << argv[1] << ": expected 32 password bytes, found " << password.size() << "\n";
        return 1;
    }
    const std::string folder = argv[2];
    if (!Write(folder + "/Echovane_1.0.901_product.txt", Image("1.0.901", password, "01")) ||
        !Write(folder + "/Echovane_1.0.900.txt", Image("1.0.900", password, nullptr))) {
        std::cerr << "cannot write the samples into " << folder << "\n";
        return 1;
    }
    return 0;
}
