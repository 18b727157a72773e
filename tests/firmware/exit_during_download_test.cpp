// Exit from the main window while the upgrade window downloads: refused with the upgrade
// window's own message, every window stays on screen and the program goes on; once the
// download is over, Exit ends the program.

#include "BootLoaderFixture.h"
#include "app/Form1.h"
#include "config/config_file.h"
#include "device/discovery.h"
#include "firmware/bsl430/bsl430.h"
#include "firmware/firmware_upgrade.h"
#include "platform/Utf8Path.h"
#include "tests/support/BoundedThread.h"
#include "tests/support/EventLoopRun.h"
#include "tests/support/HoldingClock.h"
#include "ui/BackgroundWorker.h"
#include "ui/Dialogs.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using praxil_usb_encoder::firmware_upgrade;
using praxil_usb_encoder::Form1;

// The download runs on virtual time: a wait that reaches this bound has found a hang.
constexpr int kSafetyTimeoutMs = testsupport::kStuckAfterMs;
constexpr int kStillRunning = 7;

enum class ExitWay { Button, Menu, CloseBox };

void PrintTo(ExitWay way, std::ostream* out) {
    *out << int(way);
}

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

class ExitDuringDownload : public testsupport::BootLoaderTest,
                           public ::testing::WithParamInterface<ExitWay> {
protected:
    ExitDuringDownload() {
        previousFileName_ = FileName;
        config::PrepareConfigFile(platform::Utf8FromPath(scratch));
    }
    ~ExitDuringDownload() override {
        delete window.data();
        form.reset();
        FileName = previousFileName_;
    }

    bool WaitForCount() {
        return QTest::qWaitFor([&] { return !window->backgroundWorkerCheckDevice->IsBusy(); },
                               kSafetyTimeoutMs);
    }

    ui::DialogRecorder dialogs;
    std::unique_ptr<Form1> form;
    QPointer<firmware_upgrade> window;

private:
    std::string previousFileName_;
};

TEST_P(ExitDuringDownload, IsRefusedWithTheUpgradeWindowsMessageAndWorksAfterwards) {
    ASSERT_TRUE(device::RescanForKeypad().found);
    form = std::make_unique<Form1>();
    form->show();
    dialogs.answers.push_back(ui::Answer::Yes);
    form->btnLoadFirmware_MouseClick();
    window = qobject_cast<firmware_upgrade*>(form->firmwareUpgradeFrm.data());
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitForCount());
    Pass(keypad->bootLoaderDelayMs + 100);
    bsl430::PollDeviceNotification();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->labelNumOfDevices->text() == "Found 1 device"; }, kSafetyTimeoutMs));
    ASSERT_TRUE(WaitForCount());
    dialogs.paths.push_back(QString::fromStdString(
        WriteFile("new.txt", testsupport::TiTxt(testsupport::KeypadImage("VX0977")))));
    dialogs.answers.push_back(ui::Answer::Yes);
    QTest::mouseClick(window->btnBrowse, Qt::LeftButton);
    ASSERT_TRUE(window->btnUpgrade->isEnabled());

    testsupport::HoldingClock holding(clock());
    holding.Arm();
    QTest::mouseClick(window->btnUpgrade, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return holding.held(); }, kSafetyTimeoutMs));
    ASSERT_TRUE(window->backgroundWorker1->IsBusy());
    dialogs.messages.clear();

    bool pressed = false;
    const int refused = testsupport::RunEventLoop([&] {
        if (!pressed) {
            pressed = true;
            PressExit(*form, GetParam());
            holding.Release();
        }
        if (!window->backgroundWorker1->IsBusy()) {
            QCoreApplication::exit(kStillRunning);
        }
    });
    EXPECT_EQ(refused, kStillRunning) << "Exit ended the program during the download";
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages[0].text,
              QString::fromLatin1(praxil_usb_encoder::kUpgradeRunningText) + "\n");
    EXPECT_EQ(dialogs.messages[0].caption, "Vexor Echovane");
    EXPECT_EQ(dialogs.messages[0].icon, ui::Icon::Warning);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->backgroundWorker1->IsBusy(); }, kSafetyTimeoutMs));
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0977");

    // The download is over: Exit now ends the program and closes the keypad again.
    const int ended = testsupport::RunEventLoop([&] { PressExit(*form, GetParam()); });
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(hid_handle.load(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Ways, ExitDuringDownload,
                         ::testing::Values(ExitWay::Button, ExitWay::Menu, ExitWay::CloseBox),
                         [](const auto& info) {
                             return std::string(info.param == ExitWay::Button ? "Button"
                                                : info.param == ExitWay::Menu ? "Menu"
                                                                              : "CloseBox");
                         });

} // namespace
