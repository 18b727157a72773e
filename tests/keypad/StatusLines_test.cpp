#include "keypad/StatusLines.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Spaces(size_t n) {
    return std::string(n, ' ');
}

TEST(ProductName, NamesEveryProductTypeAndMarksUnknownOnes) {
    const char* expected[] = {"          ", "Echovane(169)", "EchovaneQT",    "VectaPad",
                              "Voxlink",    "KRM",           "Gridpad",       "Vectabar",
                              "VectabarLT", "Voxsuite",      "Echovane(168)", "Tenor Encoder"};
    for (int type = 0; type < 12; ++type) {
        EXPECT_EQ(keypad::ProductName(type), expected[type]) << type;
    }
    EXPECT_EQ(keypad::ProductName(12), "Unknown Product (12)");
    EXPECT_EQ(keypad::ProductName(255), "Unknown Product (255)");
}

TEST(TableKindName, NamesTheSevenKindsWithTheirDoubleSpaces) {
    EXPECT_EQ(keypad::TableKindName(3), "Default  Multicode Table");
    EXPECT_EQ(keypad::TableKindName(4), "Alternate  Multicode Table");
    EXPECT_EQ(keypad::TableKindName(5), "Customise Multicode Table");
    EXPECT_EQ(keypad::TableKindName(6), "Mouse Table");
    EXPECT_EQ(keypad::TableKindName(7), "Unknown Table (7)");
}

TEST(StatusLines, ConnectedLinesHaveTheirExactRunsOfSpaces) {
    const keypad::StatusLines lines = keypad::ConnectedStatusLines(
        {"1.0.810", "Customise Table", "EchovaneQT", "00012345", "Jack  IN", "HORIZONTAL"});
    EXPECT_EQ(lines[0], "Device Connected" + Spaces(9) + "Echovane" + Spaces(34) +
                            "Firmware Version" + Spaces(8) + "-" + Spaces(3) + "1.0.810");
    EXPECT_EQ(lines[1], "Code Table Loaded" + Spaces(6) + "Customise Table" + Spaces(34) +
                            "Product Version" + Spaces(4) + "-" + Spaces(2) + "EchovaneQT");
    EXPECT_EQ(lines[2], "Serial Number" + Spaces(15) + "00012345" + Spaces(5) +
                            "Jack Status :Jack  IN" + Spaces(8) + "HV Status : HORIZONTAL");
}

TEST(StatusLines, NotConnectedLineSaysNoneTwice) {
    EXPECT_EQ(keypad::NotConnectedStatusLine(), "Device Connected" + Spaces(3) + "-" + Spaces(4) +
                                                    "None" + Spaces(32) + "Firmware Version" +
                                                    Spaces(8) + "-" + Spaces(3) + "None");
}

TEST(StatusLines, ControlCharactersFromTheKeypadCannotSplitALine) {
    const keypad::StatusLines lines =
        keypad::ConnectedStatusLines({"1\n2", "Default Table", "KRM", "ab\rc", "Jack OUT", "x"});
    EXPECT_EQ(lines[0].find('\n'), std::string::npos);
    EXPECT_NE(lines[0].find("1?2"), std::string::npos);
    EXPECT_NE(lines[2].find("ab?c"), std::string::npos);
}

} // namespace
