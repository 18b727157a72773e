// The fault soak: the main window's handlers (the two pickers, Save Changes, Reset From
// Configuration File, the code-table editor's Apply, the BLE window's Apply and the self test's
// opening) driven in a seeded random order against the simulated keypad, with faults injected
// at random. After every step the window must be in the state prescribed for what happened:
// the picker back at its last accepted row and the message shown after a refusal, no command
// beyond the failed one, and the configuration file either as it was or the one just written.

#include "app/Form1.h"

#include "codetable/My4way_layout.h"
#include "config/config_file.h"
#include "device/commands.h"
#include "firmware/ble/Bluetooth.h"
#include "platform/AtomicFile.h"
#include "platform/Utf8Path.h"
#include "tests/support/EmulatorFixture.h"
#include "tests/support/TempFolder.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

using emulator::Fault;
using emulator::FaultKind;
using praxil_usb_encoder::Form1;

// Faults that make an exchange fail outright; each must end as a refusal does.
constexpr FaultKind kFailingFaults[] = {FaultKind::Refuse,
                                        FaultKind::Abort,
                                        FaultKind::BadChecksum,
                                        FaultKind::BadEtx,
                                        FaultKind::OversizeByteCount,
                                        FaultKind::BadLength};

enum class Step { Led, Layout, Save, Replay, EditorApply, BleApply, SelfTest, Count };
constexpr const char* kStepNames[] = {
    "LED picker",   "layout picker", "Save Changes", "Reset From Configuration File",
    "editor Apply", "BLE Apply",     "self test"};

int EnvNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

class Soak : public testsupport::EmulatorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(config::PrepareConfigFile(platform::Utf8FromPath(data.path())));
        keypad = PlugKeypad();
        keypad->settings.tableKind = 2;
        form->Form1_Load();
        ASSERT_TRUE(recorder.messages.empty());
        form->button8->click(); // the replay needs a saved file
        ASSERT_TRUE(recorder.messages.empty());
        keypad->ClearReceived();
    }
    void TearDown() override {
        platform::SetReplaceFaultHook({});
        CloseWindows();
    }

    static void Choose(QComboBox* picker, int row) {
        picker->setCurrentIndex(row);
        emit picker->activated(row);
    }
    template <typename Window> static Window* Find() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<Window*>(widget);
                window != nullptr && window->isVisible()) {
                return window;
            }
        }
        return nullptr;
    }
    static void CloseWindows() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete Find<praxil_usb_encoder::My4way_layout>();
        delete Find<praxil_usb_encoder::Bluetooth>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string ConfigText() const { return testsupport::ReadBytes(FileName); }
    // The file says what the keypad holds now.
    bool FileMatchesKeypad() const {
        const config::SettingsRead read = config::ReadSettings(FileName);
        return read.state == config::SettingsRead::State::Read &&
               read.Value(config::kLedBrightnessKey) ==
                   std::to_string(keypad->settings.ledBrightness) &&
               read.Value(config::kKeypadLayoutKey) == std::to_string(keypad->settings.tableKind);
    }
    QStringList Texts() const { return recorder.texts(); }

    testsupport::TempFolder data;
    ui::DialogRecorder recorder;
    std::shared_ptr<emulator::SimulatedKeypad> keypad;
    std::unique_ptr<Form1> form = std::make_unique<Form1>();
};

