#include "selftest/self_test.h"

#include "device/commands.h"
#include "device/discovery.h"
#include "platform/clock.h"
#include "selftest/KeyPrompt.h"
#include "selftest/SelfTestFiles.h"
#include "selftest/SelfTestTexts.h"
#include "tests/selftest/FakeAudio.h"
#include "tests/support/BoundedThread.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/RecordedX11Keys.h"
#include "ui/Dialogs.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

using praxil_usb_encoder::self_test;

// Nothing here waits on wall-clock time: the sequence runs on virtual time, so a wait that
// reaches this bound has found a hang.
constexpr int kSafetyTimeoutMs = testsupport::kStuckAfterMs;

// What the keypad was sent, for failure messages: "01 02:00 02:08 ...".
std::string Sent(const emulator::SimulatedKeypad& keypad) {
    std::string text;
    for (const auto& entry : keypad.received()) {
        char item[8];
        std::snprintf(item, sizeof item, entry.data.empty() ? " %02X" : " %02X:%02X", entry.command,
                      entry.data.empty() ? 0 : entry.data[0]);
        text += item;
    }
    return text.empty() ? " nothing" : text;
}

class SelfTestWindow : public testsupport::EmulatorTest {
protected:
    void SetUp() override { self_test::installMode = 0; }

    void TearDown() override {
        if (window_) {
            delete window_.data();
        }
    }

    std::shared_ptr<emulator::SimulatedKeypad> Connect(const std::string& firmware, int table = 0,
                                                       int brightness = 4) {
        emulator::SimulatedKeypad::Model model;
        model.firmwareVersion = firmware;
        auto keypad = PlugKeypad(model);
        keypad->settings.tableKind = static_cast<uint8_t>(table);
        keypad->settings.ledBrightness = static_cast<uint8_t>(brightness);
        EXPECT_TRUE(device::RescanForKeypad().found);
        keypad->ClearReceived();
        return keypad;
    }

    // Opens the window as "Test Echovane" does; the microphone question gets No unless
    // answers were queued.
    self_test* Open() {
        if (dialogs_.answers.empty()) {
            dialogs_.answers.push_back(ui::Answer::No);
        }
        window_ = praxil_usb_encoder::OpenSelfTest(nullptr, 0);
        return window_;
    }

    // The key phase has begun once the keypad is on table 0 after the prompt. A sequence that
    // never started or ended early fails at once, saying what the keypad was sent.
    ::testing::AssertionResult WaitForKeyPhase(const emulator::SimulatedKeypad& keypad) {
        const auto inKeyPhase = [&] {
            for (const auto& entry : keypad.received()) {
                if (entry.command == CmdSetKeypadType && entry.data == std::vector<uint8_t>{0}) {
                    return true;
                }
            }
            return false;
        };
        if (window_ && !window_->SequenceStarted()) {
            return ::testing::AssertionFailure()
                   << "the self test never started its sequence; the keypad was sent"
                   << Sent(keypad);
        }
        static_cast<void>(
            QTest::qWaitFor([&] { return inKeyPhase() || window_.isNull(); }, kSafetyTimeoutMs));
        if (inKeyPhase()) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << (window_.isNull() ? "the self test ended before the key phase"
                                    : "the self test did not reach the key phase in time")
               << "; the keypad was sent" << Sent(keypad);
    }

