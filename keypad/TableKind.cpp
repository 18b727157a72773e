#include "TableKind.h"

namespace keypad {

std::string TableKindName(int tableKind) {
    if (tableKind >= 0 && tableKind < kTableKindCount) {
        return std::string(kTableKindNames[static_cast<size_t>(tableKind)]);
    }
    return "Unknown Table (" + std::to_string(tableKind) + ")";
}

} // namespace keypad
