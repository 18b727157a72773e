// The TI-TXT reader against srecord's srec_cat as the oracle, its tolerance, its refusal of
// malformed text, and its block-wise reading.

#include "BootLoaderFixture.h"

#include "firmware/bsl430/TiTxtReader.h"
#include "firmware/bsl430/bsl430.h"
#include "platform/Utf8Path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

using bsl430::TiTxtReader;
using Memory = std::map<uint32_t, uint8_t>;
using Status = TiTxtReader::Status;

Memory Flatten(const std::vector<TiTxtReader::Segment>& segments) {
    Memory memory;
    for (const auto& segment : segments) {
        for (size_t i = 0; i < segment.bytes.size(); ++i) {
            memory[segment.address + static_cast<uint32_t>(i)] = segment.bytes[i];
        }
    }
    return memory;
}

std::string Shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

// srec_cat's reading of a TI-TXT file, taken from its Motorola S-record output.
[[maybe_unused]] Memory SrecCatReads(const std::string& path) {
    std::istringstream records(
        Shell(std::string(SREC_CAT) + " '" + path + "' -ti-txt -o - -motorola"));
    Memory memory;
    std::string line;
    while (std::getline(records, line)) {
        if (line.size() < 4 || line[0] != 'S' || line[1] < '1' || line[1] > '3') {
            continue;
        }
        const int addressBytes = line[1] - '0' + 1;
        auto byteAt = [&line](size_t index) {
            return static_cast<uint8_t>(std::stoul(line.substr(2 + 2 * index, 2), nullptr, 16));
        };
        const int count = byteAt(0);
        uint32_t address = 0;
        for (int i = 0; i < addressBytes; ++i) {
            address = address << 8 | byteAt(1 + i);
        }
        for (int i = 0; i < count - addressBytes - 1; ++i) {
            memory[address + i] = byteAt(1 + addressBytes + i);
        }
    }
    return memory;
}

// Non-overlapping sections at odd and even places, some touching, in the 20-bit space.
std::vector<testsupport::Section> RandomImage(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<testsupport::Section> sections;
    uint32_t address = 0x1800 + random() % 64;
    const int count = 1 + static_cast<int>(random() % 8);
    for (int s = 0; s < count; ++s) {
        testsupport::Section section{address, {}};
        const uint32_t length = 1 + random() % 700;
        for (uint32_t i = 0; i < length; ++i) {
            section.bytes.push_back(static_cast<uint8_t>(random()));
        }
        address += length + (random() % 3 == 0 ? 0 : 1 + random() % 0x3000);
        sections.push_back(std::move(section));
    }
    if (seed % 2 == 0) {
        // Up against the top of the address space.
        sections.push_back({0xFFFFD, {0xA1, 0xB2, 0xC3}});
    }
    return sections;
}

Memory Truth(const std::vector<testsupport::Section>& sections) {
    Memory memory;
    for (const auto& section : sections) {
        for (size_t i = 0; i < section.bytes.size(); ++i) {
            memory[section.address + static_cast<uint32_t>(i)] = section.bytes[i];
        }
    }
    return memory;
}

class TiTxt : public testsupport::BootLoaderTest {};

TEST_F(TiTxt, ReadsWhatSrecCatWrites) {
#ifdef _WIN32
    GTEST_SKIP() << "srec_cat is a program of the build host, not of Windows";
#endif
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const auto sections = RandomImage(seed);
        std::string command = std::string(SREC_CAT);
        int index = 0;
        for (const auto& section : sections) {
            const std::string bin =
                WriteFile("part" + std::to_string(index++) + ".bin",
                          std::string(section.bytes.begin(), section.bytes.end()));
            command += " '" + bin + "' -binary -offset " + std::to_string(section.address);
        }
        const std::string out = (scratch / "srec.txt").string();
        Shell(command + " -o '" + out + "' -ti-txt");
        TiTxtReader reader;
        ASSERT_EQ(reader.Load(out), Status::Ok) << reader.error();
        EXPECT_EQ(Flatten(reader.segments()), Truth(sections)) << "seed " << seed;
    }
}

struct Variant {
    const char* name;
    std::string (*write)(const std::vector<testsupport::Section>&);
};

void PrintTo(const Variant& v, std::ostream* os) {
    *os << v.name;
}

std::string Hex(uint8_t b, bool lower) {
    char text[4];
    std::snprintf(text, sizeof text, lower ? "%02x" : "%02X", b);
    return text;
}

std::string Write(const std::vector<testsupport::Section>& sections, const std::string& eol,
                  const std::string& trailer, bool lower, size_t perLine, const std::string& end) {
    std::string text;
    for (const auto& section : sections) {
        char address[16];
        std::snprintf(address, sizeof address, lower ? "@%x" : "@%X", section.address);
        text += address + eol;
        for (size_t i = 0; i < section.bytes.size(); ++i) {
            text += Hex(section.bytes[i], lower);
            text +=
                (i % perLine == perLine - 1 || i + 1 == section.bytes.size()) ? trailer + eol : " ";
        }
    }
    return text + end + eol;
}

