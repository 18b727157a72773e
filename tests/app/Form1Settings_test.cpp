// The main window's settings pickers, "Save Changes", "Reset To Factory Default", the
// configuration-file menu and button, and "Customise Code Table", against the simulated keypad.

#include "app/Form1.h"

#include "codetable/My4way_layout.h"
#include "config/config_file.h"
#include "device/commands.h"
#include "firmware/ble/Bluetooth.h"
#include "platform/Utf8Path.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/TempFolder.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <filesystem>

namespace {

const QString kFactoryResetQuestion = QStringLiteral(
    "Are you sure you want to reset the keypad to factory default? Its customised code tables "
    "will be lost.");

using emulator::Fault;
using emulator::FaultKind;
using praxil_usb_encoder::Form1;
using Codes = std::vector<uint8_t>;

class Form1Settings : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(config::PrepareConfigFile(platform::Utf8FromPath(data.path())));
        keypad = PlugKeypad();
        keypad->settings.tableKind = 2;
        form->Form1_Load();
        ASSERT_TRUE(recorder.messages.empty());
        keypad->ClearReceived();
    }
    // What the user does when choosing a row: select it and commit.
    static void Choose(QComboBox* picker, int row) {
        picker->setCurrentIndex(row);
        emit picker->activated(row);
    }
    QString Line(int n) const { return form->richTextBox1->toPlainText().split(u'\n').value(n); }
    std::string ConfigText() const { return testsupport::ReadBytes(FileName); }

    testsupport::TempFolder data;
    ui::DialogRecorder recorder;
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    std::unique_ptr<Form1> form = std::make_unique<Form1>();
};

struct PickerCase {
    const char* name;
    QComboBox* Form1::*picker;
    int row;
    uint8_t command;
    const char* refusal;
};

void PrintTo(const PickerCase& c, std::ostream* os) {
    *os << c.name;
}

class Picker : public Form1Settings, public ::testing::WithParamInterface<PickerCase> {};

TEST_P(Picker, SendsTheRowAndUndoesARefusalWithoutAnotherCommand) {
    QComboBox* picker = (*form).*(GetParam().picker);
    const int before = picker->currentIndex();
    Choose(picker, GetParam().row);
    ASSERT_EQ(keypad->received().size(), 1u);
    EXPECT_EQ(keypad->received()[0].command, GetParam().command);
    EXPECT_EQ(keypad->received()[0].data, Codes{static_cast<uint8_t>(GetParam().row)});
    EXPECT_TRUE(recorder.messages.empty());

    keypad->ClearReceived();
    keypad->InjectFault({FaultKind::Refuse, GetParam().command});
    Choose(picker, before);
    ASSERT_EQ(recorder.texts(), QStringList{QString::fromLatin1(GetParam().refusal) + "\n"});
    EXPECT_EQ(recorder.messages[0].caption, "Vexor Echovane");
    EXPECT_EQ(picker->currentIndex(), GetParam().row) << "the last accepted row comes back";
    EXPECT_EQ(keypad->received().size(), 1u) << "the undo sends nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Both, Picker,
    ::testing::Values(PickerCase{"LedBrightness", &Form1::ledBrightnessCbox, 8, CmdSetLedBrightness,
                                 "Unable to set the LED Brightness.."},
                      PickerCase{"KeypadType", &Form1::keypadTypeCbox, 5, CmdSetKeypadType,
                                 "Unable to set Keypad Type.."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Settings, AcceptedKindNamesItselfInTheStatusLineAtOnce) {
    Choose(form->keypadTypeCbox, 0);
    EXPECT_TRUE(Line(1).startsWith("Code Table Loaded      Default Table    "));
    Choose(form->keypadTypeCbox, 2);
    EXPECT_TRUE(Line(1).startsWith("Code Table Loaded      Customise Table    "));
    // A brightness change leaves the lines alone.
    const QString lines = form->richTextBox1->toPlainText();
    Choose(form->ledBrightnessCbox, 1);
    EXPECT_EQ(form->richTextBox1->toPlainText(), lines);
}

TEST_F(Form1Settings, TypedCharactersNeverReachThePickers) {
    form->show();
    for (QComboBox* picker : {form->ledBrightnessCbox, form->keypadTypeCbox}) {
        const int row = picker->currentIndex();
        QTest::keyClicks(picker, "LA9");
        EXPECT_EQ(picker->currentIndex(), row);
    }
    EXPECT_TRUE(keypad->received().empty());
}

TEST_F(Form1Settings, FactoryResetDisablesTheFunctionsUntilTheNextScan) {
    // By keyboard: Enter presses the button with the focus. (Shown, the window loads again.)
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    keypad->ClearReceived();
    const QString lines = form->richTextBox1->toPlainText();
    form->button9->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form->button9, Qt::Key_Return);
    EXPECT_EQ(keypad->ReceivedCodes(), Codes{CmdResetToDefault});
    EXPECT_EQ(recorder.texts(),
              (QStringList{kFactoryResetQuestion,
                           "Please click on Scan For to re-connect after device reboot.\n"}));
    EXPECT_EQ(Form1::PickerText(form->keypadTypeCbox), "Keypad - Layout");
    EXPECT_EQ(Form1::PickerText(form->ledBrightnessCbox), "LED Brightness");
    EXPECT_EQ(form->richTextBox1->toPlainText(), lines) << "the values from before the reset";
    for (QWidget* control :
         {static_cast<QWidget*>(form->button1), static_cast<QWidget*>(form->button9),
          static_cast<QWidget*>(form->keypadTypeCbox)}) {
        EXPECT_FALSE(control->isEnabled());
    }
    EXPECT_TRUE(form->button11->isEnabled());
    // Not on Exit, where the next Space or Enter would end the program: on Scan For Device.
    EXPECT_TRUE(form->button11->hasFocus())
        << qPrintable(QApplication::focusWidget()->objectName());
}

TEST_F(Form1Settings, FactoryResetKeepsTheFocusOffExitWhileTheWindowIsInactive) {
    // A real notice box holds the activation until the window manager hands it back, after the
    // buttons are disabled: the main window is inactive at that moment.
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget box;
    recorder.onMessage = [&box](const ui::MessageRequest& request) {
        if (request.text.startsWith(QStringLiteral("Please click on Scan For"))) {
            box.show();
            box.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        }
    };
    form->button9->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form->button9, Qt::Key_Return);
    ASSERT_EQ(recorder.messages.size(), 2u);
    ASSERT_FALSE(form->isActiveWindow());
    box.hide();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
    EXPECT_EQ(focused, form->button11) << qPrintable(focused ? focused->text() : QString());
}

