// Any text handed in as a firmware image: the TI-TXT reader parses it or names the line at
// fault, block-wise reading walks exactly the bytes it kept, and the image checks accept only
// what lies where it must, giving a reason for everything else.

#include "firmware/bsl430/TiTxtReader.h"
#include "firmware/image_check.h"
#include "firmware/mcu_memory_map.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    bsl430::TiTxtReader reader;
    const auto status = reader.Parse(text);
    if (status != bsl430::TiTxtReader::Status::Ok) {
        if (!reader.segments().empty() || reader.error().empty()) {
            __builtin_trap();
        }
        return 0;
    }
    size_t kept = 0;
    for (const auto& segment : reader.segments()) {
        if (segment.address + segment.bytes.size() > bsl430::kAddressSpaceEnd) {
            __builtin_trap();
        }
        kept += segment.bytes.size();
    }
    const size_t blockSize = size > 0 ? 1 + data[0] % 64 : 1;
    size_t walked = 0;
    while (reader.MoreData()) {
        const auto block = reader.Next(blockSize);
        if (block.bytes.empty() || block.bytes.size() > blockSize) {
            __builtin_trap();
        }
        walked += block.bytes.size();
        volatile uint8_t sink = block.bytes.back();
        (void)sink;
    }
    if (walked != kept) {
        __builtin_trap();
    }

    const firmware::ImageCheck image = firmware::CheckFirmwareImage(reader);
    if (image.ok != image.reason.empty()) {
        __builtin_trap();
    }
    for (const auto& segment : reader.segments()) {
        for (size_t i = 0; image.ok && i < segment.bytes.size(); ++i) {
            if (!firmware::InFlash(segment.address + static_cast<uint32_t>(i))) {
                __builtin_trap();
            }
        }
    }
    const firmware::RamBslCheck ramBsl = firmware::CheckRamBslText(text);
    constexpr size_t kVersionLength = sizeof "00.06.05.34" - 1;
    if (ramBsl.ok ? !ramBsl.reason.empty() || ramBsl.version.size() != kVersionLength
                  : ramBsl.reason.empty()) {
        __builtin_trap();
    }
    const firmware::ImageCheck password = firmware::CheckPasswordText(text);
    if (password.ok != password.reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
