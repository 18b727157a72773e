#include "app/Form1.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "emulator/ScriptedDevice.h"
#include "tests/support/EmulatorFixture.h"
#include "ui/Dialogs.h"
#include "ui/about.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using praxil_usb_encoder::Form1;

std::string Spaces(size_t n) {
    return std::string(n, ' ');
}

const QString kNotConnectedLine = QString::fromStdString(
    "Device Connected   -    None" + Spaces(32) + "Firmware Version" + Spaces(8) + "-   None");

QStringList Items(const QComboBox* picker) {
    QStringList items;
    for (int i = 0; i < picker->count(); ++i) {
        items << picker->itemText(i);
    }
    return items;
}

const QStringList kSevenKinds = {"Default Table",
                                 "Alternate Table",
                                 "Customise Table",
                                 "Default  Multicode Table",
                                 "Alternate  Multicode Table",
                                 "Customise Multicode Table",
                                 "Mouse Table"};
const QStringList kThreeKinds = {"Default Table", "Alternate Table", "Customise Table"};

class Form1Test : public testsupport::EmulatorTest {
protected:
    QStringList StatusLines() const { return form->richTextBox1->toPlainText().split(u'\n'); }

    // The enabled state of every control that EnableDisableFunctionButtons may or may not touch.
    std::vector<QWidget*> FunctionControls() const {
        return {form->ledBrightnessCbox, form->keypadTypeCbox,   form->button1,
                form->button8,           form->button9,          form->button2,
                form->button3,           form->btnModifyBleParam};
    }
    std::vector<QWidget*> AlwaysUsable() const {
        return {form->button11, form->btnLoadFirmware, form->button10, form->menuStrip1};
    }

    void ExpectConnected() {
        for (QWidget* control : FunctionControls()) {
            EXPECT_TRUE(control->isEnabled()) << control->metaObject()->className();
        }
    }
    void ExpectNotConnected() {
        for (QWidget* control : FunctionControls()) {
            EXPECT_FALSE(control->isEnabled()) << qPrintable(control->objectName());
        }
        for (QWidget* control : AlwaysUsable()) {
            EXPECT_TRUE(control->isEnabled());
        }
        EXPECT_EQ(Form1::PickerText(form->keypadTypeCbox), "Keypad - Layout");
        EXPECT_EQ(Form1::PickerText(form->ledBrightnessCbox), "LED Brightness");
        EXPECT_EQ(StatusLines().value(0), kNotConnectedLine);
    }
    void ExpectOnlyNotConnectedMessages(size_t count) {
        ASSERT_EQ(recorder.messages.size(), count);
        for (const auto& message : recorder.messages) {
            EXPECT_EQ(message.text, "Vexor Echovane not connected..\n");
            EXPECT_EQ(message.caption, "Vexor Echovane");
            EXPECT_EQ(message.buttons, ui::Buttons::Ok);
            EXPECT_EQ(message.icon, ui::Icon::Warning);
        }
    }

    ui::DialogRecorder recorder;
    std::unique_ptr<Form1> form = std::make_unique<Form1>();
};

TEST_F(Form1Test, ControlsStartAsTheWindowIsDesigned) {
    EXPECT_EQ(form->windowTitle(), "Vexor Echovane Configuration Utility");
    EXPECT_EQ(form->label1->text(), "Vexor Echovane Configuration Utility");
    EXPECT_EQ(form->button11->geometry(), QRect(27, 82, 109, 67));
    EXPECT_EQ(form->richTextBox1->geometry(), QRect(158, 82, 680, 68));
    EXPECT_EQ(form->button10->geometry(), QRect(633, 374, 206, 67));
    EXPECT_TRUE(form->richTextBox1->isReadOnly());
    EXPECT_EQ(form->ledBrightnessCbox->count(), 10);
    EXPECT_EQ(Form1::PickerText(form->ledBrightnessCbox), "LED Brightness - 0");
    EXPECT_EQ(Form1::PickerText(form->keypadTypeCbox), "Echovane - Layout");
    EXPECT_EQ(form->minimumSize(), QSize(891, 484));
    EXPECT_EQ(form->maximumSize(), QSize(891, 524));
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    // Disabled until a keypad answers; "Reset From Configuration File" and "Airlume
    // Settings" start enabled.
    EXPECT_FALSE(form->button1->isEnabled());
    EXPECT_FALSE(form->button2->isEnabled());
    EXPECT_TRUE(form->button3->isEnabled());
    EXPECT_TRUE(form->btnModifyBleParam->isEnabled());
    // What the menus show (iconText leaves out the mnemonics' marks).
    const QStringList menus = {form->fileToolStripMenuItem->menuAction()->iconText(),
                               form->helpToolStripMenuItem->menuAction()->iconText()};
    EXPECT_EQ(menus, QStringList({"File", "Help"}));
    EXPECT_EQ(form->exitToolStripMenuItem->iconText(), "Export Cfg File");
    EXPECT_EQ(form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem1->iconText(),
              "About Echovane Configuration Utility");
}