    ::testing::AssertionResult CloseAndWait() {
        if (!window_) {
            return ::testing::AssertionFailure() << "the window was gone before Close";
        }
        QTest::mouseClick(window_->endBtn, Qt::LeftButton);
        if (QTest::qWaitFor([&] { return window_.isNull(); }, kSafetyTimeoutMs)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the window did not close after Close";
    }

    QPushButton* Marker(int input) { return window_->markers[static_cast<size_t>(input)]; }

    static bool Marked(QPushButton* marker) { return marker->styleSheet().contains("blue.bmp"); }
    // A button's words as shown, without the mark of its underlined letter.
    static QString Words(const QPushButton* button) { return QString(button->text()).remove(u'&'); }

    ui::DialogRecorder dialogs_;
    testsupport::FakeAudio audio_;
    QPointer<self_test> window_;
};

TEST_F(SelfTestWindow, RunsTheWholeSequenceAndRestoresOnClose) {
    auto keypad = Connect("VX0810", 1, 6);
    Open();
    ASSERT_TRUE(window_);
    EXPECT_EQ(window_->windowTitle(), "Self Test");
    EXPECT_EQ(window_->ledLevelLbl->text(), "6");
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window_.isNull() || window_->brightnessCheckBox->isChecked(); },
        kSafetyTimeoutMs));
    ASSERT_TRUE(window_) << "the window closed during the sweep";
    EXPECT_TRUE(window_->ledCheckBox->isChecked());
    EXPECT_EQ(window_->ledLevelLbl->text(), "9");
    EXPECT_EQ(window_->ledLbl->palette().color(QPalette::Window), QColor(0x90, 0xEE, 0x90));
    EXPECT_EQ(window_->ledLevelLbl->palette().color(QPalette::Window), QColor(0x90, 0xEE, 0x90));
    EXPECT_EQ(keypad->settings.tableKind, 0);

    ASSERT_TRUE(CloseAndWait());
    std::vector<std::pair<uint8_t, int>> sent;
    for (const auto& entry : keypad->received()) {
        sent.emplace_back(entry.command, entry.data.empty() ? -1 : entry.data[0]);
    }
    std::vector<std::pair<uint8_t, int>> expected = {{CmdGetStatus, -1}};
    for (int round = 0; round < 4; ++round) {
        expected.insert(expected.end(), {{CmdSetLedBrightness, 0}, {CmdSetLedBrightness, 8}});
    }
    expected.push_back({CmdSetLedBrightness, 0});
    for (int level = 0; level < 10; ++level) {
        expected.push_back({CmdSetLedBrightness, level});
    }
    expected.insert(expected.end(), {{CmdSetLedBrightness, 0},
                                     {CmdSetLedBrightness, 6},
                                     {CmdSetKeypadType, 0},
                                     {CmdSetKeypadType, 1},
                                     {CmdSetLedBrightness, 6}});
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(keypad->settings.tableKind, 1);
    EXPECT_EQ(keypad->settings.ledBrightness, 6);

    // Opening asked about the microphone, the worker for the keys.
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_EQ(dialogs_.messages[0].text, "Does Echovane have microphone support?");
    EXPECT_EQ(dialogs_.messages[0].caption, "VexorEchovaneUtility");
    EXPECT_EQ(dialogs_.messages[0].buttons, ui::Buttons::YesNo);
    EXPECT_EQ(dialogs_.messages[0].icon, ui::Icon::Warning);
    EXPECT_EQ(dialogs_.messages[1].text, "Press each key  on Echovane... ");
    EXPECT_EQ(dialogs_.messages[1].buttons, ui::Buttons::Ok);
    // The sound played on showing and stopped on Close.
    ASSERT_EQ(audio_.log->played.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(audio_.log->played[0]).endsWith(".mp3"));
    EXPECT_EQ(audio_.log->playersOpen, 0);
}

TEST_F(SelfTestWindow, CloseDuringTheBlinkEndsWithinTheRoundAndRestores) {
    auto keypad = Connect("VX0810", 2, 5);
    // The second "brightness 8" waits in flight until the window thread has pressed "Close".
    std::atomic<bool> closeWanted{false};
    std::promise<void> pressed;
    int brightEights = 0;
    keypad->onCommand = [&](const emulator::ReceivedCommand& command) {
        if (command.command == CmdSetLedBrightness && command.data[0] == 8 && ++brightEights == 2) {
            closeWanted = true;
            pressed.get_future().wait_for(testsupport::kStuckAfter);
        }
    };
    Open();
    ASSERT_TRUE(window_ && window_->SequenceStarted())
        << "no sequence to close; the keypad was sent" << Sent(*keypad);
    bool clicked = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (closeWanted && !clicked) {
                clicked = true;
                QTest::mouseClick(window_->endBtn, Qt::LeftButton);
                pressed.set_value();
            }
            return window_.isNull();
        },
        kSafetyTimeoutMs))
        << "the window did not close after Close in the blink; the keypad was sent"
        << Sent(*keypad);
    EXPECT_EQ(keypad->ReceivedCodes(),
              (std::vector<uint8_t>{CmdGetStatus, CmdSetLedBrightness, CmdSetLedBrightness,
                                    CmdSetLedBrightness, CmdSetLedBrightness, CmdSetKeypadType,
                                    CmdSetLedBrightness}));
    EXPECT_EQ(keypad->settings.tableKind, 2);
    EXPECT_EQ(keypad->settings.ledBrightness, 5);
}

