// The "Echovelte Layout" window driven through its real controls against the simulated keypad.

#include "codetable/My4way_layout.h"
#include "codetable/code_table.h"
#include "codetable/editor_opening.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "tests/support/EmulatorFixture.h"
#include "ui/Dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gmock/gmock.h>

namespace {

using namespace codetable;
using emulator::Fault;
using emulator::FaultKind;
using praxil_usb_encoder::My4way_layout;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const QColor kAqua(0x00, 0xFF, 0xFF);
const QColor kOrange(0xFF, 0xA5, 0x00);

// What the main window's status read hands the editor.
struct StatusRead {
    int result = -1;
    int kind = 0;
    std::array<uint8_t, kKeyCodeArraySize> keyCodeArray{};
    std::array<uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray{};
};

StatusRead ReadStatus() {
    StatusRead status;
    uint8_t reply[kReportSize] = {};
    uint32_t length = 0;
    if (USBEncoderSendAndReceive_a(hid_handle, CmdGetStatus, nullptr, 0, reply, kReportSize,
                                   &length, kCommandTimeoutMs) != 0 ||
        length < 24) {
        return status;
    }
    status.kind = reply[1];
    std::copy(reply + 4, reply + 24, status.keyCodeArray.begin());
    if (status.kind == CustomiseMulticodeTable) {
        if (USBEncoderSendAndReceive_a(hid_handle, CmdReadMulticodeTable, nullptr, 0, reply,
                                       kReportSize, &length, kCommandTimeoutMs) != 0) {
            return status;
        }
        std::copy(reply, reply + kExtraCodeBlockSize, status.multipleKeyCodeArray.begin());
    }
    status.result = 0;
    return status;
}

class EditorWindowTest : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        EditorCodeArrays() = {};
        keypad = ConnectKeypad();
    }

    void TearDown() override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<My4way_layout*>(widget) != nullptr) {
                widget->close();
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Puts the table on the keypad as the given kind.
    void SetTable(int kind, const std::array<uint8_t, kKeyCodeBlockSize>& block,
                  const std::array<uint8_t, kExtraCodeBlockSize>& extra = {}) {
        keypad->settings.tableKind = uint8_t(kind);
        if (kind == CustomiseMulticodeTable) {
            keypad->settings.multicodeTable = block;
            keypad->settings.multicodeExtra = extra;
        } else {
            keypad->settings.customTable = block;
        }
    }

    // "Customise Code Table": read the status, open the editor.
    My4way_layout* Open() {
        const StatusRead status = ReadStatus();
        My4way_layout* window = OpenCodeTableEditor(
            nullptr, status.result, status.kind, status.keyCodeArray, status.multipleKeyCodeArray);
        keypad->ClearReceived();
        return window;
    }

    template <typename T> T* Control(My4way_layout* window, const QString& name) {
        T* control = window->findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }
    QPushButton* Key(My4way_layout* w, int k) {
        return Control<QPushButton>(w, QStringLiteral("key%1Btn").arg(k));
    }
    QPushButton* ModifierButton(My4way_layout* w, int k) {
        return Control<QPushButton>(w, QStringLiteral("modifierBtn%1").arg(k));
    }
    QLineEdit* Box(My4way_layout* w, int n) {
        return Control<QLineEdit>(w, QStringLiteral("textBox%1").arg(n));
    }
    QComboBox* Picker(My4way_layout* w, int n) {
        return Control<QComboBox>(w, QStringLiteral("selectCode%1Cbox").arg(n));
    }
    QCheckBox* Check(My4way_layout* w, const char* text) {
        for (QCheckBox* box : w->findChildren<QCheckBox*>()) {
            if (box->text() == QLatin1String(text)) {
                return box;
            }
        }
        ADD_FAILURE() << text;
        return nullptr;
    }

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Opens the picker's list and chooses row as a user does (the list takes Return as a pick).
    void Pick(QComboBox* picker, int row) {
        ASSERT_TRUE(picker->isVisible() && picker->isEnabled());
        picker->showPopup();
        QAbstractItemView* list = picker->view();
        list->setCurrentIndex(picker->model()->index(row, 0));
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_FALSE(list->isVisible());
    }

    std::vector<uint8_t> Sent(uint8_t command) {
        for (const auto& entry : keypad->received()) {
            if (entry.command == command) {
                return entry.data;
            }
        }
        return {};
    }

    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    ui::DialogRecorder dialogs;
};

