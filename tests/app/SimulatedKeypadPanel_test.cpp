#include "app/SimulatedKeypadPanel.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "device/frame.h"
#include "emulator/DemoKeypad.h"
#include "emulator/SimulatedBootLoader.h"
#include "emulator/SimulatedRamBsl.h"
#include "keypad/Exchange.h"
#include "tests/support/EmulatorFixture.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class KeyRecorder : public QWidget {
public:
    QList<int> keys;
    QString text;
    QList<Qt::KeyboardModifiers> modifiers;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        keys << event->key();
        text += event->text();
        modifiers << event->modifiers();
    }
};

class PanelTest : public testsupport::EmulatorTest {
protected:
    PanelTest() {
        bus().Plug(keypad);
        panel.SetKeyTarget(&target);
    }
    std::shared_ptr<emulator::SimulatedKeypad> keypad = emulator::MakeDemoKeypad();
    KeyRecorder target;
    app::SimulatedKeypadPanel panel{keypad};
};

TEST(DemoKeypad, IsTheTenKeyKeypadOnItsCustomiseTable) {
    const auto keypad = emulator::MakeDemoKeypad();
    EXPECT_TRUE(keypad->model.hasMulticode);
    EXPECT_TRUE(keypad->model.hasBle);
    EXPECT_EQ(keypad->settings.tableKind, 2);
    EXPECT_EQ(keypad->model.firmwareVersion, "1.0.810");
    EXPECT_EQ(keypad->model.serialNumber, "00012345");
}

TEST_F(PanelTest, AKeySendsTheCodeOfTheActiveTable) {
    keypad->settings.customTable[0] = 0xE1; // Volume: left shift + a
    keypad->settings.customTable[1] = 0x04;
    panel.keyButtons[0]->click();
    QCoreApplication::processEvents();
    // Shift goes down first, as a real keyboard's does.
    EXPECT_EQ(target.keys, QList<int>({Qt::Key_Shift, Qt::Key_A}));
    EXPECT_EQ(target.text, "A");
    EXPECT_EQ(target.modifiers.value(1), Qt::ShiftModifier);
}

TEST_F(PanelTest, TheMulticodeTableTypesAllCodesOfTheKey) {
    keypad->settings.tableKind = 5;
    keypad->settings.multicodeTable[10] = 0; // Enter: a, b, c
    keypad->settings.multicodeTable[11] = 0x04;
    keypad->settings.multicodeExtra[25] = 0x05;
    keypad->settings.multicodeExtra[26] = 0x06;
    panel.PressKey(5);
    QCoreApplication::processEvents();
    EXPECT_EQ(target.text, "abc");
}