// A test that ends on its own, or whose keypad does not take its settings back, says so once
// the window has gone: one that vanished without a word would pass for ended.
TEST_F(SelfTestWindow, AKeypadThatStopsAnsweringEndsTheTestWithAWord) {
    auto keypad = Connect("VX0810", 2, 5);
    keypad->InjectFault(
        {.kind = emulator::FaultKind::Refuse, .command = CmdSetLedBrightness, .skip = 3});
    Open();
    ASSERT_TRUE(window_ && window_->SequenceStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_.isNull(); }, kSafetyTimeoutMs))
        << "the self test did not end; the keypad was sent" << Sent(*keypad);
    EXPECT_EQ(dialogs_.texts().back(), QString::fromLatin1(selftest::kSequenceFailedText) + "\n");
    EXPECT_EQ(keypad->settings.tableKind, 2);
    EXPECT_EQ(keypad->settings.ledBrightness, 5);
}

TEST_F(SelfTestWindow, ACodeTableNotPutBackIsSaid) {
    auto keypad = Connect("VX0810", 2, 5);
    // The key phase's table 0 is taken; the table put back after Close is not.
    keypad->InjectFault(
        {.kind = emulator::FaultKind::Refuse, .command = CmdSetKeypadType, .skip = 1});
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    const qsizetype boxes = dialogs_.texts().size();
    ASSERT_TRUE(CloseAndWait());
    ASSERT_EQ(dialogs_.texts().size(), boxes + 1);
    EXPECT_EQ(dialogs_.texts().back(), QString::fromLatin1(selftest::kRestoreFailedText) + "\n");
    EXPECT_EQ(keypad->settings.ledBrightness, 5) << "the brightness is still put back";
}

class SelfTestMarkers : public SelfTestWindow, public ::testing::WithParamInterface<int> {};

TEST_P(SelfTestMarkers, ShowOnlyForSingleCodeTablesWhileTheTableSwitchHappensAnyway) {
    const int table = GetParam();
    auto keypad = Connect("VX0810", table);
    Open();
    const bool single = table <= 2;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(Marker(i)->isHidden(), !single) << i;
    }
    if (single) {
        EXPECT_EQ(Marker(0)->pos(), QPoint(178, 382));
        EXPECT_EQ(Marker(9)->pos(), QPoint(178, 499));
        EXPECT_EQ(Marker(5)->text(), "Select");
        EXPECT_EQ(Marker(9)->text(), "jack out");
        EXPECT_TRUE(Marker(0)->styleSheet().contains("#808080"));
    }
    EXPECT_FALSE(window_->pictureBox1->pixmap().isNull());
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    ASSERT_TRUE(CloseAndWait());
    EXPECT_EQ(keypad->settings.tableKind, table);
}

INSTANTIATE_TEST_SUITE_P(Tables, SelfTestMarkers, ::testing::Range(0, 7));

