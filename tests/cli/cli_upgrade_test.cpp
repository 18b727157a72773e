// upgrade end to end against the simulated boot loader on virtual time: CmdEnterBsl, the
// download, the restore, the progress lines and the confirmations.

#include "CliFixture.h"

#include "device/commands.h"
#include "tests/firmware/UpgradeFixture.h"

#include <algorithm>

namespace {

using emulator::BootLoaderFaultKind;
using emulator::FaultKind;

class CliUpgrade : public testsupport::CliRunner<testsupport::UpgradeTest> {
protected:
    CliUpgrade() {
        keypad->settings.tableKind = 2;
        keypad->settings.ledBrightness = 7;
        keypad->settings.customTable.fill(0x21);
        keypad->model.serialNumber = "55501234";
        image = Image("new.txt", "VX0970");
    }
    bool SentEnterBsl() const {
        const auto received = keypad->received();
        return std::any_of(received.begin(), received.end(),
                           [](const auto& r) { return r.command == CmdEnterBsl; });
    }
    std::string image;
};

TEST_F(CliUpgrade, YesRunsTheWholeUpgradeAndRestoresTheSettings) {
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitOk) << err.str();
    EXPECT_TRUE(SentEnterBsl());
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");
    EXPECT_EQ(keypad->model.serialNumber, "55501234");
    EXPECT_EQ(keypad->storedDefaults.tableKind, 2);
    EXPECT_EQ(keypad->storedDefaults.ledBrightness, 7);
    EXPECT_EQ(keypad->storedDefaults.customTable[19], 0x21);
    // Plain progress lines, one per report, when standard output is no terminal.
    const std::string text = out.str();
    for (const char* line :
         {"[  0%] Starting\n", "[ 10%] Password Sent Successfully\n",
          "[ 85%] Memory successfully verified\n",
          "[ 90%] Resetting Device...\n[ 90%] Starting application\n", "[100%] Done!\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
    // Every line says something besides its percentage.
    EXPECT_EQ(text.find("%]\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\033'), std::string::npos);
}

TEST_F(CliUpgrade, ProgressBarOnATerminal) {
    console.progressBar = true;
    ASSERT_EQ(Run({"upgrade", QString::fromStdString(image), "-y"}), cli::kExitOk) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("\r[" + std::string(40, '#') + "] 100%"), std::string::npos);
    EXPECT_NE(text.find("\r\033[KMemory successfully verified\n"), std::string::npos);
}

TEST_F(CliUpgrade, ConfirmationIsAskedOnATerminalAndRefusedWithoutOne) {
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image)}), cli::kExitUsage);
    EXPECT_NE(err.str().find("run it on a terminal, or give --yes"), std::string::npos);
    EXPECT_FALSE(SentEnterBsl());

    std::vector<std::string> questions;
    console.interactive = true;
    console.ask = [&](const std::string& question) {
        questions.push_back(question);
        return questions.size() < 2; // Yes to the hardware warning, No to the confirmation
    };
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image)}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The firmware upgrade was not started.\n");
    EXPECT_EQ(questions, (std::vector<std::string>{
                             "Warning!, please make sure you have correct hardware connected. do "
                             "you want to continue?",
                             "Are you sure you want to upgrade the firmware?"}));
    EXPECT_FALSE(SentEnterBsl());
}

TEST_F(CliUpgrade, FailuresExitOneWithTheSystemsMessage) {
    emulator::BootLoaderFault refuse;
    refuse.kind = BootLoaderFaultKind::RefusePassword;
    refuse.times = 4;
    loader->InjectFault(refuse);
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "The firmware upgrade failed: Password FAILED!\n");

    EXPECT_EQ(Run({"upgrade", QString::fromStdString(scratch.string() + "/none.txt"), "--yes"}),
              cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to read the firmware file " + scratch.string() + "/none.txt.\n");
}

TEST_F(CliUpgrade, RestoreRefusalStopsWithItsMessage) {
    keypad->InjectFault({FaultKind::Refuse, CmdSetSerialNumber});
    EXPECT_EQ(Run({"upgrade", QString::fromStdString(image), "--yes"}), cli::kExitFailed);
    EXPECT_EQ(err.str(), "Unable to set SerialNumber..\n");
    EXPECT_EQ(keypad->model.firmwareVersion, "VX0970");
}

} // namespace
