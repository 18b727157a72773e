#pragma once

// File names travel through the cores as UTF-8 text, as the windows and the command line hand
// them over. Windows' narrow file functions would read that text in the ANSI code page, so a
// folder such as "C:\Users\Zoë" could be neither opened nor made; these go through the wide
// functions there and are plain byte copies elsewhere.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

// std::fopen for a UTF-8 file name.
std::FILE* OpenFile(const std::string& path, const char* mode);

} // namespace platform