TEST_F(PanelTest, TurningAndTheJackChangeTheKeypadAndPressTheirKeys) {
    // The factory's customisable table is F1..F10.
    panel.SetJackInserted(true);
    panel.SetHorizontal(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(keypad->jackInserted);
    EXPECT_TRUE(keypad->horizontal);
    EXPECT_EQ(target.keys, QList<int>({Qt::Key_F9, Qt::Key_F7}));
    panel.keyButtons[app::kJackOutKey]->click();
    panel.keyButtons[app::kVerticalKey]->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(keypad->jackInserted);
    EXPECT_FALSE(keypad->horizontal);
    EXPECT_EQ(target.keys.mid(2), QList<int>({Qt::Key_F10, Qt::Key_F8}));
}

// The buttons take no focus; their keys work from the window that has it, which gets what they
// type: Ctrl+Shift+F1 is the table's first key, Ctrl+Shift+F10 its tenth, Ctrl+Shift+P the cable.
TEST_F(PanelTest, EachButtonHasItsKeysFromTheFocusedWindow) {
    panel.show();
    target.show();
    target.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&target));
    // What the buttons type, as the shortcuts should.
    panel.keyButtons[0]->click();
    panel.keyButtons[app::kJackOutKey]->click();
    QCoreApplication::processEvents();
    const QList<int> typed = target.keys;
    ASSERT_FALSE(typed.isEmpty());
    target.keys.clear();
    keypad->jackInserted = true;
    QTest::keyClick(&target, Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&target, Qt::Key_F10, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::processEvents();
    // The test's own presses of Ctrl and Shift reach the window too.
    target.keys.removeAll(Qt::Key_Control);
    target.keys.removeAll(Qt::Key_Shift);
    EXPECT_EQ(target.keys, typed) << "the panel's keys, not the shortcuts themselves";
    EXPECT_FALSE(keypad->jackInserted) << "Jack OUT";
    QTest::keyClick(&target, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(panel.IsPlugged());
    // Also while a modal box waits for an answer: a cable can be pulled then too.
    QDialog box(&target);
    box.setModal(true);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QTest::keyClick(&box, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(panel.IsPlugged());
    EXPECT_EQ(panel.plugButton->toolTip(),
              QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_P)
                  .toString(QKeySequence::NativeText));
}

TEST_F(PanelTest, BesideAWindowAtTheScreensRightEdgeItStaysOnTheScreen) {
    QWidget window;
    window.resize(300, 200);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window.move(area.right() - 320, area.top() + 40);
    window.show();
    panel.ShowBeside(window);
    EXPECT_LE(panel.frameGeometry().right(), area.right());
    EXPECT_EQ(panel.y(), window.frameGeometry().top());
    window.move(area.left(), area.top());
    panel.ShowBeside(window);
    EXPECT_EQ(panel.x(), window.frameGeometry().right() + 12);
    // No room on either side, but room on the screen for both: side by side.
    window.resize(area.width() - panel.frameGeometry().width() - 40, 200);
    window.move(area.left() + 30, area.top());
    panel.ShowBeside(window);
    EXPECT_GE(window.frameGeometry().left(), area.left());
    EXPECT_EQ(panel.x(), window.frameGeometry().right() + 12);
    EXPECT_LE(panel.frameGeometry().right(), area.right());
}

TEST_F(PanelTest, AnUnpluggedKeypadTypesNothingAndComesBackAlone) {
    bus().Plug(std::make_shared<emulator::SilentBootLoader>());
    panel.plugButton->click();
    EXPECT_FALSE(panel.IsPlugged());
    panel.PressKey(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(target.keys.isEmpty());
    panel.SetPlugged(true);
    EXPECT_TRUE(panel.IsPlugged());
    ASSERT_EQ(bus().Devices().size(), 1u);
    EXPECT_EQ(bus().Devices()[0], keypad);
}

// The keypad off the bus for a moment (rebooting, re-enumerating) is still plugged in: the
// button pulls the cable, and what the keypad was about to do never happens.
TEST_F(PanelTest, UnpluggingAKeypadOffTheBusForAMomentCutsItsPower) {
    clock().AdvanceMs(emulator::SimulatedDevice::kAccessAfterPlugMs);
    ASSERT_TRUE(device::RescanForKeypad().found);
    // A factory reset: the keypad reboots.
    ASSERT_EQ(keypad::Send(CmdResetToDefault), kExchangeOk);
    clock().AdvanceMs(100);
    ASSERT_TRUE(bus().Devices().empty());
    EXPECT_TRUE(panel.IsPlugged());
    panel.plugButton->click();
    EXPECT_FALSE(panel.IsPlugged());
    clock().AdvanceMs(keypad->rebootMs + 1000);
    EXPECT_TRUE(bus().Devices().empty()) << "it came back with its cable out";
    panel.plugButton->click();
    EXPECT_TRUE(panel.IsPlugged());
    EXPECT_TRUE(bus().IsPlugged(keypad.get()));
}

// Unplugging a keypad whose MCU sits in its boot loader is a power cut like any other: plugged in
// again it comes up as its flash holds it, here with the reset vector erased by a download cut
// short: the loader again.
TEST_F(PanelTest, AKeypadInItsLoaderIsPluggedInAndAPowerCutKeepsItThere) {
    auto loader = emulator::AttachDemoBootLoader(*keypad);
    bus().Unplug(keypad.get());
    bus().Plug(loader);
    EXPECT_TRUE(panel.IsPlugged());
    // The panel looks at the bus a few times a second.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return panel.stateLabel->text().startsWith("Plugged in, in its boot loader");
    })) << panel.stateLabel->text().toStdString();

    emulator::McuMemory memory = loader->memory();
    memory.InstallApplication(keypad->model.firmwareVersion, emulator::SimulatedPassword());
    memory.EraseSegment(emulator::kResetVectorAddress);
    loader->SetMemory(memory);
    panel.plugButton->click();
    EXPECT_FALSE(panel.IsPlugged());
    panel.plugButton->click();
    clock().AdvanceMs(loader->options.restartMs + 10);
    EXPECT_TRUE(panel.IsPlugged());
    EXPECT_TRUE(bus().IsPlugged(loader.get()));
    EXPECT_EQ(loader->mode(), emulator::SimulatedBootLoader::Mode::FlashBsl);
}

} // namespace