TEST_F(Soak, RandomStepsWithFaultsLeaveTheWindowsAndTheFileAsPrescribed) {
    const int steps = EnvNumber("ECHOVANE_SOAK_STEPS", 3000);
    const auto seed = static_cast<uint32_t>(EnvNumber("ECHOVANE_SOAK_SEED", 9));
    std::mt19937 random(seed);
    auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    auto pick = [&](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    auto failing = [&](uint8_t command) {
        return Fault{kFailingFaults[pick(static_cast<int>(std::size(kFailingFaults)))], command};
    };

    int faults = 0;
    int lost = 0;
    for (int n = 0; n < steps; ++n) {
        const auto step = static_cast<Step>(pick(static_cast<int>(Step::Count)));
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", step " << n << ": "
                                        << kStepNames[static_cast<int>(step)]);
        recorder.messages.clear();
        keypad->ClearReceived();
        const std::string fileBefore = ConfigText();
        bool fileMayChange = false;
        const bool fault = chance(30);
        faults += fault ? 1 : 0;

        switch (step) {
        case Step::Led:
        case Step::Layout: {
            const bool led = step == Step::Led;
            QComboBox* picker = led ? form->ledBrightnessCbox : form->keypadTypeCbox;
            const uint8_t command = led ? CmdSetLedBrightness : CmdSetKeypadType;
            const int before = picker->currentIndex();
            const int row = pick(picker->count());
            // Only a plain refusal here: after a damaged reply the keypad may hold the row
            // while the window takes it as refused.
            if (fault) {
                keypad->InjectFault({FaultKind::Refuse, command});
            }
            Choose(picker, row);
            ASSERT_EQ(keypad->ReceivedCodes(), std::vector<uint8_t>{command});
            if (fault) {
                ASSERT_EQ(Texts(), QStringList{led ? "Unable to set the LED Brightness..\n"
                                                   : "Unable to set Keypad Type..\n"});
                // The window takes the row it last read from the keypad as accepted; a status
                // read (Save Changes, opening the editor) may have brought a row not shown.
                const int held = led ? keypad->settings.ledBrightness : keypad->settings.tableKind;
                ASSERT_TRUE(picker->currentIndex() == before || picker->currentIndex() == held)
                    << "the last accepted row comes back";
            } else {
                ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
                ASSERT_EQ(picker->currentIndex(), row);
                ASSERT_EQ(led ? keypad->settings.ledBrightness : keypad->settings.tableKind, row);
            }
            break;
        }
        case Step::Save: {
            const int where = fault ? pick(3) : -1;
            if (where == 0) {
                keypad->InjectFault(failing(CmdWriteDefault));
            } else if (where == 1) {
                keypad->InjectFault(failing(CmdGetStatus));
            } else if (where == 2) {
                const auto failAt = static_cast<platform::ReplaceStep>(pick(4));
                platform::SetReplaceFaultHook(
                    [failAt](platform::ReplaceStep at, const std::string&) {
                        return at == failAt ? platform::ReplaceFault::Fail
                                            : platform::ReplaceFault::None;
                    });
            }
            form->button8->click();
            platform::SetReplaceFaultHook({});
            if (fault) {
                ASSERT_EQ(Texts().size(), 1) << "one message for the failure";
                ASSERT_EQ(ConfigText(), fileBefore) << "a failed save leaves the file alone";
            } else {
                ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
                ASSERT_TRUE(FileMatchesKeypad());
                fileMayChange = true;
            }
            break;
        }
        case Step::Replay: {
            const int layoutBefore = form->keypadTypeCbox->currentIndex();
            // The replay sends the layout, the table(s) the saved layout uses, the brightness.
            const std::string layout =
                config::ReadSettings(FileName).Value(config::kKeypadLayoutKey);
            std::vector<uint8_t> replayed = {CmdSetKeypadType};
            if (layout == "2" || layout == "5") {
                replayed.push_back(CmdWriteCodeTable);
            }
            if (layout == "5") {
                replayed.push_back(CmdWriteMulticodeTable);
            }
            replayed.push_back(CmdSetLedBrightness);
            const uint8_t failed = replayed[pick(static_cast<int>(replayed.size()))];
            if (fault) {
                keypad->InjectFault(failing(failed));
            }
            form->button3->click();
            const auto codes = keypad->ReceivedCodes();
            if (fault) {
                ASSERT_EQ(Texts().size(), 1);
                ASSERT_FALSE(codes.empty());
                ASSERT_EQ(codes.back(), failed) << "nothing is sent after the refused step";
                if (failed == CmdSetKeypadType) {
                    const int shown = form->keypadTypeCbox->currentIndex();
                    ASSERT_TRUE(shown == layoutBefore || shown == keypad->settings.tableKind);
                }
            } else {
                ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
                ASSERT_TRUE(FileMatchesKeypad()) << "the keypad holds the saved settings";
                ASSERT_EQ(form->ledBrightnessCbox->currentIndex(), keypad->settings.ledBrightness);
            }
            break;
        }
        case Step::EditorApply: {
            const bool customisable =
                keypad->settings.tableKind == 2 || keypad->settings.tableKind == 5;
            form->button1->click();
            auto* editor = Find<praxil_usb_encoder::My4way_layout>();
            if (!customisable) {
                ASSERT_EQ(Texts(), QStringList{"Please select a customise table..\n"});
                ASSERT_EQ(editor, nullptr);
                faults -= fault ? 1 : 0;
                break;
            }
            ASSERT_NE(editor, nullptr);
            ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
            keypad->ClearReceived();
            if (fault) {
                keypad->InjectFault(failing(CmdWriteCodeTable));
            }
            editor->findChild<QPushButton*>("applyBtn")->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_FALSE(keypad->ReceivedCodes().empty());
            ASSERT_EQ(keypad->ReceivedCodes()[0], CmdWriteCodeTable);
            if (fault) {
                ASSERT_EQ(Texts(), QStringList{"Unable to Load Table..\n"});
                ASSERT_EQ(keypad->ReceivedCodes().size(), 1u);
                ASSERT_NE(Find<praxil_usb_encoder::My4way_layout>(), nullptr)
                    << "the editor stays open for another Apply";
            } else {
                ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
                ASSERT_EQ(Find<praxil_usb_encoder::My4way_layout>(), nullptr);
            }
            break;
        }
        case Step::BleApply: {
            form->btnModifyBleParam->click();
            auto* window = Find<praxil_usb_encoder::Bluetooth>();
            ASSERT_NE(window, nullptr);
            ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
            for (QComboBox* box : window->findChildren<QComboBox*>()) {
                if (box->currentIndex() < 0 && box->count() > 0) {
                    box->setCurrentIndex(pick(box->count()));
                }
            }
            window->bleTextBox->setText(QStringLiteral("DESK%1").arg(pick(100)));
            keypad->ClearReceived();
            const uint8_t sent[] = {CmdSetBleName, CmdSetBlePowerLevel, CmdSetBleOnOff};
            const int failed = pick(3);
            if (fault) {
                keypad->InjectFault(failing(sent[failed]));
            }
            window->button1->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const auto codes = keypad->ReceivedCodes();
            if (fault) {
                ASSERT_EQ(Texts().size(), 1);
                ASSERT_EQ(codes, std::vector<uint8_t>(sent, sent + failed + 1));
                ASSERT_NE(Find<praxil_usb_encoder::Bluetooth>(), nullptr);
            } else {
                ASSERT_TRUE(Texts().isEmpty()) << Texts().join("|").toStdString();
                ASSERT_EQ(codes, std::vector<uint8_t>(sent, sent + 3));
                ASSERT_EQ(Find<praxil_usb_encoder::Bluetooth>(), nullptr);
            }
            break;
        }
        case Step::SelfTest: {
            // The self test itself runs its own worker; the soak covers its opening, which
            // reads the keypad's status first.
            keypad->InjectFault(failing(CmdGetStatus));
            form->button2->click();
            ASSERT_EQ(Texts(), QStringList{"Unable to get device message..Please click on Scan "
                                           "for and try again..\n"});
            ASSERT_TRUE(form->selfTestFrm.isNull());
            faults += fault ? 0 : 1;
            break;
        }
        case Step::Count:
            break;
        }
        keypad->ClearFaults();
        CloseWindows();
        const std::string fileAfter = ConfigText();
        if (fileAfter != fileBefore && !(fileMayChange && FileMatchesKeypad())) {
            ++lost;
        }
        ASSERT_EQ(lost, 0) << "the configuration file is neither the old one nor the new one";
    }
    std::printf("soak: %d steps, %d faults, %d lost (seed %u)\n", steps, faults, lost, seed);
}

} // namespace