TEST_F(SelfTestWindow, MarksEachExpectedKeyOnceAndIgnoresModifiedOnes) {
    auto keypad = Connect("VX0810");
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    const QPoint before = Marker(1)->mapTo(window_, QPoint(0, 0));

    QTest::keyClick(window_, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(window_, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(window_, Qt::Key_Left, Qt::AltModifier);
    EXPECT_FALSE(self_test::buttonArray[1]);

    QTest::keyClick(window_, Qt::Key_Left);
    EXPECT_TRUE(self_test::buttonArray[1]);
    EXPECT_EQ(Marker(1)->parentWidget(), window_->pictureBox1);
    EXPECT_EQ(Marker(1)->mapTo(window_, QPoint(0, 0)), before);
    EXPECT_TRUE(Marked(Marker(1)));
    EXPECT_TRUE(Marker(1)->isVisible());
    const QString style = Marker(1)->styleSheet();
    QTest::keyClick(window_, Qt::Key_Left);
    EXPECT_EQ(Marker(1)->styleSheet(), style);

    // "810" firmware expects Space for Select, not Enter; the key goes to the focused Play
    // button without pressing it.
    QTest::keyClick(window_->button17, Qt::Key_Return);
    EXPECT_FALSE(self_test::buttonArray[5]);
    QTest::keyClick(window_->button17, Qt::Key_Space);
    EXPECT_TRUE(self_test::buttonArray[5]);
    EXPECT_EQ(audio_.log->played.size(), 1u);

    for (Qt::Key key : {Qt::Key_F17, Qt::Key_Right, Qt::Key_Down, Qt::Key_Up, Qt::Key_F18,
                        Qt::Key_F19, Qt::Key_F15, Qt::Key_F16}) {
        QTest::keyClick(window_, key);
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(self_test::buttonArray[i]) << i;
        EXPECT_TRUE(Marked(Marker(i))) << i;
    }
    ASSERT_TRUE(CloseAndWait());
}

struct FirmwareKeys {
    const char* firmware;
    Qt::Key volume;
    Qt::Key select;
};

void PrintTo(const FirmwareKeys& c, std::ostream* out) {
    *out << c.firmware;
}

class SelfTestFirmwareKeys : public SelfTestWindow,
                             public ::testing::WithParamInterface<FirmwareKeys> {};

TEST_P(SelfTestFirmwareKeys, ExpectTheCodesOfThatFirmware) {
    const FirmwareKeys& c = GetParam();
    auto keypad = Connect(c.firmware);
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    QTest::keyClick(window_, Qt::Key_Space);
    QTest::keyClick(window_, Qt::Key_Return);
    QTest::keyClick(window_, Qt::Key_F12);
    QTest::keyClick(window_, Qt::Key_F17);
    EXPECT_TRUE(self_test::buttonArray[0]);
    EXPECT_TRUE(self_test::buttonArray[5]);
    EXPECT_EQ(self_test::actualKeyCode[0], c.volume == Qt::Key_F12 ? 0x7B : 0x80);
    EXPECT_EQ(self_test::actualKeyCode[5], c.select == Qt::Key_Space ? 0x20 : 0x0D);
    ASSERT_TRUE(CloseAndWait());
}

INSTANTIATE_TEST_SUITE_P(Versions, SelfTestFirmwareKeys,
                         ::testing::Values(FirmwareKeys{"VX0810", Qt::Key_F17, Qt::Key_Space},
                                           FirmwareKeys{"778810", Qt::Key_F17, Qt::Key_Return},
                                           FirmwareKeys{"VX0828", Qt::Key_F12, Qt::Key_Return},
                                           FirmwareKeys{"VX0901", Qt::Key_F17, Qt::Key_Return}),
                         [](const auto& info) {
                             return "Firmware" + std::string(info.param.firmware);
                         });

// What an X11 session delivers for each of the ten inputs of a real keypad on its default
// table, by firmware column: only Volume and Select differ.
struct X11Column {
    const char* firmware;
    const char* volume;
    const char* select;
};

void PrintTo(const X11Column& c, std::ostream* out) {
    *out << c.firmware;
}

class SelfTestX11Keys : public SelfTestWindow, public ::testing::WithParamInterface<X11Column> {
protected:
    // Sends the recorded press and release to the widget with the focus, as the platform does.
    void Deliver(const testsupport::RecordedKey& recorded, Qt::KeyboardModifiers held = {},
                 uint32_t heldNative = 0) {
        QWidget* target = QApplication::focusWidget() != nullptr &&
                                  QApplication::focusWidget()->window() == window_
                              ? QApplication::focusWidget()
                              : window_.data();
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, recorded.key, recorded.modifiers | held, recorded.scanCode,
                            recorded.keysym, recorded.nativeModifiers | heldNative,
                            QString::fromLatin1(recorded.text));
            QApplication::sendEvent(target, &event);
        }
    }
};

