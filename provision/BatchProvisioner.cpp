#include "BatchProvisioner.h"

#include "config/config_replay.h"
#include "device/discovery.h"
#include "firmware/UpgradeSequence.h"
#include "firmware/device_count.h"
#include "firmware/keypad_upgrade.h"
#include "firmware/settings_restore.h"
#include "keypad/KeypadCommands.h"
#include "keypad/ReplyText.h"
#include "keypad/StatusRead.h"
#include "platform/HidHotplug.h"
#include "platform/clock.h"

#include <algorithm>

namespace provision {
namespace {

std::string WithoutLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

} // namespace

BatchProvisioner::BatchProvisioner(Options options, Report report, StopRequested stop,
                                   Progress progress)
    : options_(std::move(options)), versionGiven_(options_.firmwareVersion.has_value()),
      report_(std::move(report)), stop_(std::move(stop)), progress_(std::move(progress)) {}

std::string BootLoaderOnTheBusText(const std::string& path, bool upgrading,
                                   std::size_t bootLoaders) {
    return keypad::InBootLoaderText(path, bootLoaders) +
           (upgrading ? " Until it is unplugged no keypad of this run is upgraded." : "");
}

std::string KeypadName(const std::string& serialNumber, const std::string& path) {
    return keypad::IsOwnSerialNumber(serialNumber) ? keypad::PrintableReplyText(serialNumber)
                                                   : path;
}

bool BatchProvisioner::Finished() const {
    if (!summary_.stoppedBecause.empty()) {
        return true;
    }
    if (options_.count && summary_.done + summary_.failed >= *options_.count) {
        return true;
    }
    return stop_ && stop_();
}

Summary BatchProvisioner::Run() {
    const std::unique_ptr<platform::HidHotplug> hotplug = platform::OpenHidHotplug();
    bool look = true;
    uint64_t lastLookUs = 0;
    while (!Finished()) {
        if (look) {
            lastLookUs = platform::NowUs();
            // After work the bus has changed under it (an upgrade re-enumerates): look again.
            look = Round();
            continue;
        }
        // Nothing to do: wait for a keypad, a short while at a time so a stop is seen.
        if (hotplug->WaitForChange(kWaitSliceMs)) {
            look = true;
            continue;
        }
        // Without word from the system: a keypad still settling, or events that never come (no
        // udev daemon in a container); the enumeration alone opens nothing.
        const uint64_t now = platform::NowUs();
        if (!troubled_.empty() || now - lastLookUs >= uint64_t{kFallbackLookMs} * 1000) {
            lastLookUs = now;
            look = !troubled_.empty() || device::KeypadPaths() != lastPaths_ ||
                   BootLoadersOnTheBus() != bootLoadersSeen_;
        }
    }
    // A stop request or a stop of the run's own: whatever is still connected is not through.
    if (!(options_.count && summary_.done + summary_.failed >= *options_.count)) {
        summary_.leftUndone = Undone();
    }
    CloseOpenKeypad();
    return summary_;
}

KeypadOutcome BatchProvisioner::LeftAsItIs(const keypad::KeypadListing& listing) {
    KeypadOutcome outcome;
    outcome.path = listing.path;
    outcome.serialNumber = listing.SerialNumber();
    // Nothing was done to it: it runs what it ran.
    if (listing.status) {
        outcome.firmwareBefore = keypad::WithoutPadding(listing.status->firmwareVersion);
        outcome.firmwareAfter = outcome.firmwareBefore;
    }
    return outcome;
}

std::vector<KeypadOutcome> BatchProvisioner::Undone() {
    std::vector<KeypadOutcome> undone;
    for (const keypad::KeypadListing& listing : keypad::DescribeKeypads(false)) {
        if (reportedPaths_.count(listing.path) != 0) {
            // Failed and still there, or another keypad at its path since.
            if (!listing.openable || !listing.answered || LeftAlone(listing)) {
                continue;
            }
        } else if (listing.openable && listing.answered && Done(listing)) {
            continue;
        }
        KeypadOutcome outcome = LeftAsItIs(listing);
        outcome.error = kNotDoneText;
        undone.push_back(std::move(outcome));
    }
    return undone;
}

bool BatchProvisioner::Done(const keypad::KeypadListing& listing) const {
    const std::string serial = listing.SerialNumber();
    if (keypad::IsOwnSerialNumber(serial)) {
        return doneSerials_.count(serial) != 0;
    }
    // The system gives a keypad plugged in the lowest path free: another one may have taken
    // the path of the one done while no look was taken. The one done holds the run's settings.
    return donePaths_.count(listing.path) != 0 && HoldsThePlan(listing);
}

bool BatchProvisioner::HoldsThePlan(const keypad::KeypadListing& listing) const {
    if (!listing.status) {
        return false;
    }
    // A run with firmware to give gave it that too.
    if (options_.firmwarePath &&
        (!options_.firmwareVersion ||
         keypad::WithoutPadding(listing.status->firmwareVersion) != *options_.firmwareVersion)) {
        return false;
    }
    // The listing reads no multi-code block: that one is taken as the plan's.
    std::optional<keypad::ExtraCodeBlock> extra;
    if (options_.plan.multipleCodeTable.size() == keypad::kExtraCodeBlockSize) {
        extra.emplace();
        std::copy(options_.plan.multipleCodeTable.begin(), options_.plan.multipleCodeTable.end(),
                  extra->begin());
    }
    return config::ReplayDifferences(options_.plan, *listing.status, extra).empty();
}

namespace {

// What a keypad was set up with, as its status tells: what changes on its own (the jack, the
// position, the temperature) left out.
bool SameSetUp(const keypad::KeypadStatus& a, const keypad::KeypadStatus& b) {
    return a.ledBrightness == b.ledBrightness && a.tableKind == b.tableKind &&
           a.keyCodeBlock == b.keyCodeBlock && a.firmwareVersion == b.firmwareVersion &&
           a.serialNumber == b.serialNumber;
}

} // namespace

bool BatchProvisioner::LeftAlone(const keypad::KeypadListing& listing) {
    const auto failed = reportedPaths_.find(listing.path);
    if (failed == reportedPaths_.end()) {
        return false;
    }
    Failed& seen = failed->second;
    // Another serial number at that path is another keypad, plugged in since.
    if (keypad::IsOwnSerialNumber(seen.serialNumber) ||
        keypad::IsOwnSerialNumber(listing.SerialNumber())) {
        return keypad::WithoutPadding(seen.serialNumber) ==
               keypad::WithoutPadding(listing.SerialNumber());
    }
    // Without serial numbers: the one that failed, left alone, keeps the status it was left
    // with, first seen at the look after its failure.
    if (!listing.status) {
        return true;
    }
    if (!seen.status) {
        seen.status = listing.status;
        return true;
    }
    return SameSetUp(*seen.status, *listing.status);
}

std::string BatchProvisioner::TwinOf(const keypad::KeypadListing& listing,
                                     const std::vector<keypad::KeypadListing>& keypads) const {
    // Keypads without a serial number of their own are told apart by where they are.
    if (!keypad::IsOwnSerialNumber(listing.SerialNumber())) {
        return {};
    }
    const auto done = doneSerials_.find(listing.SerialNumber());
    if (done == doneSerials_.end() || done->second == listing.path) {
        return {};
    }
    for (const keypad::KeypadListing& other : keypads) {
        if (other.path == done->second && other.SerialNumber() == done->first) {
            return other.path;
        }
    }
    return {};
}

void BatchProvisioner::Record(const KeypadOutcome& outcome) {
    // Where the keypad is now: an upgrade may have brought it back at another path. A keypad
    // that failed is left alone while it stays plugged in; plugged in again, it is tried again.
    if (!outcome.ok) {
        reportedPaths_[outcome.path] = Failed{outcome.serialNumber, std::nullopt};
    } else if (keypad::IsOwnSerialNumber(outcome.serialNumber)) {
        doneSerials_[keypad::WithoutPadding(outcome.serialNumber)] = outcome.path;
    } else {
        donePaths_.insert(outcome.path);
    }
    ++(outcome.ok ? summary_.done : summary_.failed);
    if (report_) {
        report_(outcome);
    }
}

bool BatchProvisioner::Round() {
    // The serial numbers are all a round needs to know.
    const std::vector<keypad::KeypadListing> keypads = keypad::DescribeKeypads(false);
    lastPaths_.clear();
    for (const auto& keypad : keypads) {
        lastPaths_.push_back(keypad.path);
    }
    const auto present = [&keypads](const std::string& path) {
        return std::any_of(keypads.begin(), keypads.end(),
                           [&path](const auto& keypad) { return keypad.path == path; });
    };
    // What was learnt about a path holds only while it stays plugged in.
    std::erase_if(donePaths_, [&](const std::string& path) { return !present(path); });
    std::erase_if(reportedPaths_, [&](const auto& entry) { return !present(entry.first); });
    std::erase_if(troubled_, [&](const auto& entry) { return !present(entry.first); });

    bool worked = ReportBootLoaders();
    for (const keypad::KeypadListing& listing : keypads) {
        if (Finished()) {
            break;
        }
        if (!listing.openable || !listing.answered) {
            if (reportedPaths_.count(listing.path) != 0) {
                continue;
            }
            const uint64_t now = platform::NowUs();
            auto seen = std::find_if(troubled_.begin(), troubled_.end(), [&](const auto& entry) {
                return entry.first == listing.path;
            });
            if (seen == troubled_.end()) {
                troubled_.emplace_back(listing.path, now);
                continue;
            }
            if (now - seen->second < uint64_t{kSettleMs} * 1000) {
                continue;
            }
            KeypadOutcome outcome;
            outcome.path = listing.path;
            outcome.error = listing.openable ? std::string("The keypad does not answer.")
                                             : "The keypad cannot be opened: " +
                                                   WithoutLineBreaks(listing.whyNot);
            troubled_.erase(seen);
            Record(outcome);
            worked = true;
            continue;
        }
        std::erase_if(troubled_, [&](const auto& entry) { return entry.first == listing.path; });
        if (LeftAlone(listing)) {
            continue;
        }
        reportedPaths_.erase(listing.path);
        // Plugged in beside the keypad done with its serial number, it is another keypad: it
        // cannot be told from that one by the number, nor taken for it.
        if (const std::string twin = TwinOf(listing, keypads); !twin.empty()) {
            KeypadOutcome outcome = LeftAsItIs(listing);
            outcome.error = "The keypad at " + listing.path +
                            " reports the serial number of the one done at " + twin +
                            ": the two cannot be told apart, so this one is left alone.";
            Record(outcome);
            worked = true;
            continue;
        }
        if (Done(listing)) {
            // Back at another path: it is followed there.
            if (keypad::IsOwnSerialNumber(listing.SerialNumber())) {
                doneSerials_[listing.SerialNumber()] = listing.path;
            }
            continue;
        }
        Record(ProvisionKeypad(listing));
        // A loader left by this keypad's own failed upgrade is reported with it already.
        bootLoadersSeen_ = BootLoadersOnTheBus();
        worked = true;
        // The keypads on the bus have changed under the work (an upgrade re-enumerates): look
        // again before the next.
        break;
    }
    return worked;
}

std::set<std::string> BatchProvisioner::BootLoadersOnTheBus() {
    const std::vector<std::string> paths = device::BootLoaderPaths();
    return {paths.begin(), paths.end()};
}

bool BatchProvisioner::ReportBootLoaders() {
    const std::set<std::string> seen = std::move(bootLoadersSeen_);
    bootLoadersSeen_ = BootLoadersOnTheBus();
    bool reported = false;
    for (const std::string& path : bootLoadersSeen_) {
        if (seen.count(path) != 0 || Finished()) {
            continue;
        }
        KeypadOutcome outcome;
        outcome.path = path;
        outcome.error = BootLoaderOnTheBusText(path, options_.firmwarePath.has_value(),
                                               bootLoadersSeen_.size());
        Record(outcome);
        reported = true;
    }
    return reported;
}

KeypadOutcome BatchProvisioner::ProvisionKeypad(const keypad::KeypadListing& listing) {
    const uint64_t startUs = platform::NowUs();
    KeypadOutcome outcome;
    outcome.path = listing.path;
    outcome.serialNumber = listing.SerialNumber();
    outcome.firmwareBefore = keypad::WithoutPadding(listing.status->firmwareVersion);
    outcome.firmwareAfter = outcome.firmwareBefore;

    const auto finish = [&]() -> KeypadOutcome {
        CloseOpenKeypad();
        outcome.ok = outcome.error.empty();
        outcome.seconds = static_cast<double>(platform::NowUs() - startUs) / 1e6;
        return outcome;
    };

    const device::RescanResult scan = device::RescanForKeypadAt(listing.path);
    if (!scan.found) {
        outcome.error = WithoutLineBreaks(device::NotConnectedMessage(scan));
        return finish();
    }
    if (options_.firmwarePath &&
        !(options_.firmwareVersion && *options_.firmwareVersion == outcome.firmwareBefore)) {
        if (!Upgrade(listing, outcome)) {
            return finish();
        }
    }
    // An error already said (a firmware version other than expected) stays the keypad's
    // result unless a later step fails.
    if (Replay(outcome)) {
        Check(outcome);
    }
    return finish();
}

bool BatchProvisioner::Upgrade(const keypad::KeypadListing& listing, KeypadOutcome& outcome) {
    const firmware::BootLoaderIds ids = firmware::InitializeVidPidFirmware();
    const auto loaders = firmware::CountBootLoaders(ids);
    if (!loaders || *loaders != 0) {
        outcome.error = "Another keypad is in its boot loader; boot loaders cannot be told apart, "
                        "so none is upgraded until it is unplugged.";
        if (!options_.firmwareVersion) {
            // Until an upgrade shows which version the file installs, every keypad is upgraded.
            outcome.error += " Keypads that run the file's version already are set up without "
                             "an upgrade when --firmware-version names it.";
        }
        return false;
    }
    const firmware::DownloadSlot slot;
    if (!slot.taken()) {
        outcome.error = WithoutLineBreaks(firmware::kUpgradeRunningText);
        return false;
    }
    const firmware::KeypadUpgrade upgrade{ids,
                                          options_.bootLoaderFiles,
                                          *options_.firmwarePath,
                                          options_.firmwareImage,
                                          firmware::StateToRestore(*listing.status),
                                          true,
                                          listing.path};
    const std::string name = KeypadName(outcome.serialNumber, listing.path);
    std::string lastLine;
    const firmware::KeypadUpgradeResult run =
        firmware::UpgradeKeypad(upgrade, [&](int, const std::string& text) {
            if (text.empty()) {
                return;
            }
            lastLine = WithoutLineBreaks(text);
            if (progress_) {
                progress_(name, lastLine);
            }
        });
    if (!run.path.empty()) {
        outcome.path = run.path;
    }
    switch (run.stage) {
    case firmware::KeypadUpgradeResult::Stage::NoBootLoader:
        outcome.error = "The keypad did not come back as its boot loader.";
        return false;
    case firmware::KeypadUpgradeResult::Stage::Download:
        outcome.upgradeFailed = true;
        outcome.error = "The firmware upgrade failed: " + lastLine;
        if (!upgradeWentThrough_) {
            // Until one keypad has taken it, the firmware or the RAM boot loader may be what
            // failed: every keypad after this one would be left without its application too.
            summary_.stoppedBecause =
                "The run's first firmware upgrade failed, so it stops before another keypad is "
                "upgraded: the firmware file or the RAM boot loader may be at fault. Try them on "
                "one keypad with 'upgrade' first.";
        }
        return false;
    case firmware::KeypadUpgradeResult::Stage::Restore:
        // The new firmware runs (which version, the keypad was not read to tell).
        upgradeWentThrough_ = true;
        outcome.upgraded = true;
        outcome.firmwareAfter = options_.firmwareVersion.value_or("");
        outcome.error = "The settings were not restored after the upgrade: " +
                        WithoutLineBreaks(run.restore.message);
        return false;
    case firmware::KeypadUpgradeResult::Stage::Done:
        break;
    }
    upgradeWentThrough_ = true;
    outcome.upgraded = true;
    const keypad::StatusRead read = keypad::ReadStatus();
    if (!read.status) {
        outcome.error = std::string(keypad::kStatusReadFailedText) + " after the upgrade.";
        return false;
    }
    outcome.firmwareAfter = keypad::WithoutPadding(read.status->firmwareVersion);
    if (!options_.firmwareVersion) {
        options_.firmwareVersion = outcome.firmwareAfter;
    } else if (*options_.firmwareVersion != outcome.firmwareAfter) {
        outcome.error = "After the upgrade the keypad runs firmware " +
                        keypad::PrintableReplyText(outcome.firmwareAfter) + ", not " +
                        keypad::PrintableUserText(*options_.firmwareVersion) + ".";
        if (!versionGiven_) {
            return false;
        }
        // A version given that the file does not install: every keypad would be upgraded for
        // nothing and none set up. This one still gets its settings, being upgraded, and the
        // run ends with it.
        summary_.stoppedBecause =
            "The firmware file installs " + keypad::PrintableReplyText(outcome.firmwareAfter) +
            ", not " + keypad::PrintableUserText(*options_.firmwareVersion) +
            ": the run stops, so that no other keypad is upgraded for nothing. Give "
            "--firmware-version " +
            keypad::PrintableReplyText(outcome.firmwareAfter) + ", or leave it out.";
    }
    return true;
}

bool BatchProvisioner::Replay(KeypadOutcome& outcome) {
    // The plan read and checked before the run: what is sent is what the check compares with.
    const config::Outcome replay = config::SendReplayPlan(options_.plan);
    if (replay.message) {
        outcome.error = WithoutLineBreaks(replay.message->text);
        return false;
    }
    // Bus powered: what the keypad is not told to keep is gone once it is unplugged. As the
    // window's Save Changes, the replayed settings become its defaults.
    if (const keypad::CommandResult kept = keypad::WriteDefault(); !kept.ok()) {
        outcome.error = WithoutLineBreaks(kept.message);
        return false;
    }
    outcome.configured = true;
    return true;
}

bool BatchProvisioner::Check(KeypadOutcome& outcome) {
    const keypad::StatusRead read = keypad::ReadStatus();
    if (!read.ok()) {
        outcome.error = std::string(keypad::kStatusReadFailedText) + " after the replay.";
        return false;
    }
    const std::vector<std::string> differences =
        config::ReplayDifferences(options_.plan, *read.status, read.multipleCodeTable);
    if (!differences.empty()) {
        std::string text = "After the replay the keypad holds other settings: ";
        for (size_t i = 0; i < differences.size(); ++i) {
            text += (i == 0 ? "" : ", ") + differences[i];
        }
        outcome.error = text + ".";
        return false;
    }
    outcome.firmwareAfter = keypad::WithoutPadding(read.status->firmwareVersion);
    outcome.checked = true;
    return true;
}

} // namespace provision
