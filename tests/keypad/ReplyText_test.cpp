// Texts shown on a terminal: a user's own as written when it is UTF-8, the keypad's as Latin-1,
// and never a control character that could move the cursor or start a sequence.

#include "keypad/ReplyText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PrintableUserText, KeepsUtf8AndShowsControlsAndOtherBytesAsTheKeypadWould) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"00012345", "00012345"},
        {"\xC3\xBC"
         "1",
         "\xC3\xBC"
         "1"},                                    // UTF-8 as written
        {"\xE2\x82\xAC", "\xE2\x82\xAC"},         // three bytes
        {"\xF0\x9F\x94\x91", "\xF0\x9F\x94\x91"}, // four bytes
        {"\x1B[2J", "\\x1B[2J"},                  // an escape sequence
        {"a\xC2\x9B"
         "2J",
         "a\\x9B2J"}, // the C1 sequence introducer
        {"\xFC"
         "1",
         "\xC3\xBC"
         "1"},                                     // not UTF-8: Latin-1
        {"\xC3", "\xC3\x83"},                      // cut short: Latin-1
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\\x80"}, // a surrogate is no UTF-8
        {"\xE0\x80\xAF", "\xC3\xA0\\x80\xC2\xAF"}, // nor an overlong form
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keypad::PrintableUserText(c.text), c.shown) << c.text;
    }
}

} // namespace
