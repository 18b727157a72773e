#include "ui/CustomMessageBox.h"

#include "ui/Dialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

namespace {

using Velt_test::CustomMessageBox;

// Runs action on the box once it is up, from inside its modal loop.
void WhenShown(std::function<void(CustomMessageBox&)> action) {
    QTimer::singleShot(0, [action]() {
        auto* box = qobject_cast<CustomMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        action(*box);
    });
}

TEST(CustomMessageBox, IsLaidOutAsDesigned) {
    CustomMessageBox box;
    EXPECT_EQ(box.windowTitle(), " Velt Message ");
    EXPECT_EQ(box.size(), QSize(420, 160));
    EXPECT_EQ(box.warningLabel_->geometry(), QRect(5, 5, 400, 78));
    EXPECT_EQ(box.warningLabel_->text(), "This may take awhile, do you wish to continue?");
    EXPECT_EQ(box.yesButton_->geometry(), QRect(10, 87, 70, 22));
    EXPECT_EQ(box.noButton_->geometry(), QRect(180, 87, 70, 22));
    EXPECT_EQ(box.cancelButton_->geometry(), QRect(320, 87, 70, 22));
    EXPECT_TRUE(box.yesButton_->isDefault());
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
}

struct ModeCase {
    int mode;
    bool yesShown;
    bool noShown;
    bool cancelShown;
    const char* cancelText;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << "mode " << c.mode;
}

class ShowBoxModes : public testing::TestWithParam<ModeCase> {};

TEST_P(ShowBoxModes, ShowTheirButtonsAndTheText) {
    const ModeCase c = GetParam();
    WhenShown([c](CustomMessageBox& box) {
        EXPECT_EQ(box.warningLabel_->text(), "Keep going?");
        EXPECT_EQ(box.warningLabel_->alignment(), Qt::AlignTop | Qt::AlignHCenter);
        EXPECT_EQ(box.yesButton_->isVisible(), c.yesShown);
        EXPECT_EQ(box.noButton_->isVisible(), c.noShown);
        EXPECT_EQ(box.cancelButton_->isVisible(), c.cancelShown);
        EXPECT_EQ(box.cancelButton_->text(), c.cancelText);
        EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
        (c.noShown ? box.noButton_ : box.cancelButton_)->click();
    });
    CustomMessageBox::ShowBox("Keep going?", c.mode);
}

INSTANTIATE_TEST_SUITE_P(Modes, ShowBoxModes,
                         testing::Values(ModeCase{1, false, false, true, "OK"},
                                         ModeCase{2, true, true, false, "Cancel"},
                                         ModeCase{0, true, true, true, "Cancel"},
                                         ModeCase{3, true, true, true, "Cancel"}),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

TEST(CustomMessageBox, ReturnsThePressedButton) {
    WhenShown([](CustomMessageBox& box) { box.yesButton_->click(); });
    EXPECT_EQ(CustomMessageBox::ShowBox("q", 2), "Yes");
    WhenShown([](CustomMessageBox& box) { box.noButton_->click(); });
    EXPECT_EQ(CustomMessageBox::ShowBox("q", 2), "No");
    WhenShown([](CustomMessageBox& box) { box.cancelButton_->click(); });
    EXPECT_EQ(CustomMessageBox::ShowBox("q", 3), "Cancel");
}

TEST(CustomMessageBox, TheOkOfModeOneAnswersCancel) {
    CustomMessageBox::Button_ID_ = QStringLiteral("Yes");
    WhenShown([](CustomMessageBox& box) { box.cancelButton_->click(); });
    EXPECT_EQ(CustomMessageBox::ShowBox("Done.", 1), "Cancel");
}

TEST(CustomMessageBox, ClosedByTheTitleBarItAnswersThePreviousAnswer) {
    WhenShown([](CustomMessageBox& box) { box.yesButton_->click(); });
    ASSERT_EQ(CustomMessageBox::ShowBox("first", 2), "Yes");
    WhenShown([](CustomMessageBox& box) { box.close(); });
    EXPECT_EQ(CustomMessageBox::ShowBox("second", 3), "Yes");
}

TEST(CustomMessageBox, EscapePressesTheCancelButtonOnlyWhenItShows) {
    CustomMessageBox::Button_ID_ = QStringLiteral("No");
    WhenShown([](CustomMessageBox& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
        EXPECT_TRUE(box.isVisible()); // Yes/No box: nothing to press
        box.close();
    });
    EXPECT_EQ(CustomMessageBox::ShowBox("q", 2), "No");
    WhenShown([](CustomMessageBox& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
    });
    EXPECT_EQ(CustomMessageBox::ShowBox("q", 3), "Cancel");
}

TEST(CustomMessageBox, ARecorderAnswersInPlaceOfTheUser) {
    ui::DialogRecorder recorder;
    recorder.answers = {ui::Answer::No, ui::Answer::Ok};
    EXPECT_EQ(CustomMessageBox::ShowBox("Record?", 2), "No");
    EXPECT_EQ(CustomMessageBox::ShowBox("Done.", 1), "Cancel");
    EXPECT_EQ(CustomMessageBox::Button_ID_, "Cancel");
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].text, "Record?");
    EXPECT_EQ(recorder.messages[0].caption, " Velt Message ");
    EXPECT_EQ(recorder.messages[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(recorder.messages[1].buttons, ui::Buttons::Ok);
}

} // namespace
