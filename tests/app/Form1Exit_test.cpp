// Exit from the main window ("Exit", File > Exit, the close box) while the self test works on
// the keypad: the test stops, its restore of code table and brightness reaches the keypad on
// the open handle, the handle is closed and the program's loop ends.

#include "app/Form1.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "selftest/KeyPrompt.h"
#include "selftest/self_test.h"
#include "tests/selftest/FakeAudio.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/EventLoopRun.h"
#include "ui/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <ostream>
#include <thread>

namespace {

using praxil_usb_encoder::Form1;
using praxil_usb_encoder::self_test;

enum class ExitWay { Button, Menu, CloseBox };

void PressExit(Form1& form, ExitWay way) {
    switch (way) {
    case ExitWay::Button:
        form.button10->click();
        break;
    case ExitWay::Menu:
        form.exitToolStripMenuItem1->trigger();
        break;
    case ExitWay::CloseBox:
        form.close();
        break;
    }
}

// Where the self test is when Exit comes: which LED command it is sending (counted from the
// first), or the key prompt, or the key phase after the switch to table 0.
enum class Phase { Blink, Sweep, Prompt, Keys };
constexpr int kSecondBrightEight = 4; // off, 8, off, 8
constexpr int kSweepLevelFour = 14;   // 8 blink commands, off, levels 0 .. 4

struct ExitCase {
    Phase phase;
    ExitWay way;
};

void PrintTo(const ExitCase& c, std::ostream* out) {
    *out << int(c.phase) << "/" << int(c.way);
}

constexpr uint8_t kOwnTable = 2;
constexpr uint8_t kOwnBrightness = 6;

class ExitDuringSelfTest : public testsupport::EmulatorTest,
                           public ::testing::WithParamInterface<ExitCase> {
protected:
    ExitDuringSelfTest() {
        self_test::installMode = 0;
        keypad = PlugKeypad();
        keypad->settings.tableKind = kOwnTable;
        keypad->settings.ledBrightness = kOwnBrightness;
        form = std::make_unique<Form1>();
        form->show();
        // The window loads once it is on screen.
        QCoreApplication::processEvents();
        keypad->ClearReceived();
        // No microphone.
        dialogs.answers = {ui::Answer::No};
    }
    ~ExitDuringSelfTest() override {
        praxil_usb_encoder::SetKeyPromptFunction(nullptr);
        keypad->onCommand = nullptr;
        form.reset();
    }

    // The worker waits in the keypad's answer until Exit has told the test to stop, so Exit
    // comes in exactly this phase. (Bounded, so a broken Exit fails instead of hanging.)
    void HoldTheWorkerUntilExit() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        exitWanted = true;
        while (std::chrono::steady_clock::now() < deadline) {
            self_test* window = openTest.load();
            if (window != nullptr && window->closeForm.load() == 1) {
                return;
            }
            std::this_thread::yield();
        }
    }

    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    std::unique_ptr<Form1> form;
    ui::DialogRecorder dialogs;
    testsupport::FakeAudio audio;
    std::atomic<bool> exitWanted{false};
    std::atomic<self_test*> openTest{nullptr};
};

TEST_P(ExitDuringSelfTest, EndsTheProgramWithTheKeypadPutBack) {
    const ExitCase c = GetParam();
    int brightnessCommands = 0;
    keypad->onCommand = [&](const emulator::ReceivedCommand& command) {
        if (command.command == CmdSetLedBrightness) {
            ++brightnessCommands;
            if ((c.phase == Phase::Blink && brightnessCommands == kSecondBrightEight) ||
                (c.phase == Phase::Sweep && brightnessCommands == kSweepLevelFour)) {
                HoldTheWorkerUntilExit();
            }
        }
        if (c.phase == Phase::Keys && command.command == CmdSetKeypadType &&
            command.data == std::vector<uint8_t>{0}) {
            exitWanted = true;
        }
    };
    praxil_usb_encoder::SetKeyPromptFunction([&](QWidget*, const QString&) {
        if (c.phase == Phase::Prompt) {
            PressExit(*form, c.way);
        }
    });

    bool opened = false;
    bool pressed = false;
    QPointer<self_test> window;
    const int result = testsupport::RunEventLoop([&] {
        if (!opened) {
            opened = true;
            form->button2->click();
            window = qobject_cast<self_test*>(form->selfTestFrm.data());
            openTest = window.data();
        }
        if (exitWanted && !pressed) {
            pressed = true;
            PressExit(*form, c.way);
        }
    });

    EXPECT_EQ(result, 0) << "Exit did not end the program's loop";
    ASSERT_NE(openTest.load(), nullptr);
    EXPECT_TRUE(window.isNull() || !window->isVisible());
    EXPECT_EQ(hid_handle.load(), nullptr);
    EXPECT_EQ(keypad->settings.tableKind, kOwnTable);
    EXPECT_EQ(keypad->settings.ledBrightness, kOwnBrightness);
    const auto received = keypad->received();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[received.size() - 2].command, CmdSetKeypadType);
    EXPECT_EQ(received[received.size() - 2].data, std::vector<uint8_t>{kOwnTable});
    EXPECT_EQ(received.back().command, CmdSetLedBrightness);
    EXPECT_EQ(received.back().data, std::vector<uint8_t>{kOwnBrightness});
    // The test was stopped, not run to the end: the key phase's table 0 never came before
    // the prompt, and the sweep never reached level 9 before the key phase.
    if (c.phase != Phase::Keys) {
        for (size_t i = 0; i + 2 < received.size(); ++i) {
            EXPECT_NE(received[i].command, CmdSetKeypadType) << i;
        }
    }
    // No message besides the microphone question.
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

