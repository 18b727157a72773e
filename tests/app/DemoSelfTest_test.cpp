// The demo keypad against the self test, through the panel: its keys reach the window as a
// real keypad's would, and its default table is what the test expects, so all ten inputs mark.

#include "app/DesktopKeyEvents.h"
#include "app/SimulatedKeypadPanel.h"
#include "device/commands.h"
#include "device/discovery.h"
#include "emulator/DemoKeypad.h"
#include "selftest/VirtualKey.h"
#include "selftest/self_test.h"
#include "tests/selftest/FakeAudio.h"
#include "tests/support/EmulatorFixture.h"
#include "ui/Dialogs.h"

#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using praxil_usb_encoder::self_test;

constexpr int kSafetyTimeoutMs = 60000;

class DemoSelfTest : public testsupport::EmulatorTest {
protected:
    DemoSelfTest() {
        self_test::installMode = 0;
        bus().PlugBeforeStart(keypad);
        EXPECT_TRUE(device::RescanForKeypad().found);
        dialogs.answers = {ui::Answer::No};
    }
    ~DemoSelfTest() override { delete window.data(); }

    std::shared_ptr<emulator::SimulatedKeypad> keypad = emulator::MakeDemoKeypad();
    app::SimulatedKeypadPanel panel{keypad};
    ui::DialogRecorder dialogs;
    testsupport::FakeAudio audio;
    QPointer<self_test> window;
};

TEST_F(DemoSelfTest, PressingThePanelsTenKeysMarksAllTenInputs) {
    window = praxil_usb_encoder::OpenSelfTest(nullptr, 0);
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const auto& entry : keypad->received()) {
                if (entry.command == CmdSetKeypadType && entry.data == std::vector<uint8_t>{0}) {
                    return true;
                }
            }
            return false;
        },
        kSafetyTimeoutMs));
    panel.SetKeyTarget(window->button17);
    for (QPushButton* key : panel.keyButtons) {
        key->click();
    }
    QCoreApplication::processEvents();
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(self_test::buttonArray[static_cast<size_t>(i)]) << app::kPanelKeyNames[i];
    }
    QTest::mouseClick(window->endBtn, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, kSafetyTimeoutMs));
    EXPECT_EQ(keypad->settings.tableKind, emulator::kCustomSingleKind);
}

// The self test's reading of an X11 key's code and the demo's Windows keymap are two separate
// tables: for every key they must name the same virtual key.
TEST(DesktopKeys, AnX11KeysCodeGivesTheVirtualKeyWindowsDeliversForIt) {
    int compared = 0;
    for (int usage = 0; usage <= 0xFF; ++usage) {
        const auto code = static_cast<uint8_t>(usage);
        const auto x11 = app::KeyPressForUsage(code, 0, app::Desktop::Xkb);
        const auto windows = app::KeyPressForUsage(code, 0, app::Desktop::Windows);
        // Keypad digits: their virtual key follows Num Lock, which no keycode tells.
        const bool keypadDigit = usage >= 0x59 && usage <= 0x63;
        if (!x11 || !windows || keypadDigit) {
            continue;
        }
        const std::unique_ptr<QKeyEvent> event(app::MakeQKeyEvent(*x11));
        EXPECT_EQ(praxil_usb_encoder::VirtualKeyOf(*event),
                  static_cast<int>(windows->nativeVirtualKey))
            << "usage 0x" << std::hex << usage;
        ++compared;
    }
    EXPECT_GT(compared, 100);
}

} // namespace
