#include "product_marker.h"

#include "firmware/upgrade_state.h"

namespace firmware {
namespace {

constexpr std::size_t kMarkerLineLength = 2;

// A marker that names no product, or that the file cuts off.
std::string UnknownMarkerWarning(std::string line) {
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            c = '?';
        }
    }
    return "Warning!, the product marker \"" + line +
           "\" of this file names no known product, please make sure you have correct hardware "
           "connected. do you want to continue?";
}

constexpr char kMissingMarkerWarning[] =
    "Warning!, the product marker of this file is missing after @7000, please make sure you "
    "have correct hardware connected. do you want to continue?";

bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) {
        return false;
    }
    // Lines end in LF or CR LF.
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

} // namespace

std::string ProductWarning(int productIndex) {
    return std::string("Warning!, you are upgrading with product file ") +
           productArray[static_cast<std::size_t>(productIndex)] +
           ", please make sure you have correct hardware connected. do you want to continue?";
}

ProductCheck CheckProductMarker(std::istream& text) {
    ProductCheck check;
    std::string line;
    while (ReadLine(text, line)) {
        if (line.find(kProductMarker) == std::string::npos) {
            continue;
        }
        if (!ReadLine(text, line)) {
            if (text.bad()) {
                return check;
            }
            check.readable = true;
            check.warning = kMissingMarkerWarning;
            return check;
        }
        check.readable = true;
        if (line.size() != kMarkerLineLength) {
            check.warning = kGeneralWarningText;
            return check;
        }
        const bool digits = line[0] >= '0' && line[0] <= '9' && line[1] >= '0' && line[1] <= '9';
        const int index = digits ? (line[0] - '0') * 10 + (line[1] - '0') : -1;
        if (index < 0 || index >= kProductCount) {
            check.warning = UnknownMarkerWarning(line);
            return check;
        }
        check.productIndex = index;
        check.warning = ProductWarning(index);
        return check;
    }
    if (text.bad()) {
        return check;
    }
    check.readable = true;
    check.warning = kGeneralWarningText;
    return check;
}

} // namespace firmware