TEST_F(Form1Test, LoadWithAKeypadShowsItsState) {
    auto keypad = PlugKeypad();
    keypad->jackInserted = true;
    keypad->horizontal = true;
    form->Form1_Load();

    EXPECT_TRUE(recorder.messages.empty());
    ExpectConnected();
    EXPECT_EQ(Items(form->keypadTypeCbox), kSevenKinds);
    EXPECT_EQ(form->ledBrightnessCbox->currentIndex(), 5);
    EXPECT_EQ(form->keypadTypeCbox->currentIndex(), 0);
    const QStringList expected = {
        QString::fromStdString("Device Connected" + Spaces(9) + "Echovane" + Spaces(34) +
                               "Firmware Version" + Spaces(8) + "-   VX0810"),
        QString::fromStdString("Code Table Loaded" + Spaces(6) + "Default Table" + Spaces(34) +
                               "Product Version" + Spaces(4) + "-  Echovane(169)"),
        QString::fromStdString("Serial Number" + Spaces(15) + "12345678" + Spaces(5) +
                               "Jack Status :Jack  IN" + Spaces(8) + "HV Status : HORIZONTAL")};
    EXPECT_EQ(StatusLines(), expected);
    // Setting the pickers from code sent nothing: only the four reads went out.
    EXPECT_EQ(keypad->ReceivedCodes(), std::vector<uint8_t>({CmdCheckMulticode, CmdGetProductType,
                                                             CmdGetStatus, CmdGetBleParams}));
    EXPECT_EQ(form->bleName, "Echovane");
    EXPECT_EQ(form->bleManufacturerData, "5F6E8D");
    EXPECT_EQ(form->blePowerLevel, "8");
    EXPECT_EQ(form->bleEnable, 1);
    EXPECT_EQ(form->serialNumber, "12345678");
    // The default table of an 810 build: Volume F17, Enter Space.
    EXPECT_EQ(form->keyCodeArray[1], 0x6C);
    EXPECT_EQ(form->keyCodeArray[11], 0x2C);
}

TEST_F(Form1Test, ShowingTheWindowLoadsItOnce) {
    auto keypad = PlugKeypad();
    form->show();
    QCoreApplication::processEvents();
    ExpectConnected();
    form->hide();
    form->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(bus().usage().openCount, 1);
}

TEST_F(Form1Test, LoadWithoutAKeypadWarnsThreeTimesAndLeavesOnlyScanUpgradeAndExit) {
    form->Form1_Load();
    ExpectOnlyNotConnectedMessages(3);
    ExpectNotConnected();
    EXPECT_EQ(StatusLines(), QStringList({kNotConnectedLine, "", ""}));
    EXPECT_EQ(Items(form->keypadTypeCbox), kThreeKinds);
    EXPECT_EQ(hid_handle.load(), nullptr);
}

TEST_F(Form1Test, ScanningTwiceNeverDuplicatesTheKinds) {
    PlugKeypad();
    form->Form1_Load();
    form->button11->click();
    form->button11->click();
    EXPECT_EQ(Items(form->keypadTypeCbox), kSevenKinds);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Form1Test, AKeypadWithoutMulticodeTablesOffersThreeKinds) {
    emulator::SimulatedKeypad::Model model;
    model.hasMulticode = false;
    PlugKeypad(model);
    form->Form1_Load();
    EXPECT_EQ(Items(form->keypadTypeCbox), kThreeKinds);
    // The failed check costs the load one more rescan, without a message.
    EXPECT_EQ(bus().usage().openCount, 2);
    EXPECT_TRUE(recorder.messages.empty());
    ExpectConnected();

    form->button11_Click();
    EXPECT_EQ(bus().usage().openCount, 3);
    EXPECT_EQ(Items(form->keypadTypeCbox), kThreeKinds);
}