TEST_P(SelfTestX11Keys, MarkAllTenInputs) {
    const X11Column& column = GetParam();
    auto keypad = Connect(column.firmware);
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    window_->activateWindow();
    window_->button17->setFocus();
    const std::array<const char*, 10> keys = {column.volume, "Left", "Right", "Down", "Up",
                                              column.select, "F18",  "F19",   "F15",  "F16"};
    // Shift, Ctrl or Alt held: nothing matches (X state bits 0x1, 0x4, 0x8).
    Deliver(testsupport::RecordedKeyNamed("F17"), Qt::ShiftModifier, 0x1);
    Deliver(testsupport::RecordedKeyNamed("F19"), Qt::ControlModifier, 0x4);
    Deliver(testsupport::RecordedKeyNamed("Left"), Qt::AltModifier, 0x8);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(self_test::buttonArray[static_cast<size_t>(i)]) << i;
    }
    for (const char* name : keys) {
        Deliver(testsupport::RecordedKeyNamed(name));
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(self_test::buttonArray[static_cast<size_t>(i)]) << keys[i];
        EXPECT_TRUE(Marked(Marker(i))) << keys[i];
    }
    // Return, Space and the arrows pressed no Play; the focus went to each input as it was
    // detected, where a screen reader says it, and is on the last one.
    EXPECT_EQ(audio_.log->played.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), Marker(9));
    ASSERT_TRUE(CloseAndWait());
}

INSTANTIATE_TEST_SUITE_P(
    Columns, SelfTestX11Keys,
    ::testing::Values(X11Column{"VX0810", "F17", "Space"}, X11Column{"VX0828", "F12", "Return"},
                      X11Column{"VX0901", "F17", "Return"}, X11Column{"VX0778", "F17", "Return"}),
    [](const auto& info) { return "Firmware" + std::string(info.param.firmware); });

// Events that carry no native code (sent by another program, say) fall back on the keymap's
// symbol, including the ones the evdev keymap gives F13 .. F23.
TEST_F(SelfTestWindow, KeysWithoutANativeCodeMatchByTheirKeymapSymbol) {
    auto keypad = Connect("VX0901");
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    for (const int key : {int(Qt::Key_Launch8), int(Qt::Key_Launch9), int(Qt::Key_Launch6),
                          int(Qt::Key_Launch7), int(Qt::Key_Return)}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(window_, &event);
    }
    // F19 has no symbol in that keymap: without its code it cannot be told.
    QKeyEvent unknown(QEvent::KeyPress, 0, Qt::NoModifier);
    QApplication::sendEvent(window_, &unknown);
    const std::array<bool, 10> expected = {true, false, false, false, false,
                                           true, true,  false, true,  true};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(self_test::buttonArray[static_cast<size_t>(i)], expected[static_cast<size_t>(i)])
            << i;
    }
    ASSERT_TRUE(CloseAndWait());
}

TEST_F(SelfTestWindow, A778KeypadAfterAn810OneOpensInModeOne) {
    auto first = Connect("VX0778");
    Open();
    EXPECT_EQ(self_test::installMode, 0);
    EXPECT_EQ(Marker(0)->pos(), QPoint(245, 599));
    ASSERT_TRUE(WaitForKeyPhase(*first));
    ASSERT_TRUE(CloseAndWait());
    bus().Unplug(first.get());

    auto second = Connect("VX0810");
    Open();
    EXPECT_EQ(self_test::installMode, 1);
    ASSERT_TRUE(WaitForKeyPhase(*second));
    ASSERT_TRUE(CloseAndWait());
    bus().Unplug(second.get());

    auto third = Connect("VX0778");
    Open();
    EXPECT_EQ(self_test::installMode, 1);
    EXPECT_EQ(Marker(0)->pos(), QPoint(178, 382));
    const QImage shown = window_->pictureBox1->pixmap().toImage();
    const QImage mode1(praxil_usb_encoder::SelfTestFilePath("echovelte_2.jpg"));
    EXPECT_EQ(shown, mode1.convertToFormat(shown.format()));
    ASSERT_TRUE(WaitForKeyPhase(*third));
    ASSERT_TRUE(CloseAndWait());
}