std::vector<ExitCase> AllCases() {
    std::vector<ExitCase> cases;
    for (const Phase phase : {Phase::Blink, Phase::Sweep, Phase::Prompt, Phase::Keys}) {
        for (const ExitWay way : {ExitWay::Button, ExitWay::Menu, ExitWay::CloseBox}) {
            cases.push_back({phase, way});
        }
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<ExitCase>& info) {
    static const char* const phases[] = {"Blink", "Sweep", "Prompt", "Keys"};
    static const char* const ways[] = {"Button", "Menu", "CloseBox"};
    return std::string(phases[int(info.param.phase)]) + ways[int(info.param.way)];
}

INSTANTIATE_TEST_SUITE_P(PhasesAndWays, ExitDuringSelfTest, ::testing::ValuesIn(AllCases()),
                         CaseName);

// While the self test has the keypad on its own table and brightness, the main window saves,
// edits, replays and upgrades nothing (it would take those for the keypad's), also after a scan;
// once the test window is gone the main window shows the keypad as it was put back.
TEST_F(ExitDuringSelfTest, TheMainWindowLeavesTheKeypadToARunningTest) {
    praxil_usb_encoder::SetKeyPromptFunction([](QWidget*, const QString&) {});
    const auto mainWindowActions = [this] {
        return std::vector<QWidget*>{form->button1,         form->button3,
                                     form->button8,         form->button9,
                                     form->btnLoadFirmware, form->btnModifyBleParam,
                                     form->keypadTypeCbox,  form->ledBrightnessCbox};
    };
    QPointer<self_test> window;
    bool opened = false;
    const int result = testsupport::RunEventLoop([&] {
        if (!opened) {
            opened = true;
            form->button2->click();
            window = qobject_cast<self_test*>(form->selfTestFrm.data());
            ASSERT_TRUE(window && window->SequenceStarted());
            form->button11->click();
            for (QWidget* action : mainWindowActions()) {
                EXPECT_FALSE(action->isEnabled()) << action->accessibleName().toStdString();
            }
            EXPECT_TRUE(form->button11->isEnabled());
            window->endBtn->click();
        } else if (window.isNull()) {
            QCoreApplication::exit(0);
        }
    });
    ASSERT_EQ(result, 0) << "the self test window never went";
    for (QWidget* action : mainWindowActions()) {
        EXPECT_TRUE(action->isEnabled()) << action->accessibleName().toStdString();
    }
    EXPECT_EQ(keypad->settings.tableKind, kOwnTable);
    EXPECT_EQ(form->keypadTypeCbox->currentIndex(), kOwnTable);
    EXPECT_EQ(form->ledBrightnessCbox->currentIndex(), kOwnBrightness);
}

// A self test whose own status read failed runs nothing; Exit closes it and ends.
TEST_F(ExitDuringSelfTest, WithATestThatNeverStartedEndsAsWell) {
    keypad->InjectFault({.kind = emulator::FaultKind::Refuse, .command = CmdGetStatus, .skip = 1});
    bool opened = false;
    const int result = testsupport::RunEventLoop([&] {
        if (!opened) {
            opened = true;
            form->button2->click();
            EXPECT_TRUE(form->selfTestFrm);
            form->button10->click();
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(keypad->ReceivedCodes(), (std::vector<uint8_t>{CmdGetStatus, CmdGetStatus}));
    EXPECT_EQ(hid_handle.load(), nullptr);
}

} // namespace