class RefusedKindTest : public EditorWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(RefusedKindTest, NonCustomiseKindsOpenNoEditor) {
    keypad->settings.tableKind = uint8_t(GetParam());
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList{"Please select a customise table..\n"});
    EXPECT_EQ(dialogs.messages[0].caption, "Vexor Echovane");
    EXPECT_EQ(dialogs.messages[0].icon, ui::Icon::Warning);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<My4way_layout*>(widget), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, RefusedKindTest, ::testing::Values(0, 1, 3, 4, 6));

TEST_F(EditorWindowTest, FailedStatusReadOpensNoEditor) {
    keypad->settings.tableKind = CustomiseMulticodeTable;
    keypad->InjectFault(Fault{.kind = FaultKind::Refuse, .command = CmdReadMulticodeTable});
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList{"Load Table-Unable to get device status..\n"});
}

TEST_F(EditorWindowTest, SingleCodeModeShowsTheKeypadsCodesAndModifierButtons) {
    SetTable(CustomiseTable, {0, 0x3A, 0, 0x0F, 0, 0x10, 0xE7, 0x51, 0, 0x52,
                              0, 0x28, 0, 0x40, 0, 0x41, 0,    0x42, 0, 0x43});
    My4way_layout* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Echovelte Layout");
    EXPECT_EQ(window->keypadTypeSelected(), 2);
    const char* captions[] = {
        "Volume 0x3A", "Left 0x0F",        "Right 0x10",     "Down 0x51",     "Up 0x52",
        "Enter 0x28",  "Horizontal  0x40", "Vertical  0x41", "Jack IN  0x42", "Jack OUT  0x43"};
    for (int k = 1; k <= kKeyCount; ++k) {
        EXPECT_EQ(Key(window, k)->text(), captions[k - 1]);
        EXPECT_TRUE(ModifierButton(window, k)->isVisible());
    }
    EXPECT_EQ(ModifierButton(window, 4)->text(), "Right   Gui");
    EXPECT_EQ(ModifierButton(window, 1)->text(), " None");
    EXPECT_TRUE(Picker(window, 1)->isEnabled());
    EXPECT_FALSE(Picker(window, 2)->isEnabled());
    EXPECT_FALSE(Box(window, 6)->isEnabled());
    EXPECT_FALSE(Check(window, "Left Shift")->isEnabled());
    EXPECT_EQ(Picker(window, 1)->count(), 116);
    EXPECT_EQ(Picker(window, 1)->currentText(), "");
    EXPECT_EQ(Picker(window, 1)->placeholderText(), "Select Code");
}

TEST_F(EditorWindowTest, MultiCodeModeEnablesAllSixCodesAndTheBoxes) {
    SetTable(CustomiseMulticodeTable, {});
    My4way_layout* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->keypadTypeSelected(), 5);
    EXPECT_TRUE(Picker(window, 6)->isEnabled());
    EXPECT_TRUE(Box(window, 2)->isEnabled());
    EXPECT_TRUE(Check(window, "Right Gui")->isEnabled());
    EXPECT_FALSE(ModifierButton(window, 1)->isVisible());
}