class TiTxtVariants : public TiTxt, public ::testing::WithParamInterface<Variant> {};

TEST_P(TiTxtVariants, ReadsTheSameBytesAsSrecCat) {
    const auto sections = RandomImage(42);
    const std::string path = WriteFile("variant.txt", GetParam().write(sections));
    const Memory truth = Truth(sections);
#ifndef _WIN32
    // srec_cat is a program of the build host: under Windows the reader is held to the truth.
    ASSERT_EQ(SrecCatReads(path), truth) << "the variant is not plain TI-TXT for srec_cat";
#endif
    TiTxtReader reader;
    ASSERT_EQ(reader.Load(path), Status::Ok) << reader.error();
    EXPECT_EQ(Flatten(reader.segments()), truth);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TiTxtVariants,
    ::testing::Values(
        Variant{"CrLfTrailingSpace",
                [](const auto& s) { return Write(s, "\r\n", " ", false, 16, "q"); }},
        Variant{"LfNoTrailer", [](const auto& s) { return Write(s, "\n", "", false, 16, "q"); }},
        Variant{"LowerCase", [](const auto& s) { return Write(s, "\r\n", "", true, 16, "q"); }},
        Variant{"UpperQ", [](const auto& s) { return Write(s, "\n", " ", false, 16, "Q"); }},
        Variant{"OddLineLengths", [](const auto& s) { return Write(s, "\n", "", false, 7, "q"); }},
        Variant{"TrailingTabs",
                [](const auto& s) { return Write(s, "\r\n", "\t ", false, 32, "q"); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct Malformed {
    const char* name;
    std::string text;
};

void PrintTo(const Malformed& m, std::ostream* os) {
    *os << m.name;
}

class TiTxtMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(TiTxtMalformed, IsAnErrorWithNoBytesKept) {
    TiTxtReader reader;
    EXPECT_EQ(reader.Parse(GetParam().text), Status::Malformed);
    EXPECT_TRUE(reader.segments().empty());
    EXPECT_FALSE(reader.MoreData());
    // Where it goes wrong; an empty file has no line to name.
    EXPECT_NE(reader.error().find(GetParam().text.empty() ? "the file is empty" : "line "),
              std::string::npos)
        << reader.error();
    // The block API of the library gives no bytes for it.
    const DataBlock_ block = BSL_readTI_Text(GetParam().text.c_str(), 32);
    EXPECT_EQ(block.numberOfBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TiTxtMalformed,
    ::testing::Values(Malformed{"Empty", ""}, Malformed{"DataBeforeAddress", "01 02\r\nq\r\n"},
                      Malformed{"NoEndMarker", "@8000\r\n01 02\r\n"},
                      Malformed{"BadAddressDigit", "@80G0\r\n01\r\nq\r\n"},
                      Malformed{"AddressWithoutDigits", "@\r\n01\r\nq\r\n"},
                      Malformed{"AddressTooLong", "@123456789\r\n01\r\nq\r\n"},
                      Malformed{"AddressBeyond20Bits", "@100000\r\n01\r\nq\r\n"},
                      Malformed{"DataPastTheTop", "@FFFFF\r\n01 02\r\nq\r\n"},
                      Malformed{"HalfAByte", "@8000\r\n01 0\r\nq\r\n"},
                      Malformed{"ThreeDigits", "@8000\r\n012\r\nq\r\n"},
                      Malformed{"NotHex", "@8000\r\n01 zz\r\nq\r\n"},
                      Malformed{"EmbeddedNul", std::string("@8000\r\n01 \0 02\r\nq\r\n", 18)},
                      Malformed{"QWithText", "@8000\r\n01\r\nquit\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiTxtRobustness, RandomBytesNeverCrashOrReadPastTheText) {
    std::mt19937 random(7);
    const std::string alphabet = "@0123456789abcdefABCDEFqQ \t\r\n\x01\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 200, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        TiTxtReader reader;
        if (reader.Parse(text) == Status::Ok) {
            for (const auto& segment : reader.segments()) {
                ASSERT_LE(segment.address + segment.bytes.size(), bsl430::kAddressSpaceEnd);
                ASSERT_FALSE(segment.bytes.empty());
            }
        }
    }
}

TEST(TiTxtBlocks, RunsOfContiguousBytesUpToTheLimit) {
    TiTxtReader reader;
    // Two touching sections make one run; a gap starts another.
    ASSERT_EQ(reader.Parse("@1000\n01 02 03\n@1003\n04 05\n@2001\n06\nq\n"), Status::Ok);
    ASSERT_EQ(reader.segments().size(), 2u);
    std::vector<std::pair<uint32_t, size_t>> blocks;
    while (reader.MoreData()) {
        const auto block = reader.Next(2);
        blocks.emplace_back(block.address, block.bytes.size());
    }
    EXPECT_EQ(blocks, (std::vector<std::pair<uint32_t, size_t>>{
                          {0x1000, 2}, {0x1002, 2}, {0x1004, 1}, {0x2001, 1}}));
    reader.Rewind();
    EXPECT_EQ(reader.Next(0).bytes.size(), 1u) << "a zero limit still takes one byte";
}

TEST_F(TiTxt, FileBlocksThroughTheLibraryNeverExceedTheRecord) {
    testsupport::Section big{0x4400, std::vector<uint8_t>(30000)};
    for (size_t i = 0; i < big.bytes.size(); ++i) {
        big.bytes[i] = static_cast<uint8_t>(i * 13);
    }
    const std::string path = WriteFile("big.txt", testsupport::TiTxt({big}));
    ASSERT_EQ(BSL_openTI_TextForRead(path.c_str()), 0);
    std::vector<uint32_t> counts;
    uint32_t next = 0x4400;
    while (BSL_moreDataToRead_TextFile() != 0) {
        const DataBlock_ block = BSL_readTI_TextFile(100000);
        EXPECT_EQ(block.startAddr, next);
        EXPECT_EQ(block.data[0], big.bytes[block.startAddr - 0x4400]);
        next += block.numberOfBytes;
        counts.push_back(block.numberOfBytes);
    }
    BSL_closeTI_Text();
    EXPECT_EQ(counts, (std::vector<uint32_t>{10240, 10240, 9520}));
    EXPECT_EQ(BSL_moreDataToRead_TextFile(), 0);
}

// A byte that is not plain ASCII (a binary file, a control byte, a no-break space pasted in) is
// named with its place, not quoted as question marks; a wrong word of plain text is still quoted.
TEST(TiTxtMessages, NameTheFirstByteThatIsNotText) {
    const struct {
        std::string text;
        const char* expected;
    } cases[] = {
        {std::string("\x89PNG\r\n\x1a\n\0\0", 10),
         "line 1, column 1: byte 0x89 is not plain ASCII text"},
        {"@8000\r\n01 02\x01\r\nq\r\n", "line 2, column 6: byte 0x01 is not plain ASCII text"},
        {"@8000\r\n  01\xC2\xA0"
         "02\r\nq\r\n",
         "line 2, column 5: byte 0xC2 is not plain ASCII text"},
        {"firmware\r\nq\r\n", "line 1: \"firmware\" comes before"},
    };
    for (const auto& c : cases) {
        TiTxtReader reader;
        EXPECT_EQ(reader.Parse(c.text), Status::Malformed);
        EXPECT_EQ(reader.error().rfind(c.expected, 0), 0u) << reader.error();
        EXPECT_EQ(reader.error().find('?'), std::string::npos) << reader.error();
    }
}

TEST_F(TiTxt, UnopenableOrMalformedFilesCannotBeOpenedForReading) {
    EXPECT_EQ(BSL_openTI_TextForRead((scratch / "missing.txt").string().c_str()), -2);
    EXPECT_EQ(BSL_moreDataToRead_TextFile(), 0);
    const std::string bad = WriteFile("bad.txt", "@8000\r\n01 XY\r\nq\r\n");
    EXPECT_EQ(BSL_openTI_TextForRead(bad.c_str()), -2);
    EXPECT_NE(bsl430::LastError().find("line 2"), std::string::npos) << bsl430::LastError();
    EXPECT_EQ(BSL_openTI_TextForRead(nullptr), -2);

    TiTxtReader reader;
    EXPECT_EQ(reader.Load(platform::Utf8FromPath(scratch)), Status::CannotOpen)
        << "a folder is no file";
}

// A file is read whole up to the limit, and one byte past it tells it is too big, however far
// past it goes; chunk boundaries (4096) on either side.
TEST_F(TiTxt, FileTextStopsOneBytePastItsLimit) {
    const struct {
        std::size_t size;
        std::size_t limit;
        std::size_t read;
    } cases[] = {{0, 10, 0},         {10, 10, 10},       {11, 10, 11},       {5000, 10, 11},
                 {4096, 4096, 4096}, {4097, 4096, 4097}, {9000, 8192, 8193}, {8193, 9000, 8193}};
    for (const auto& c : cases) {
        const std::string path = WriteFile("sized.txt", std::string(c.size, 'x'));
        std::string why;
        const auto text = bsl430::ReadFileText(path, c.limit, why);
        ASSERT_TRUE(text) << why;
        EXPECT_EQ(text->size(), c.read) << c.size << " bytes, limit " << c.limit;
    }
    std::string why;
    EXPECT_FALSE(bsl430::ReadFileText((scratch / "missing.txt").string(), 10, why));
    EXPECT_EQ(why.rfind("it cannot be read: ", 0), 0u) << why;
}

} // namespace
