// 8-bit text into window text: Latin-1 keeps every byte, the local encoding decodes it.

#include "platform/text/NarrowText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Latin1Case {
    const char* name;
    std::string bytes;
    std::u16string expected; // one character per byte, the byte's own code point
};

class FromLatin1Test : public ::testing::TestWithParam<Latin1Case> {};

TEST_P(FromLatin1Test, EveryByteBecomesTheCharacterOfItsValue) {
    const QString text = platform::FromLatin1(GetParam().bytes);
    EXPECT_EQ(text.toStdU16String(), GetParam().expected);
    // And back: the low byte of each character is the byte again.
    EXPECT_EQ(text.toLatin1().toStdString(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FromLatin1Test,
    ::testing::Values(Latin1Case{"Empty", "", u""}, Latin1Case{"Ascii", "Jack  IN", u"Jack  IN"},
                      Latin1Case{"HighBytes", "\xE9\xFF\x80", u"\u00E9\u00FF\u0080"},
                      // Not UTF-8: the bytes of "é" in UTF-8 stay two characters.
                      Latin1Case{"Utf8Pair", "\xC3\xA9", u"\u00C3\u00A9"},
                      Latin1Case{"EmbeddedNul", std::string("A\0B", 3),
                                 std::u16string(u"A\0B", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FromLocal8Bit, DecodesThePlatformsOwnEncoding) {
    // Qt's local 8-bit encoding is UTF-8 on Linux and macOS whatever the locale says.
#ifndef _WIN32
    EXPECT_EQ(platform::FromLocal8Bit("caf\xC3\xA9").toStdU16String(), u"caf\u00E9");
#endif
    EXPECT_EQ(platform::FromLocal8Bit("Found 1 device").toStdU16String(), u"Found 1 device");
    EXPECT_TRUE(platform::FromLocal8Bit("").isEmpty());
}

TEST(FromLocal8Bit, StopsAtTheGivenLengthNotAtANul) {
    const std::string withNul("A\0B", 3);
    EXPECT_EQ(platform::FromLocal8Bit(withNul).size(), 3);
    EXPECT_EQ(platform::FromLatin1(std::string_view("ABC", 2)), QStringLiteral("AB"));
}

} // namespace