TEST_F(EditorWindowTest, LeftShiftStaysLeftShiftAndNoneWritesZero) {
    SetTable(CustomiseTable, {0, 0x04, 0xE1, 0x05});
    My4way_layout* window = Open();
    EXPECT_EQ(ModifierButton(window, 2)->text(), "Left Shift");
    auto* modifierPicker = Control<QComboBox>(window, "selectModifierCbox");
    EXPECT_FALSE(modifierPicker->isVisible());

    Click(ModifierButton(window, 2));
    EXPECT_EQ(My4way_layout::BackColour(ModifierButton(window, 2)), kOrange);
    ASSERT_TRUE(modifierPicker->isVisible());
    // Picked by keyboard, the focus goes back to the key's modifier button, not on past it.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    modifierPicker->setFocus(Qt::TabFocusReason);
    Pick(modifierPicker, 0);
    EXPECT_TRUE(ModifierButton(window, 2)->hasFocus());
    EXPECT_EQ(ModifierButton(window, 2)->text(), " None");
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_EQ(Sent(CmdWriteCodeTable)[2], 0x00);
}

// The picker hides once a modifier is picked, so arrows open its list to be browsed rather than
// pick the row next to " None".
TEST_F(EditorWindowTest, ArrowsOnTheModifierPickerOpenItsListAndReturnPicks) {
    SetTable(CustomiseTable, {});
    My4way_layout* window = Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* modifierPicker = Control<QComboBox>(window, "selectModifierCbox");
    QAbstractItemView* list = modifierPicker->view();
    Click(ModifierButton(window, 6));
    modifierPicker->setFocus(Qt::TabFocusReason);
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Down, Qt::NoModifier},
                                                              {Qt::Key_Up, Qt::NoModifier},
                                                              {Qt::Key_End, Qt::NoModifier},
                                                              {Qt::Key_Down, Qt::ShiftModifier},
                                                              {Qt::Key_R, Qt::NoModifier}};
    for (const auto& [key, modifiers] : keys) {
        QTest::keyClick(modifierPicker, key, modifiers);
        ASSERT_TRUE(list->isVisible()) << key;
        EXPECT_TRUE(modifierPicker->isVisible());
        EXPECT_EQ(ModifierButton(window, 6)->text(), " None") << "nothing picked yet";
        QTest::keyClick(list, Qt::Key_Escape);
    }
    // Nor does the wheel over the closed picker pick.
    QWheelEvent wheel(QPointF(5, 5), modifierPicker->mapToGlobal(QPointF(5, 5)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(modifierPicker, &wheel);
    EXPECT_EQ(ModifierButton(window, 6)->text(), " None");
    QTest::keyClick(modifierPicker, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(ModifierButton(window, 6)->text(), "Left Shift");
    EXPECT_FALSE(modifierPicker->isVisible());
    EXPECT_TRUE(ModifierButton(window, 6)->hasFocus());
}

// The greyed boxes of a single-code table follow the selected key's modifier as it is picked;
// the picker is there only while a modifier button is on, and names no modifier when it comes.
TEST_F(EditorWindowTest, TheBoxesFollowAModifierPickedForTheSelectedKey) {
    SetTable(CustomiseTable, {});
    My4way_layout* window = Open();
    auto* modifierPicker = Control<QComboBox>(window, "selectModifierCbox");
    const auto ticked = [this, window] {
        QStringList names;
        for (const char* name : {"Left Ctrl", "Left Shift", "Left Alt", "Left Gui", "Right Ctrl",
                                 "Right Shift", "Right Alt", "Right Gui"}) {
            if (Check(window, name)->isChecked()) {
                names << QString::fromLatin1(name);
            }
        }
        return names.join(u'+');
    };
    Click(Key(window, 2));
    for (const auto& [index, expected] : {std::pair{3, "Left Alt"}, {7, "Right Alt"}, {0, ""}}) {
        Click(ModifierButton(window, 2));
        ASSERT_TRUE(modifierPicker->isVisible());
        EXPECT_EQ(modifierPicker->currentIndex(), -1);
        Pick(modifierPicker, index);
        EXPECT_EQ(ticked(), QString::fromLatin1(expected)) << index;
    }
    Click(ModifierButton(window, 2));
    Click(ModifierButton(window, 2));
    EXPECT_FALSE(modifierPicker->isVisible());
}

TEST_F(EditorWindowTest, OneModifierPickSetsEveryToggledKey) {
    SetTable(CustomiseTable, {0xE1, 0x04});
    My4way_layout* window = Open();
    const QColor normal = My4way_layout::BackColour(ModifierButton(window, 1));
    Click(ModifierButton(window, 2));
    Click(ModifierButton(window, 5));
    Click(ModifierButton(window, 7));
    Click(ModifierButton(window, 7)); // toggled off again
    Pick(Control<QComboBox>(window, "selectModifierCbox"), 5);
    EXPECT_FALSE(Control<QComboBox>(window, "selectModifierCbox")->isVisible());
    for (int k : {2, 5}) {
        EXPECT_EQ(ModifierButton(window, k)->text(), "Right  Ctrl");
        EXPECT_EQ(My4way_layout::BackColour(ModifierButton(window, k)), normal);
    }
    EXPECT_EQ(ModifierButton(window, 7)->text(), " None");
    EXPECT_EQ(window->editor().modSelected(), 0);
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_THAT(Sent(CmdWriteCodeTable), ElementsAre(0xE1, 0x04, 0xE4, 0, 0, 0, 0, 0, 0xE4, 0, 0, 0,
                                                     0, 0, 0, 0, 0, 0, 0, 0));
}

TEST_F(EditorWindowTest, PickedCodeMarksTheKeyUntilItIsSelectedAgain) {
    SetTable(CustomiseTable, {});
    My4way_layout* window = Open();
    const QColor normal = My4way_layout::BackColour(Key(window, 1));
    Click(Key(window, 3));
    Pick(Picker(window, 1), 0x28);
    EXPECT_EQ(Key(window, 3)->text(), "Right  0x28");
    EXPECT_EQ(My4way_layout::BackColour(Key(window, 3)), kAqua);
    EXPECT_EQ(Box(window, 1)->text(), "0x28");

    Click(Key(window, 3));
    EXPECT_EQ(Box(window, 1)->text(), "0x028");
    EXPECT_EQ(My4way_layout::BackColour(Key(window, 3)), normal);
    EXPECT_EQ(Picker(window, 1)->currentIndex(), 0x28); // pickers keep their selection

    // The same row again, now for key 4: still a pick.
    Click(Key(window, 4));
    Pick(Picker(window, 1), 0x28);
    EXPECT_EQ(Key(window, 4)->text(), "Down  0x28");
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_EQ(Sent(CmdWriteCodeTable)[5], 0x28);
    EXPECT_EQ(Sent(CmdWriteCodeTable)[7], 0x28);
    EXPECT_EQ(keypad->settings.customTable[5], 0x28);
}

// The list opens with a row highlighted: the one the picker shows, or the first while it shows
// none. Return takes the highlighted row and Down moves on from it, so 0x00 is never skipped.
TEST_F(EditorWindowTest, TheOpenListHighlightsTheRowReturnTakes) {
    SetTable(CustomiseTable, {});
    My4way_layout* window = Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QComboBox* picker = Picker(window, 1);
    QAbstractItemView* list = picker->view();
    const struct {
        int key;
        Qt::Key move; // Qt::Key_unknown: none
        const char* caption;
    } steps[] = {{3, Qt::Key_unknown, "Right  0x00"}, {4, Qt::Key_Down, "Down  0x01"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.caption);
        // Reset leaves the picker showing no row.
        Click(Control<QPushButton>(window, "resetBtn"));
        Click(Key(window, step.key));
        ASSERT_EQ(picker->currentIndex(), -1);
        picker->showPopup();
        ASSERT_TRUE(list->isVisible());
        EXPECT_EQ(list->currentIndex().row(), 0);
        EXPECT_TRUE(list->selectionModel()->isSelected(list->currentIndex()));
        if (step.move != Qt::Key_unknown) {
            QTest::keyClick(list, step.move);
        }
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(Key(window, step.key)->text(), step.caption);
    }
    // Opened again, on the row it shows.
    picker->showPopup();
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_TRUE(list->selectionModel()->isSelected(list->currentIndex()));
    QTest::keyClick(list, Qt::Key_Escape);
}

TEST_F(EditorWindowTest, PickWithNoKeySelectedChangesNoKey) {
    const std::array<uint8_t, kKeyCodeBlockSize> table = {0, 0x3A, 0, 0x3B, 0, 0x3C};
    SetTable(CustomiseTable, table);
    My4way_layout* window = Open();
    Pick(Picker(window, 1), 0x2C);
    EXPECT_EQ(Box(window, 1)->text(), "0x2C");
    // The picked code is nobody's: the box must not say it is key 1's.
    EXPECT_EQ(Box(window, 1)->accessibleDescription().toStdString(),
              "Code 1 of the selected key; no key is selected");
    for (int k = 1; k <= kKeyCount; ++k) {
        EXPECT_EQ(Key(window, k)->text().right(4),
                  QString::fromStdString(CodeDisplayText(table[2 * k - 1])));
    }
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_THAT(Sent(CmdWriteCodeTable), ElementsAreArray(table));
}

TEST_F(EditorWindowTest, TickedModifiersSurviveReselecting) {
    SetTable(CustomiseMulticodeTable, {0x22, 0x04, 0x00, 0x05, 0xE3, 0x06});
    My4way_layout* window = Open();
    Click(Key(window, 2));
    Click(Check(window, "Left Shift"));
    Click(Check(window, "Right Alt"));
    Click(Key(window, 1));
    EXPECT_TRUE(Check(window, "Left Shift")->isChecked());
    EXPECT_TRUE(Check(window, "Right Shift")->isChecked());
    EXPECT_FALSE(Check(window, "Right Alt")->isChecked());
    Click(Key(window, 2));
    EXPECT_TRUE(Check(window, "Left Shift")->isChecked());
    EXPECT_TRUE(Check(window, "Right Alt")->isChecked());
    EXPECT_FALSE(Check(window, "Right Shift")->isChecked());
    EXPECT_EQ(window->editor().Modifier(2), 0x42);
    Click(Key(window, 3));
    Click(Control<QPushButton>(window, "applyBtn"));
    const auto block = Sent(CmdWriteCodeTable);
    EXPECT_EQ(block[0], 0x22);
    EXPECT_EQ(block[2], 0x42);
    EXPECT_EQ(block[4], 0xE3);
}

TEST_F(EditorWindowTest, ModifierTicksNeedASelectedKey) {
    SetTable(CustomiseMulticodeTable, {0x01, 0x04});
    My4way_layout* window = Open();
    Click(Check(window, "Right Gui"));
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_EQ(Sent(CmdWriteCodeTable)[0], 0x01);
}

TEST_F(EditorWindowTest, ResetPutsBackTheTableAsOpened) {
    std::array<uint8_t, kExtraCodeBlockSize> extra{};
    extra.fill(0x1E);
    SetTable(CustomiseMulticodeTable, {0x02, 0x04, 0x00, 0x05}, extra);
    My4way_layout* window = Open();
    const QString caption = Key(window, 1)->text();
    Click(Key(window, 1));
    EXPECT_EQ(Box(window, 3)->text(), "0x01E");
    Pick(Picker(window, 3), 0x30);
    Pick(Picker(window, 1), 0x31);
    Click(Check(window, "Right Ctrl"));
    Click(Control<QPushButton>(window, "resetBtn"));

    EXPECT_EQ(Key(window, 1)->text(), caption);
    EXPECT_NE(My4way_layout::BackColour(Key(window, 1)), kAqua);
    EXPECT_EQ(window->editor().keySelected(), 0);
    // Codes 2 to 6 too: an Apply after a Reset writes back what the keypad held.
    EXPECT_EQ(window->editor().Codes(1), (KeyCodes{0x04, 0x1E, 0x1E, 0x1E, 0x1E, 0x1E}));
    for (int n = 1; n <= kCodesPerKey; ++n) {
        EXPECT_EQ(Picker(window, n)->currentIndex(), -1);
        EXPECT_EQ(Picker(window, n)->placeholderText(), QStringLiteral("Select Code %1").arg(n));
    }
    EXPECT_EQ(Box(window, 1)->text(), "0x04"); // code 1 of key 1
    EXPECT_EQ(Box(window, 2)->text(), "0x05"); // code 1 of key 2
    EXPECT_EQ(Box(window, 2)->accessibleDescription().toStdString(), "Code 1 of key 2, Left");
    EXPECT_FALSE(Check(window, "Right Ctrl")->isChecked()) << "no key is selected";
    EXPECT_TRUE(keypad->received().empty());

    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_THAT(Sent(CmdWriteCodeTable),
                ElementsAre(0x02, 0x04, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_THAT(Sent(CmdWriteMulticodeTable), ElementsAreArray(std::vector<uint8_t>(50, 0x1E)));
}

TEST_F(EditorWindowTest, RefusedCodeTableSendsNoMulticodeTableAndKeepsTheWindow) {
    SetTable(CustomiseMulticodeTable, {});
    QPointer<My4way_layout> window = Open();
    keypad->InjectFault(Fault{.kind = FaultKind::Refuse, .command = CmdWriteCodeTable});
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_EQ(dialogs.texts(), QStringList{"Unable to Load Table..\n"});
    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(CmdWriteCodeTable));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EditorWindowTest, RefusedMulticodeTableKeepsTheWindowForASecondApply) {
    SetTable(CustomiseMulticodeTable, {});
    QPointer<My4way_layout> window = Open();
    keypad->InjectFault(Fault{.kind = FaultKind::Refuse, .command = CmdWriteMulticodeTable});
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_EQ(dialogs.texts(), QStringList{"Unable to Load multicode Table..\n"});
    ASSERT_FALSE(window.isNull());
    Click(Control<QPushButton>(window, "applyBtn"));
    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(CmdWriteCodeTable, CmdWriteMulticodeTable,
                                                     CmdWriteCodeTable, CmdWriteMulticodeTable));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(EditorWindowTest, CloseSendsNothing) {
    SetTable(CustomiseTable, {});
    QPointer<My4way_layout> window = Open();
    Click(Key(window, 1));
    Pick(Picker(window, 1), 0x05);
    Click(Control<QPushButton>(window, "exitBtn"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(keypad->received().empty());
}

TEST_F(EditorWindowTest, SingleCodeApplyKeepsWhatThePickersCannotShow) {
    // 0x05 is an index (written as 0xE4); 0x50 and 0xEF have no picker item; 0x80 and 0xFF are
    // beyond the usage list.
    const std::array<uint8_t, kKeyCodeBlockSize> table = {0x05, 0x80, 0x50, 0xFF, 0xEF, 0x74, 0xE0,
                                                          0x04, 0x00, 0x73, 0xE7, 0x00, 0x08, 0x01,
                                                          0x00, 0x00, 0xE3, 0x2C, 0x00, 0x0F};
    SetTable(CustomiseTable, table);
    My4way_layout* window = Open();
    EXPECT_EQ(Key(window, 1)->text(), "Volume 0x80");
    EXPECT_EQ(ModifierButton(window, 2)->text(), "0x50");
    EXPECT_EQ(ModifierButton(window, 1)->text(), "Right  Ctrl");
    for (int k = 1; k <= kKeyCount; ++k) {
        Click(Key(window, k));
    }
    EXPECT_EQ(Box(window, 1)->text(), "0x0F");
    Click(Control<QPushButton>(window, "applyBtn"));
    std::vector<uint8_t> expected(table.begin(), table.end());
    expected[0] = 0xE4;
    expected[12] = 0xE7;
    EXPECT_THAT(Sent(CmdWriteCodeTable), ElementsAreArray(expected));

    // A new status read shows the written table.
    My4way_layout* again = Open();
    EXPECT_EQ(ModifierButton(again, 1)->text(), "Right  Ctrl");
    EXPECT_EQ(Key(again, 10)->text(), "Jack OUT  0x0F");
}

TEST_F(EditorWindowTest, MultiCodeApplyWritesBothBlocksAsOpenedPlusEdits) {
    std::array<uint8_t, kKeyCodeBlockSize> table{};
    std::array<uint8_t, kExtraCodeBlockSize> extra{};
    for (int i = 0; i < kKeyCodeBlockSize; ++i) {
        table[i] = uint8_t(i % 2 == 0 ? (0x11 * i) & 0xFF : 0x04 + i);
    }
    for (int i = 0; i < kExtraCodeBlockSize; ++i) {
        extra[i] = uint8_t(i % 3 == 0 ? 0 : 0x59 + i % 9);
    }
    SetTable(CustomiseMulticodeTable, table, extra);
    My4way_layout* window = Open();
    for (int k = 1; k <= kKeyCount; ++k) {
        Click(Key(window, k)); // selecting never changes a modifier
    }
    EXPECT_EQ(Box(window, 6)->text(), QString::fromStdString(CodeTextBoxText(extra[49])));
    Pick(Picker(window, 6), 0x68); // code 6 of key 10: byte 49
    Pick(Picker(window, 2), 0x07); // code 2 of key 10: byte 45
    Click(Control<QPushButton>(window, "applyBtn"));

    EXPECT_THAT(keypad->ReceivedCodes(), ElementsAre(CmdWriteCodeTable, CmdWriteMulticodeTable));
    EXPECT_THAT(Sent(CmdWriteCodeTable), ElementsAreArray(table));
    extra[49] = 0x68;
    extra[45] = 0x07;
    EXPECT_THAT(Sent(CmdWriteMulticodeTable), ElementsAreArray(extra));
    EXPECT_EQ(keypad->settings.multicodeExtra, extra);

    My4way_layout* again = Open();
    Click(Key(again, 10));
    EXPECT_EQ(Box(again, 6)->text(), "0x068");
}

TEST_F(EditorWindowTest, EveryEditorWorksOnTheSameCodes) {
    SetTable(CustomiseTable, {0, 0x04});
    My4way_layout* first = Open();
    My4way_layout* second = Open();
    ASSERT_NE(first, second);
    Click(Key(first, 1));
    Pick(Picker(first, 1), 0x2B);
    Click(Control<QPushButton>(second, "applyBtn"));
    EXPECT_EQ(Sent(CmdWriteCodeTable)[1], 0x2B);
}

// Where the picture comes from.
enum class LocalPicture { Missing, Corrupt, Present };

class PictureTest : public EditorWindowTest, public ::testing::WithParamInterface<LocalPicture> {};

TEST_P(PictureTest, WorkingDirectoryFirstElseTheBuiltInCopy) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("echovelte.jpg");
    if (GetParam() == LocalPicture::Corrupt) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\xFF\xD8\xFF\xE0 not really a picture");
    } else if (GetParam() == LocalPicture::Present) {
        QImage small(40, 30, QImage::Format_RGB32);
        small.fill(Qt::darkGreen);
        ASSERT_TRUE(small.save(path, "JPG"));
    }
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    SetTable(CustomiseTable, {});
    My4way_layout* window = Open();
    QDir::setCurrent(previous);

    const QSize size = Control<QLabel>(window, "pictureBox1")->pixmap().size();
    EXPECT_EQ(size, GetParam() == LocalPicture::Present ? QSize(40, 30) : QSize(560, 650));
}

INSTANTIATE_TEST_SUITE_P(Sources, PictureTest,
                         ::testing::Values(LocalPicture::Missing, LocalPicture::Corrupt,
                                           LocalPicture::Present));

} // namespace