TEST_F(SelfTestWindow, AFailingStatusReadShowsTheMessageAndRunsNoSequence) {
    auto keypad = Connect("VX0810");
    keypad->InjectFault({.kind = emulator::FaultKind::Refuse, .command = CmdGetStatus});
    Open();
    ASSERT_TRUE(window_);
    EXPECT_FALSE(window_->SequenceStarted());
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, "Device status message error..\n");
    EXPECT_EQ(dialogs_.messages[0].caption, "Vexor USB Encoder");
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(Marker(i)->isHidden());
    }
    EXPECT_TRUE(window_->button23->isHidden());
    ASSERT_TRUE(CloseAndWait());
    EXPECT_EQ(keypad->ReceivedCodes(), std::vector<uint8_t>{CmdGetStatus});
    EXPECT_EQ(audio_.log->playersOpen, 0);
}

TEST_F(SelfTestWindow, SettersFromTheWorkerPauseTheWindowThreadAfterEachChange) {
    auto keypad = Connect("VX0810");
    // No sequence runs, so nothing else moves the virtual time.
    keypad->InjectFault({.kind = emulator::FaultKind::Refuse, .command = CmdGetStatus});
    Open();
    ASSERT_FALSE(window_->SequenceStarted());
    const uint64_t before = platform::NowUs();
    std::thread worker([this] {
        window_->AddTextToObject(window_->ledLevelLbl, "7");
        window_->AmendCheckBox(window_->ledCheckBox, true, QString());
    });
    worker.join();
    // Handed on, not done yet: the window thread does them.
    EXPECT_EQ(platform::NowUs(), before);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window_->ledCheckBox->isChecked(); }, kSafetyTimeoutMs));
    EXPECT_EQ(window_->ledLevelLbl->text(), "7");
    EXPECT_EQ(platform::NowUs() - before, 2 * 80'000u);
}

TEST_F(SelfTestWindow, AFailedMainWindowReadOpensNothing) {
    EXPECT_EQ(praxil_usb_encoder::OpenSelfTest(nullptr, -1), nullptr);
    EXPECT_EQ(
        dialogs_.texts(),
        QStringList{"Unable to get device message..Please click on Scan for and try again..\n"});
    EXPECT_EQ(dialogs_.messages[0].caption, "Vexor Echovane");
}

TEST_F(SelfTestWindow, OpeningAgainBringsTheRunningTestForward) {
    auto keypad = Connect("VX0810");
    Open();
    EXPECT_EQ(praxil_usb_encoder::OpenSelfTest(nullptr, 0), window_.data());
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    ASSERT_TRUE(CloseAndWait());
    const auto codes = keypad->ReceivedCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CmdGetStatus), 1);
}

TEST_F(SelfTestWindow, OpensAtTheMainWindowsPlaceButWithinTheScreen) {
    auto keypad = Connect("VX0810");
    QWidget mainWindow;
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint at : {area.topLeft() + QPoint(40, 30), area.bottomRight() - QPoint(60, 50)}) {
        mainWindow.move(at);
        dialogs_.answers = {ui::Answer::No};
        window_ = praxil_usb_encoder::OpenSelfTest(&mainWindow, 0);
        ASSERT_TRUE(window_);
        EXPECT_TRUE(area.contains(window_->frameGeometry())) << at.x() << "," << at.y();
        EXPECT_GE(window_->height(), window_->minimumHeight());
        // No further from the main window's place than the screen makes it.
        EXPECT_LE(window_->frameGeometry().left(), at.x());
        EXPECT_LE(window_->frameGeometry().top(), at.y());
        ASSERT_TRUE(WaitForKeyPhase(*keypad));
        ASSERT_TRUE(CloseAndWait());
        keypad->ClearReceived();
    }
}

TEST_F(SelfTestWindow, PlayStartsTheSoundAgain) {
    auto keypad = Connect("VX0810");
    Open();
    QTest::mouseClick(window_->button17, Qt::LeftButton);
    EXPECT_EQ(audio_.log->played.size(), 2u);
    EXPECT_EQ(audio_.log->played[0], audio_.log->played[1]);
    EXPECT_EQ(audio_.log->playersOpen, 1);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(audio_.log->played[1])));
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    ASSERT_TRUE(CloseAndWait());
}

