// Browse's product check on any text a firmware file could hold: a warning or none, never a
// crash or an index outside the product list.

#include "firmware/product_marker.h"

#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    const firmware::ProductCheck check = firmware::CheckProductMarker(text);
    if (check.productIndex && (*check.productIndex < 0 || *check.productIndex > 11)) {
        __builtin_trap();
    }
    return 0;
}
