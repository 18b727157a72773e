// The real message box: which answer Enter gives, and that a question before a step that cannot
// be undone does not take a stray Return as its Yes.

#include "ui/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct EnterCase {
    const char* name;
    ui::MessageRequest request;
    ui::Answer answer;
};

void PrintTo(const EnterCase& c, std::ostream* os) {
    *os << c.name;
}

// Presses Return in the box once it shows; a box that is not the active one is closed, so a
// failure ends the test instead of leaving it waiting in the box's event loop.
void PressReturnInTheBox(int triesLeft) {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        QTest::keyClick(box, Qt::Key_Return);
    } else if (triesLeft > 0) {
        QTimer::singleShot(10, [triesLeft] { PressReturnInTheBox(triesLeft - 1); });
    } else {
        ADD_FAILURE() << "no message box became the active window";
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                box->done(0);
            }
        }
    }
}

class EnterInAMessageBox : public ::testing::TestWithParam<EnterCase> {};

TEST_P(EnterInAMessageBox, GivesTheDefaultButtonsAnswer) {
    constexpr int kTries = 100;
    QTimer::singleShot(0, [] { PressReturnInTheBox(kTries); });
    ui::QtDialogProvider dialogs;
    EXPECT_EQ(dialogs.ShowMessage(nullptr, GetParam().request), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EnterInAMessageBox,
    ::testing::Values(
        EnterCase{"Question",
                  {"Go on?", "Vexor Echovane", ui::Buttons::YesNo, ui::Icon::Question},
                  ui::Answer::Yes},
        EnterCase{"BeforeAStepThatCannotBeUndone",
                  {"Reset?", "Vexor Echovane", ui::Buttons::YesNo, ui::Icon::Question, true},
                  ui::Answer::No},
        EnterCase{"Warning", {"Failed.", "Vexor Echovane"}, ui::Answer::Ok}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
