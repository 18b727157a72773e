#pragma once

// Reads MSP430 TI-TXT images: "@ADDR" starts a section, data lines hold hex bytes, "q" ends the
// file. Tolerant of CR LF, trailing blanks, either case and odd sections; anything malformed is
// an error with its line number, never a read past a buffer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bsl430 {

// MSP430X addresses are 20 bits wide.
inline constexpr uint32_t kAddressSpaceEnd = 0x100000;
// Far above a full 1 MB image written out as text; a bigger file is not firmware.
inline constexpr std::size_t kMaxTiTxtFileBytes = 16u * 1024 * 1024;

// A file's text: all of it when it has at most limit bytes, else its first limit + 1 (enough to
// tell it is too big without reading it all). Nothing when it cannot be opened or read, and why.
std::optional<std::string> ReadFileText(const std::string& path, std::size_t limit,
                                        std::string& why);
// A TI-TXT file's text, or why not: as ReadFileText, and too big for an image is refused.
std::optional<std::string> ReadTiTxtFile(const std::string& path, std::string& why);

class TiTxtReader {
public:
    struct Segment {
        uint32_t address = 0;
        std::vector<uint8_t> bytes;
    };

    struct Block {
        uint32_t address = 0;
        std::span<const uint8_t> bytes;
    };

    enum class Status {
        Ok,
        CannotOpen,
        Malformed,
    };

    // Parses the whole text; on failure no segment is kept.
    Status Parse(std::string_view text);
    // Reads and parses a file.
    Status Load(const std::string& path);

    // Contiguous runs of bytes in file order; adjacent sections are joined.
    const std::vector<Segment>& segments() const { return segments_; }
    // Why the last Parse or Load failed, e.g. "line 12: \"0G\" is not a hex byte".
    const std::string& error() const { return error_; }

    // Block-wise reading from the start: the next run of at most maxBytes contiguous bytes
    // (at least one byte is always taken).
    bool MoreData() const;
    Block Next(std::size_t maxBytes);
    void Rewind();

private:
    Status Fail(std::size_t lineNumber, const std::string& why, std::size_t column = 0);

    std::vector<Segment> segments_;
    std::string error_;
    std::size_t segment_ = 0;
    std::size_t offset_ = 0;
};

} // namespace bsl430
