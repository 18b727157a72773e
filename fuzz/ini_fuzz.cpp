// Any configuration file text: Parse and Load read it into records or throw std::out_of_range
// for a header without ']'; what they read is written back and reads the same again.

#include "config/CIniFile.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchFile(const char* name) {
    return "/tmp/echovane-fuzz-" + std::to_string(getpid()) + "-" + name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<CIniFile::Record> parsed;
    bool threw = false;
    try {
        parsed = CIniFile::Parse(text);
    } catch (const std::out_of_range&) {
        threw = true;
    }

    static const std::string path = ScratchFile("input.ini");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    std::vector<CIniFile::Record> loaded;
    // UTF-16 and text with NUL bytes are not loaded at all.
    if (!CIniFile::IsNarrowText(text)) {
        if (CIniFile::Load(path, loaded)) {
            __builtin_trap();
        }
        return 0;
    }
    try {
        if (!CIniFile::Load(path, loaded)) {
            __builtin_trap();
        }
        if (threw || loaded != parsed) {
            __builtin_trap();
        }
    } catch (const std::out_of_range&) {
        if (!threw) {
            __builtin_trap();
        }
        return 0;
    }

    // A saved file reads back as the records it was written from.
    static const std::string copy = ScratchFile("copy.ini");
    if (!CIniFile::Save(copy, loaded)) {
        __builtin_trap();
    }
    std::vector<CIniFile::Record> again;
    if (!CIniFile::Load(copy, again) || again != loaded) {
        __builtin_trap();
    }
    return 0;
}
