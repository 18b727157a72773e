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

class EnterInAMessageBox : public ::testing::TestWithParam<EnterCase> {};

TEST_P(EnterInAMessageBox, GivesTheDefaultButtonsAnswer) {
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<QMessageBox*>(box), nullptr);
        QTest::keyClick(box, Qt::Key_Return);
    });
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