TEST_F(Form1Settings, RefusedFactoryResetLeavesTheWindowAsItWas) {
    keypad->InjectFault({FaultKind::Refuse, CmdResetToDefault});
    form->button9->click();
    EXPECT_EQ(recorder.texts(),
              (QStringList{kFactoryResetQuestion, "Unable to Reset to Default..\n"}));
    EXPECT_TRUE(form->button1->isEnabled());
    EXPECT_EQ(form->keypadTypeCbox->currentIndex(), 2);
}

TEST_F(Form1Settings, FactoryResetAsksFirstAndNoSendsNothing) {
    const QString lines = form->richTextBox1->toPlainText();
    recorder.answers = {ui::Answer::No};
    form->button9->click();
    ASSERT_EQ(recorder.messages.size(), 1u);
    const ui::MessageRequest& question = recorder.messages[0];
    EXPECT_EQ(question.text, kFactoryResetQuestion);
    EXPECT_EQ(question.caption, "Vexor Echovane");
    EXPECT_EQ(question.buttons, ui::Buttons::YesNo);
    EXPECT_EQ(question.icon, ui::Icon::Question);
    EXPECT_TRUE(question.noByDefault) << "a stray Enter must not reset the keypad";
    EXPECT_TRUE(keypad->received().empty());
    EXPECT_TRUE(form->button9->isEnabled());
    EXPECT_EQ(form->keypadTypeCbox->currentIndex(), 2);
    EXPECT_EQ(form->richTextBox1->toPlainText(), lines);
}

TEST_F(Form1Settings, SaveChangesRefusedByTheKeypadLeavesTheFileAlone) {
    const std::string before = ConfigText();
    keypad->InjectFault({FaultKind::Refuse, CmdWriteDefault});
    form->button8->click();
    EXPECT_EQ(recorder.texts(), QStringList{"Unable to Write Default..\n"});
    EXPECT_EQ(ConfigText(), before);
}

// The file made at start and removed since (its folder too) is made again, as at start, rather
// than refused at every Save Changes until the program is started again.
TEST_F(Form1Settings, SaveChangesMakesTheFileAgainWhenItWasRemoved) {
    const std::filesystem::path file = platform::PathFromUtf8(FileName);
    std::filesystem::remove_all(file.parent_path());
    form->button8->click();
    EXPECT_TRUE(recorder.messages.empty()) << recorder.texts().join("|").toStdString();
    EXPECT_NE(ConfigText().find("FirstUp=Yes"), std::string::npos);
}

TEST_F(Form1Settings, SavedSettingsReplayOntoAChangedKeypad) {
    keypad->settings.customTable[1] = 0x2C;
    keypad->settings.ledBrightness = 3;
    form->button8->click();
    ASSERT_TRUE(recorder.messages.empty()) << recorder.texts().join("|").toStdString();
    EXPECT_EQ(keypad->ReceivedCodes(), (Codes{CmdWriteDefault, CmdGetStatus}));
    EXPECT_NE(ConfigText().find("FirstUp=Yes"), std::string::npos);

    keypad->settings.tableKind = 0;
    keypad->settings.ledBrightness = 9;
    keypad->settings.customTable[1] = 0x04;
    keypad->ClearReceived();
    form->button3->click();
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(keypad->ReceivedCodes(), (Codes{CmdSetKeypadType, CmdWriteCodeTable,
                                              CmdSetLedBrightness, CmdGetStatus, CmdGetBleParams}));
    EXPECT_EQ(keypad->settings.tableKind, 2);
    EXPECT_EQ(keypad->settings.ledBrightness, 3);
    EXPECT_EQ(keypad->settings.customTable[1], 0x2C);
    EXPECT_EQ(form->ledBrightnessCbox->currentIndex(), 3) << "refreshed as after a scan";
}

