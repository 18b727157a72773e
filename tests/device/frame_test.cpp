// Byte-level behaviour of the request builder, the reply parser and the ASCII-hex helpers.

#include "device/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Report(const Bytes& head) {
    Bytes report(kReportSize, 0);
    std::copy(head.begin(), head.end(), report.begin());
    return report;
}

struct RequestCase {
    const char* name;
    uint8_t command;
    Bytes data;
    Bytes expectedHead;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class RequestReport : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RequestReport, IsFramedWithUppercaseDigitsAndZeroPadding) {
    const auto& c = GetParam();
    uint8_t report[kReportSize];
    ASSERT_TRUE(device::BuildRequestReport(c.command, c.data.data(),
                                           static_cast<int32_t>(c.data.size()), report));
    EXPECT_EQ(Bytes(report, report + kReportSize), Report(c.expectedHead));
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, RequestReport,
    ::testing::Values(
        RequestCase{"GetStatus", 0x01, {}, {0x3F, 0x40, 0x02, 0x30, 0x31, 0x30, 0x30, 0x03, 0x00}},
        RequestCase{"CheckMulticode",
                    0x03,
                    {0x01, 0x00},
                    {0x3F, 0x40, 0x02, 0x30, 0x33, 0x30, 0x32, 0x01, 0x00, 0x03, 0x01}},
        RequestCase{"SetKeypadType",
                    0x07,
                    {0x02},
                    {0x3F, 0x40, 0x02, 0x30, 0x37, 0x30, 0x31, 0x02, 0x03, 0x05}},
        RequestCase{"SetLedBrightness",
                    0x02,
                    {0x05},
                    {0x3F, 0x40, 0x02, 0x30, 0x32, 0x30, 0x31, 0x05, 0x03, 0x07}},
        RequestCase{"ResetUsesUppercaseA",
                    0x0A,
                    {},
                    {0x3F, 0x40, 0x02, '0', 'A', '0', '0', 0x03,
                     static_cast<uint8_t>(0x02 ^ '0' ^ 'A' ^ '0' ^ '0' ^ 0x03)}},
        RequestCase{"ReadMulticodeUsesUppercaseF",
                    0x0F,
                    {},
                    {0x3F, 0x40, 0x02, '0', 'F', '0', '0', 0x03,
                     static_cast<uint8_t>(0x02 ^ '0' ^ 'F' ^ '0' ^ '0' ^ 0x03)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RequestReport, FiftyFiveDataBytesFillTheReportAndFiftySixAreRefused) {
    uint8_t report[kReportSize];
    Bytes data(56, 0xAA);
    ASSERT_TRUE(device::BuildRequestReport(0x11, data.data(), 55, report));
    EXPECT_EQ(report[5], '3');
    EXPECT_EQ(report[6], '7');
    EXPECT_EQ(report[62], kEtx);
    EXPECT_FALSE(device::BuildRequestReport(0x11, data.data(), 56, report));
    EXPECT_FALSE(device::BuildRequestReport(0x11, data.data(), -1, report));
    EXPECT_FALSE(device::BuildRequestReport(0x11, nullptr, 3, report));
}

// A reply frame as the keypad sends it, starting at STX.
Bytes Frame(const std::string& lengthDigits, uint8_t status, const Bytes& data,
            bool fixChecksum = true) {
    Bytes frame = {kStx,
                   '1',
                   '7',
                   static_cast<uint8_t>(lengthDigits[0]),
                   static_cast<uint8_t>(lengthDigits[1]),
                   status};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(kEtx);
    uint8_t x = 0;
    for (uint8_t b : frame) {
        x ^= b;
    }
    frame.push_back(fixChecksum ? x : static_cast<uint8_t>(x ^ 0x5A));
    frame.resize(62, 0);
    return frame;
}

TEST(ReplyParser, TakesTheSpecimenReply) {
    const Bytes report = Report({0x3F, 0x0A, 0x02, 0x31, 0x37, 0x30, 0x32, 0x00, 0x01, 0x03, 0x04});
    uint8_t reply[64];
    std::fill(std::begin(reply), std::end(reply), 0xEE);
    uint32_t length = 99;
    ASSERT_EQ(ParseEncoderResponse(report.data() + 2, reply, &length), kParseOk);
    EXPECT_EQ(length, 1u);
    EXPECT_EQ(reply[0], 0x01);
    EXPECT_EQ(reply[1], 0xEE) << "bytes past the reply data are left alone";
}

// Data bytes 1, 2, 3, ... so that a shifted or shortened copy shows.
Bytes Counting(size_t n) {
    Bytes data(n);
    for (size_t i = 0; i < n; ++i) {
        data[i] = static_cast<uint8_t>(i + 1);
    }
    return data;
}

struct GoodFrameCase {
    const char* name;
    const char* lengthDigits;
    size_t dataBytes;
};

void PrintTo(const GoodFrameCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplyParserAccepts : public ::testing::TestWithParam<GoodFrameCase> {};

TEST_P(ReplyParserAccepts, AndCopiesEveryDataByte) {
    const Bytes data = Counting(GetParam().dataBytes);
    uint8_t reply[64];
    std::fill(std::begin(reply), std::end(reply), 0xEE);
    uint32_t length = 1234;
    ASSERT_EQ(ParseEncoderResponse(Frame(GetParam().lengthDigits, 0, data).data(), reply, &length),
              kParseOk);
    EXPECT_EQ(length, data.size());
    EXPECT_EQ(Bytes(reply, reply + data.size()), data);
    EXPECT_EQ(reply[data.size()], 0xEE) << "bytes past the reply data are left alone";
}

// "37" is the largest frame a 64-byte report holds: status, 54 data bytes, ETX and checksum
// end at byte 63.
INSTANTIATE_TEST_SUITE_P(Lengths, ReplyParserAccepts,
                         ::testing::Values(GoodFrameCase{"StatusOnly", "01", 0},
                                           GoodFrameCase{"LowerCaseDigits", "0b", 10},
                                           GoodFrameCase{"UpperCaseDigits", "0B", 10},
                                           GoodFrameCase{"FiftyThreeBytes", "36", 53},
                                           GoodFrameCase{"LargestReply", "37", 54}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadFrameCase {
    const char* name;
    Bytes frame;
};

void PrintTo(const BadFrameCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplyParserRejects : public ::testing::TestWithParam<BadFrameCase> {};

TEST_P(ReplyParserRejects, AndLeavesTheLengthAlone) {
    uint8_t reply[64] = {};
    uint32_t length = 1234;
    EXPECT_EQ(ParseEncoderResponse(GetParam().frame.data(), reply, &length), kParseFailed);
    EXPECT_EQ(length, 1234u);
}

Bytes WithByte(Bytes frame, size_t at, uint8_t value) {
    frame[at] = value;
    return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReplyParserRejects,
    ::testing::Values(BadFrameCase{"StatusNotZero", Frame("02", 0x01, {0x01})},
                      BadFrameCase{"LengthZero", Frame("00", 0x00, {})},
                      BadFrameCase{"LengthPastTheReport", Frame("38", 0x00, {})},
                      BadFrameCase{"BadStx", WithByte(Frame("02", 0, {0x01}), 0, 0x05)},
                      BadFrameCase{"MissingEtx", WithByte(Frame("02", 0, {0x01}), 7, 0x00)},
                      BadFrameCase{"WrongChecksum", Frame("02", 0, {0x01}, false)},
                      BadFrameCase{"NonHexLengthCountsAsZero", Frame("zz", 0, {})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplyParser, RefusesDataThatDoesNotFitTheCallersBuffer) {
    Bytes data(20, 0x11);
    uint8_t reply[64] = {};
    uint32_t length = 0;
    EXPECT_EQ(device::ParseReplyFrame(Frame("15", 0, data).data(), reply, 19, &length),
              kParseFailed);
    EXPECT_EQ(reply[0], 0) << "nothing is written on refusal";
    EXPECT_EQ(device::ParseReplyFrame(Frame("15", 0, data).data(), reply, 20, &length), kParseOk);
    EXPECT_EQ(length, 20u);
}

TEST(AsciiHex, NibblesAndDigits) {
    const std::string digits = "0123456789ABCDEF";
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(Bcd_To_Asc(static_cast<uint8_t>(v)), digits[v & 0xF]) << v;
    }
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Asc_To_Nibble(static_cast<uint8_t>(digits[i])), i);
        EXPECT_EQ(Asc_To_Nibble(static_cast<uint8_t>(std::tolower(digits[i]))), i);
    }
    for (uint8_t c : std::string("gG -/:@`\x7f")) {
        EXPECT_EQ(Asc_To_Nibble(c), 0) << c;
    }
    EXPECT_EQ(Asc_To_Nibble(0xC1), 0);
}

TEST(AsciiHex, PacksDigitPairsAndAnOddLastDigit) {
    uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    Asc_To_Bcd_N_Digits("A5C3F0", 6, out);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0xA5, 0xC3, 0xF0, 0xEE}));
    std::fill(std::begin(out), std::end(out), 0xEE);
    Asc_To_Bcd_N_Digits("1b7", 3, out);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0x1B, 0x07, 0xEE}));
    std::fill(std::begin(out), std::end(out), 0xEE);
    Asc_To_Bcd_N_Digits("12", 0, out);
    Asc_To_Bcd_N_Digits("12", -3, out);
    EXPECT_EQ(out[0], 0xEE);
}

} // namespace