TEST_F(SelfTestWindow, PlayWithoutASoundOutputSaysSoAndTheTestGoesOn) {
    auto keypad = Connect("VX0810");
    audio_.hasOutput = false;
    Open();
    // The test sound that could not start at opening is told on Play, not in a box.
    EXPECT_TRUE(window_->button17->accessibleDescription().endsWith(
        QString::fromLatin1(selftest::kNoAudioOutputText)))
        << window_->button17->accessibleDescription().toStdString();
    const size_t shownBefore = dialogs_.messages.size();
    QTest::mouseClick(window_->button17, Qt::LeftButton);
    ASSERT_EQ(dialogs_.messages.size(), shownBefore + 1);
    const ui::MessageRequest& box = dialogs_.messages.back();
    EXPECT_EQ(box.text, "No sound output found: connect speakers or headphones to play the test "
                        "sound..\n");
    EXPECT_EQ(box.caption, "Vexor Echovane");
    EXPECT_EQ(box.buttons, ui::Buttons::Ok);
    EXPECT_EQ(box.icon, ui::Icon::Warning);
    EXPECT_TRUE(audio_.log->played.empty());
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    ASSERT_TRUE(CloseAndWait());
}

TEST_F(SelfTestWindow, RecordCyclesThroughStartAndStopAndPlaysTheRecordingBack) {
    auto keypad = Connect("VX0810");
    dialogs_.answers = {ui::Answer::Yes, ui::Answer::Ok};
    Open();
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_EQ(dialogs_.messages[1].text,
              "Please make sure <USB Advanced Audio device> in Sound panel->Recording tab is set "
              "as Default Device");
    EXPECT_EQ(dialogs_.messages[1].caption, "VexorEchovaneUtility");
    ASSERT_FALSE(window_->button23->isHidden());
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    dialogs_.messages.clear();

    QPushButton* record = window_->button23;
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(Words(record), "Start Record");
    EXPECT_EQ(audio_.log->playersOpen, 0);
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(Words(record), "Stop Record");
    EXPECT_EQ(audio_.log->recordingsStarted, 1);
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(Words(record), "Record");
    EXPECT_EQ(audio_.log->playBacks, 1);
    EXPECT_TRUE(dialogs_.messages.empty());

    // "Play" between "Record" and "Start Record" closes the recorder; a new one is opened.
    QTest::mouseClick(record, Qt::LeftButton);
    QTest::mouseClick(window_->button17, Qt::LeftButton);
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(Words(record), "Stop Record");
    EXPECT_EQ(audio_.log->recordingsStarted, 2);

    // Stopping that fails says so.
    audio_.stopWorks = false;
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(dialogs_.texts(), QStringList{"This device doesn't record.\n"});
    EXPECT_EQ(Words(record), "Record");
    EXPECT_EQ(audio_.log->playBacks, 1);
    ASSERT_TRUE(CloseAndWait());
    EXPECT_EQ(audio_.log->recordersOpen, 0);
}

// The letter Alt takes is underlined on each button, Record's through its three words, and the
// words are the ones shown before; a screen reader hears the words.
TEST_F(SelfTestWindow, AltAndTheUnderlinedLetterPressTheButtons) {
    auto keypad = Connect("VX0810");
    dialogs_.answers = {ui::Answer::Yes, ui::Answer::Ok};
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    dialogs_.messages.clear();
    const size_t played = audio_.log->played.size();
    struct Step {
        Qt::Key letter;
        QPushButton* button;
        const char* shown;
        const char* after;
    };
    const Step steps[] = {{Qt::Key_P, window_->button17, "Play", "Play"},
                          {Qt::Key_R, window_->button23, "Record", "Start Record"},
                          {Qt::Key_R, window_->button23, "Start Record", "Stop Record"},
                          {Qt::Key_R, window_->button23, "Stop Record", "Record"},
                          {Qt::Key_C, window_->endBtn, "Close", "Close"}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.shown);
        QPushButton* button = step.button;
        EXPECT_EQ(Words(button), step.shown);
        EXPECT_EQ(QKeySequence::mnemonic(button->text()), QKeySequence(Qt::ALT | step.letter));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name),
                  step.shown);
        QTest::keyClick(window_, step.letter, Qt::AltModifier);
        // A shortcut shows the button down a moment before it clicks.
        ASSERT_TRUE(button->isDown());
        EXPECT_TRUE(QTest::qWaitFor([&] { return window_.isNull() || !button->isDown(); },
                                    kSafetyTimeoutMs));
        if (window_) {
            EXPECT_EQ(Words(button), step.after);
        }
    }
    EXPECT_EQ(audio_.log->played.size(), played + 1);
    EXPECT_EQ(audio_.log->recordingsStarted, 1);
    EXPECT_EQ(audio_.log->playBacks, 1);
    EXPECT_TRUE(dialogs_.messages.empty());
    // Alt+C was Close; no input was marked on the way.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window_.isNull(); }, kSafetyTimeoutMs));
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(self_test::buttonArray[i]) << i;
    }
}

