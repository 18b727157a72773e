#include "ui/about.h"

#include "ui/version.h"

#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

using praxil_usb_encoder::about;
using praxil_usb_encoder::version;

TEST(Version, CarriesTheVersionAndPartNumber) {
    EXPECT_EQ(version::GetString("Version"), "13.0");
    EXPECT_EQ(version::GetString("Part_Number"), "ECHOVANE-SW01");
    EXPECT_EQ(version::GetString("Missing"), "");
}

TEST(About, LoadFillsTheLabelsFromTheVersionStrings) {
    about box;
    box.show();
    EXPECT_EQ(box.windowTitle(), "About Echovane Configuration Utility");
    EXPECT_EQ(box.titleLabel->text(), "USB Echovane Configuration Utility");
    EXPECT_EQ(box.versionLbl->text(), "Version 13.0");
    EXPECT_EQ(box.partNoCaptionLbl->text(), "Part No ");
    EXPECT_EQ(box.partNoLbl->text(), "ECHOVANE-SW01");
    EXPECT_EQ(about::versionNo, "13.0");
    EXPECT_EQ(about::partNo, "ECHOVANE-SW01");
    EXPECT_FALSE(box.pictureBox1->pixmap().isNull());
    EXPECT_FALSE(box.richTextBox1->toPlainText().isEmpty());
    EXPECT_EQ(box.button2->text(), "Close");
    box.button2->click();
    EXPECT_FALSE(box.isVisible());
}

} // namespace
