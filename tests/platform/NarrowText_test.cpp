// 8-bit text into window text: Latin-1 keeps every byte, file names are UTF-8 both ways.

#include "platform/text/NarrowText.h"

#include <gtest/gtest.h>

#include <QDir>

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

// A name the ANSI code pages cannot spell goes to the cores and comes back whole.
TEST(FileNames, TravelAsUtf8BothWays) {
    const QString name = QStringLiteral("Zo\u00EB/\u65E5\u672C/\u0395\u03BB.txt");
    const std::string core = platform::CoreFileName(name);
    EXPECT_EQ(platform::FromUtf8(core), QDir::toNativeSeparators(name));
#ifndef _WIN32
    EXPECT_EQ(core, "Zo\xC3\xAB/\xE6\x97\xA5\xE6\x9C\xAC/\xCE\x95\xCE\xBB.txt");
#endif
    EXPECT_TRUE(platform::FromUtf8("").isEmpty());
    // Bytes that are not UTF-8 (a file's own text quoted in a message) still show, marked.
    EXPECT_EQ(platform::FromUtf8("v\xE9").toStdU16String(), u"v\uFFFD");
}

TEST(FromUtf8, StopsAtTheGivenLengthNotAtANul) {
    const std::string withNul("A\0B", 3);
    EXPECT_EQ(platform::FromUtf8(withNul).size(), 3);
    EXPECT_EQ(platform::FromLatin1(std::string_view("ABC", 2)), QStringLiteral("AB"));
}

} // namespace