TEST_F(Form1Test, KindFiveNeedsItsMulticodeTable) {
    auto keypad = PlugKeypad();
    keypad->settings.tableKind = 5;
    keypad->settings.multicodeExtra[0] = 0x2C;
    keypad->settings.multicodeExtra[49] = 0x73;
    form->Form1_Load();
    ExpectConnected();
    EXPECT_EQ(form->multipleKeyCodeArray[0], 0x2C);
    EXPECT_EQ(form->multipleKeyCodeArray[49], 0x73);
    EXPECT_EQ(Form1::PickerText(form->keypadTypeCbox), "Customise Multicode Table");

    keypad->InjectFault(
        {emulator::FaultKind::Refuse, CmdReadMulticodeTable, 0, emulator::kForever});
    keypad->settings.ledBrightness = 2;
    form->button11_Click();
    ExpectNotConnected();
    // The status block itself was read: its fields keep the new values.
    EXPECT_EQ(form->prev_ledBrightness_index, 2);
    EXPECT_EQ(form->prev_keypadType_index, 5);
}

TEST_F(Form1Test, ProductTypeNamesTheProduct) {
    emulator::SimulatedKeypad::Model model;
    model.productType = 2;
    PlugKeypad(model);
    form->Form1_Load();
    EXPECT_TRUE(StatusLines().value(1).endsWith("Product Version    -  EchovaneQT"));
}

TEST_F(Form1Test, AFailedProductTypeReadRescansAndShowsTenSpaces) {
    auto keypad = PlugKeypad();
    keypad->InjectFault({emulator::FaultKind::Refuse, CmdGetProductType});
    form->Form1_Load();
    EXPECT_EQ(form->productType, 0);
    EXPECT_EQ(bus().usage().openCount, 2);
    EXPECT_TRUE(StatusLines().value(1).endsWith("Product Version    -  " + QString(10, u' ')));
    ExpectConnected();
}

TEST_F(Form1Test, ValuesWithoutAPickerRowShowAsThePickerText) {
    emulator::SimulatedKeypad::Model model;
    model.hasMulticode = false;
    model.productType = 12;
    auto keypad = PlugKeypad(model);
    keypad->settings.tableKind = 4;
    keypad->settings.ledBrightness = 12;
    form->Form1_Load();
    EXPECT_EQ(form->keypadTypeCbox->currentIndex(), -1);
    EXPECT_EQ(Form1::PickerText(form->keypadTypeCbox), "Alternate  Multicode Table");
    EXPECT_EQ(form->ledBrightnessCbox->currentIndex(), -1);
    EXPECT_EQ(Form1::PickerText(form->ledBrightnessCbox), "LED Brightness - 12");
    EXPECT_TRUE(StatusLines().value(1).startsWith("Code Table Loaded      Alternate  Multicode"));
    EXPECT_TRUE(StatusLines().value(1).endsWith("-  Unknown Product (12)"));
}

TEST_F(Form1Test, LosingTheKeypadKeepsLinesTwoAndThree) {
    auto keypad = PlugKeypad();
    form->Form1_Load();
    const QStringList connected = StatusLines();
    bus().Unplug(keypad.get());
    form->button11_Click();
    ExpectNotConnected();
    EXPECT_EQ(StatusLines(), QStringList({kNotConnectedLine, connected[1], connected[2]}));
    // The scan warns once for the rescan and once for the failed product-type read.
    ExpectOnlyNotConnectedMessages(2);
}

TEST_F(Form1Test, AStatusReplyTooShortForTheKeyBlockLeavesTheWindowNotConnected) {
    auto device = std::make_shared<emulator::ScriptedDevice>(
        emulator::kKeypadVid, emulator::kKeypadPid,
        std::vector<emulator::InterfaceInfo>{{1, 0xFF00, 0x01}});
    device->QueueAnswer({emulator::BuildReplyReport(CmdCheckMulticode, 0, {})});
    device->QueueAnswer({emulator::BuildReplyReport(CmdGetProductType, 0, {1})});
    device->QueueAnswer({emulator::BuildReplyReport(CmdGetStatus, 0, {9, 2, 0, 0, 1, 2})});
    bus().PlugBeforeStart(device);
    form->Form1_Load();
    EXPECT_TRUE(recorder.messages.empty());
    ExpectNotConnected();
    EXPECT_EQ(form->prev_ledBrightness_index, 0);
}

class EnableDisable : public Form1Test, public testing::WithParamInterface<bool> {};

TEST_P(EnableDisable, TouchesExactlyTheFunctionControls) {
    const bool enable = GetParam();
    for (QWidget* control : FunctionControls()) {
        control->setEnabled(!enable);
    }
    for (QWidget* control : AlwaysUsable()) {
        control->setEnabled(!enable);
    }
    form->EnableDisableFunctionButtons(enable);
    for (QWidget* control : FunctionControls()) {
        EXPECT_EQ(control->isEnabled(), enable);
    }
    for (QWidget* control : AlwaysUsable()) {
        EXPECT_EQ(control->isEnabled(), !enable);
    }
}