TEST_F(Form1Settings, RefusedLayoutDuringReplayPutsThePickerBack) {
    form->button8->click();
    Choose(form->keypadTypeCbox, 1);
    keypad->ClearReceived();
    keypad->InjectFault({FaultKind::Refuse, CmdSetKeypadType});
    form->keypadTypeCbox->setCurrentIndex(4);
    form->button3->click();
    EXPECT_EQ(recorder.texts(), QStringList{"Unable to set Keypad Type..\n"});
    EXPECT_EQ(form->keypadTypeCbox->currentIndex(), 1);
    EXPECT_EQ(keypad->ReceivedCodes(), Codes{CmdSetKeypadType});
}

TEST_F(Form1Settings, ExportThenImportGoThroughTheDialogs) {
    form->button8->click();
    testsupport::TempFolder target;
    recorder.paths.push_back(QString::fromStdString(platform::Utf8FromPath(target.path())));
    form->exitToolStripMenuItem->trigger();
    EXPECT_TRUE(recorder.messages.empty()) << recorder.texts().join("|").toStdString();
    const std::string exported = target.File("USBEchovaneUtilityCfg.ini");
    EXPECT_EQ(testsupport::ReadBytes(exported), ConfigText());
    ASSERT_EQ(recorder.fileRequests.size(), 1u);
    EXPECT_EQ(recorder.fileRequests[0].caption,
              "Select Folder - To Copy The USBEchovaneUtilityCfg.ini File");

    // A second export into the same folder asks first; No copies nothing and says nothing.
    recorder.paths.push_back(QString::fromStdString(platform::Utf8FromPath(target.path())));
    recorder.answers.push_back(ui::Answer::No);
    form->exitToolStripMenuItem->trigger();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].caption, "Save USBEchovaneUtilityCfg File");
    EXPECT_EQ(recorder.messages[0].icon, ui::Icon::Question);
    EXPECT_TRUE(recorder.messages[0].noByDefault);

    recorder.messages.clear();
    recorder.paths.push_back(QString::fromStdString(target.File("usbechovaneutilitycfg.ini")));
    form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem->trigger();
    EXPECT_EQ(recorder.texts(), QStringList{"Incorrect Filename.\n"});
    recorder.messages.clear();
    recorder.paths.push_back(QString::fromStdString(exported));
    form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem->trigger();
    EXPECT_TRUE(recorder.messages.empty()) << recorder.texts().join("|").toStdString();
}

TEST_F(Form1Settings, CancelledExportSaysSoAndCancelledImportSaysNothing) {
    form->exitToolStripMenuItem->trigger();
    form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem->trigger();
    EXPECT_EQ(recorder.texts(), QStringList{"Unable to save the cfg file.\n"});
}

TEST_F(Form1Settings, CustomiseCodeTableOpensTheEditorOnlyForACustomisableKind) {
    form->button1->click();
    EXPECT_TRUE(recorder.messages.empty());
    bool editorOpen = false;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        editorOpen |= qobject_cast<praxil_usb_encoder::My4way_layout*>(window) != nullptr &&
                      window->isVisible();
    }
    EXPECT_TRUE(editorOpen);

    keypad->settings.tableKind = 0;
    form->button1->click();
    EXPECT_EQ(recorder.texts(), QStringList{"Please select a customise table..\n"});
    recorder.messages.clear();
    keypad->InjectFault({FaultKind::Refuse, CmdGetStatus});
    form->button1->click();
    EXPECT_EQ(recorder.texts(), QStringList{"Load Table-Unable to get device status..\n"});
}

} // namespace

namespace {

TEST_F(Form1Settings, AirlumeSettingsHandsTheBleValuesToItsWindow) {
    keypad->settings.ble.name = "DESK7";
    form->btnModifyBleParam->click();
    ASSERT_TRUE(recorder.messages.empty());
    praxil_usb_encoder::Bluetooth* window = nullptr;
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
        if (auto* bluetooth = qobject_cast<praxil_usb_encoder::Bluetooth*>(candidate)) {
            window = bluetooth;
        }
    }
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->bleTextBox->text(), "DESK7");

    keypad->InjectFault({FaultKind::Refuse, CmdGetBleParams});
    form->btnModifyBleParam->click();
    EXPECT_EQ(recorder.texts(), QStringList{"Bluetooth Parameter-Unable to get device status..\n"});
}

TEST_F(Form1Settings, TestEchovaneWithAFailingStatusReadSaysSoAndOpensNothing) {
    keypad->InjectFault({FaultKind::Refuse, CmdGetStatus});
    form->button2->click();
    EXPECT_EQ(
        recorder.texts(),
        QStringList{"Unable to get device message..Please click on Scan for and try again..\n"});
    EXPECT_TRUE(form->selfTestFrm.isNull());
}

} // namespace