TEST_F(SelfTestWindow, WithoutAnAudioInputRecordSaysTheDeviceDoesNotRecord) {
    auto keypad = Connect("VX0810");
    dialogs_.answers = {ui::Answer::Yes, ui::Answer::Ok};
    audio_.hasInput = false;
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    dialogs_.messages.clear();
    QTest::mouseClick(window_->button23, Qt::LeftButton);
    EXPECT_EQ(Words(window_->button23), "Record");
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, "This device doesn't record.\n");
    EXPECT_EQ(dialogs_.messages[0].caption, "Vexor Echovane");
    ASSERT_TRUE(CloseAndWait());
}

TEST_F(SelfTestWindow, KeyPromptGoesThroughTheReplaceableBox) {
    auto keypad = Connect("VX0810");
    QStringList prompts;
    praxil_usb_encoder::SetKeyPromptFunction(
        [&](QWidget*, const QString& text) { prompts << text; });
    Open();
    ASSERT_TRUE(WaitForKeyPhase(*keypad));
    praxil_usb_encoder::SetKeyPromptFunction(nullptr);
    EXPECT_EQ(prompts, QStringList{"Press each key  on Echovane... "});
    EXPECT_EQ(dialogs_.messages.size(), 1u); // only the microphone question
    ASSERT_TRUE(CloseAndWait());
}

TEST_F(SelfTestWindow, DestroyingTheWindowMidSequenceStopsTheWorkerAndRestores) {
    auto keypad = Connect("VX0810", 1, 7);
    Open();
    ASSERT_TRUE(window_ && window_->SequenceStarted())
        << "no sequence to stop; the keypad was sent" << Sent(*keypad);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_.isNull() || keypad->received().size() >= 4; },
                                kSafetyTimeoutMs))
        << "the sequence did not go on; the keypad was sent" << Sent(*keypad);
    ASSERT_TRUE(window_) << "the window closed early; the keypad was sent" << Sent(*keypad);
    delete window_.data();
    const auto received = keypad->received();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[received.size() - 2].command, CmdSetKeypadType);
    EXPECT_EQ(received[received.size() - 2].data, std::vector<uint8_t>{1});
    EXPECT_EQ(received.back().data, std::vector<uint8_t>{7});
    EXPECT_EQ(keypad->settings.ledBrightness, 7);
}

TEST(SelfTestFiles, PreferTheWorkingDirectoryElseTheBuiltInCopies) {
    const QString previous = QDir::currentPath();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    EXPECT_EQ(praxil_usb_encoder::SelfTestFilePath("blue.bmp"), ":/selftest/blue.bmp");
    for (const char* name : {"echovelte_2.jpg", "echovelte_3.jpg", "echovelte_4.jpg", "blue.bmp"}) {
        EXPECT_FALSE(QPixmap(praxil_usb_encoder::SelfTestFilePath(name)).isNull()) << name;
    }
    const QString sound = praxil_usb_encoder::SelfTestNativeFilePath("Audio Test.mp3");
    EXPECT_FALSE(sound.startsWith(":"));
    EXPECT_EQ(QFileInfo(sound).size(), QFileInfo(":/selftest/Audio Test.mp3").size());
    EXPECT_GT(QFileInfo(sound).size(), 1000);

    QFile own(folder.filePath("blue.bmp"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("BM");
    own.close();
    EXPECT_EQ(praxil_usb_encoder::SelfTestFilePath("blue.bmp"), folder.filePath("blue.bmp"));
    EXPECT_TRUE(praxil_usb_encoder::SelfTestNativeFilePath("missing.wav").isEmpty());
    QDir::setCurrent(previous);
}

} // namespace