INSTANTIATE_TEST_SUITE_P(Both, EnableDisable, testing::Bool());

TEST_F(Form1Test, ExitClosesTheKeypad) {
    PlugKeypad();
    form->Form1_Load();
    const auto before = bus().usage();
    form->button10_Click();
    EXPECT_EQ(hid_handle.load(), nullptr);
    EXPECT_EQ(bus().usage().closeCount, before.closeCount + 1);
    EXPECT_EQ(bus().usage().exitCount, before.exitCount + 1);
}

TEST_F(Form1Test, ExitWithoutAKeypadLeavesTheDeviceLibraryAlone) {
    form->Form1_Load();
    const auto before = bus().usage();
    form->exitToolStripMenuItem1->trigger();
    EXPECT_EQ(bus().usage().exitCount, before.exitCount);
    EXPECT_EQ(bus().usage().closeCount, before.closeCount);
}

TEST_F(Form1Test, ClosingTheWindowClosesTheKeypad) {
    PlugKeypad();
    form->Form1_Load();
    const auto before = bus().usage();
    form->close();
    EXPECT_EQ(hid_handle.load(), nullptr);
    EXPECT_EQ(bus().usage().closeCount, before.closeCount + 1);
}

TEST_F(Form1Test, ButtonsThatReadTheKeypadWarnWhenItIsGone) {
    auto keypad = PlugKeypad();
    form->Form1_Load();
    bus().Unplug(keypad.get());

    form->button2->click();
    form->btnModifyBleParam->click();
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].text,
              "Unable to get device message..Please click on Scan for and try again..\n");
    EXPECT_EQ(recorder.messages[1].text, "Bluetooth Parameter-Unable to get device status..\n");
    for (const auto& message : recorder.messages) {
        EXPECT_EQ(message.caption, "Vexor Echovane");
        EXPECT_EQ(message.icon, ui::Icon::Warning);
    }
}

TEST_F(Form1Test, UpdateFirmwareWarnsThenAsksAndStopsOnNo) {
    auto keypad = PlugKeypad();
    form->Form1_Load();
    bus().Unplug(keypad.get());
    recorder.answers = {ui::Answer::Ok, ui::Answer::No};
    form->btnLoadFirmware->click();
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].text, "Unable to get device status information\n");
    EXPECT_EQ(recorder.messages[1].text, "Are you sure you want to upgrade the firmware?");
    EXPECT_EQ(recorder.messages[1].caption, "Firmware Upgrade");
    EXPECT_EQ(recorder.messages[1].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(recorder.messages[1].icon, ui::Icon::Question);
    EXPECT_TRUE(recorder.messages[1].noByDefault);
}

TEST_F(Form1Test, UpdateFirmwareAnsweredNoLeavesTheKeypadInItsFirmware) {
    auto keypad = PlugKeypad();
    form->Form1_Load();
    recorder.answers = {ui::Answer::No};
    form->btnLoadFirmware->click();
    ASSERT_EQ(recorder.messages.size(), 1u);
    const auto codes = keypad->ReceivedCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CmdEnterBsl), 0);
}

// Closed, the upgrade window says to scan again: the focus is on Scan For Device, not on the
// button that opened it.
TEST_F(Form1Test, TheClosedUpgradeWindowLeavesTheFocusOnScan) {
    PlugKeypad();
    form->Form1_Load();
    recorder.answers = {ui::Answer::Yes};
    form->btnLoadFirmware->setFocus();
    form->btnLoadFirmware->click();
    QPointer<QWidget> window = form->firmwareUpgradeFrm;
    ASSERT_FALSE(window.isNull());
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 5000));
    EXPECT_EQ(form->focusWidget(), form->button11);
}

TEST_F(Form1Test, AboutOpensModelessAtTheWindowsPosition) {
    form->move(120, 80);
    form->show();
    QCoreApplication::processEvents();
    form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem1->trigger();
    auto boxes = form->findChildren<praxil_usb_encoder::about*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->pos(), form->pos());
    EXPECT_TRUE(form->isEnabled());
    // F1 again brings the open box forward rather than stacking another on it.
    form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem1->trigger();
    EXPECT_EQ(form->findChildren<praxil_usb_encoder::about*>().size(), 1);
    boxes[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem1->trigger();
    boxes = form->findChildren<praxil_usb_encoder::about*>();
    ASSERT_EQ(boxes.size(), 1) << "closed, it opens anew";
    EXPECT_TRUE(boxes[0]->isVisible());
    boxes[0]->close();
}

} // namespace
