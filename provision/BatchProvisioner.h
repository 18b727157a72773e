#pragma once

// Setting up keypads one after another: every keypad already connected, then each one as it is
// plugged in, gets the firmware (when given and it runs another version), the saved settings of
// a configuration file, and a status read that checks it now holds them. A keypad that fails
// does not stop the others; a keypad done once in a run is not done again when it reappears.
// Upgrades go one at a time: keypads in their boot loader all look alike.

#include "config/config_replay.h"
#include "firmware/boot_loader_files.h"
#include "firmware/image_check.h"
#include "keypad/KeypadSelection.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace provision {

// How long a keypad that cannot be opened or does not answer is given before it counts as
// failed: the operating system may still be setting it up.
inline constexpr uint32_t kSettleMs = 2000;
// The longest wait for a device event before the stop request is looked at again.
inline constexpr uint32_t kWaitSliceMs = 250;
// How often the keypads are enumerated when no device event came: where events may never come.
// An enumeration alone opens nothing.
inline constexpr uint32_t kFallbackLookMs = 500;

// What is said of a keypad sitting in its boot loader at path; upgrading: a run has firmware to
// give, which waits until that keypad is unplugged.
std::string BootLoaderOnTheBusText(const std::string& path, bool upgrading,
                                   std::size_t bootLoaders = 1);

struct Options {
    // Replayed onto every keypad; read and checked before the run.
    config::ReplayPlan plan;
    std::optional<std::string> firmwarePath;
    // Its text, read and checked once before the run (firmware::CheckFirmwareFile): every
    // keypad gets the image that was confirmed, whatever happens to the file meanwhile.
    firmware::ImageCheck firmwareImage;
    // The version the firmware file installs, as keypads report it. When not given it is
    // learnt from the first keypad upgraded in the run; until then every keypad is upgraded.
    std::optional<std::string> firmwareVersion;
    firmware::BootLoaderFiles bootLoaderFiles;
    // Ends the run after this many keypads (done or failed).
    std::optional<int> count;
};

struct KeypadOutcome {
    // Where the keypad is at the end (an upgrade may bring it back at another path).
    std::string path;
    std::string serialNumber;
    std::string firmwareBefore;
    std::string firmwareAfter;
    // The download began and failed: the keypad's application may be gone.
    bool upgradeFailed = false;
    // The download went through (the settings may still have failed to go back; firmwareAfter
    // is then the run's version, or empty when not known yet).
    bool upgraded = false;
    bool configured = false;
    bool checked = false;
    bool ok = false;
    // What stopped this keypad, without a line break; empty when ok.
    std::string error;
    double seconds = 0;
};

// "00012345" for a terminal, or the path for a keypad that reports no serial number of its own.
std::string KeypadName(const std::string& serialNumber, const std::string& path);

inline constexpr char kNotDoneText[] = "Not done: the run stopped first.";

struct Summary {
    int done = 0;
    int failed = 0;
    // Why the run ended before its count and without a stop request; empty otherwise.
    std::string stoppedBecause;
    // Ended before its count: the keypads connected then that the run had neither done nor
    // reported, each with kNotDoneText as its error.
    std::vector<KeypadOutcome> leftUndone;
};

class BatchProvisioner {
public:
    using Report = std::function<void(const KeypadOutcome&)>;
    // The upgrade's status lines for the keypad at hand (for a progress display); the keypad is
    // named by its serial number as a line of text shows it, or by its path.
    using Progress = std::function<void(const std::string& keypad, const std::string& line)>;
    using StopRequested = std::function<bool()>;

    BatchProvisioner(Options options, Report report, StopRequested stop, Progress progress = {});

    // Until the count is reached or a stop is requested (looked at between keypads and while
    // waiting for one).
    Summary Run();

    // One round: the keypads present now that are still to do, the first of them done. Returns
    // whether anything was done; Run waits for a device event when nothing was.
    bool Round();

    // The version learnt or given.
    const std::optional<std::string>& firmwareVersion() const { return options_.firmwareVersion; }

private:
    bool Finished() const;
    KeypadOutcome ProvisionKeypad(const keypad::KeypadListing& listing);
    // False with outcome.error set when the upgrade failed.
    bool Upgrade(const keypad::KeypadListing& listing, KeypadOutcome& outcome);
    bool Replay(KeypadOutcome& outcome);
    bool Check(KeypadOutcome& outcome);
    void Record(const KeypadOutcome& outcome);
    // Each keypad sitting in its boot loader is reported once while it stays: it has no serial
    // number to configure, and the operator would otherwise wait for it without a word.
    bool ReportBootLoaders();
    static std::set<std::string> BootLoadersOnTheBus();
    // True once the keypad counts as done in this run.
    bool Done(const keypad::KeypadListing& listing) const;
    // Its status holds what the run writes.
    bool HoldsThePlan(const keypad::KeypadListing& listing) const;
    // The keypad that failed at that path, still plugged in: not tried again until replugged.
    bool LeftAlone(const keypad::KeypadListing& listing);
    // Another keypad on the bus now, done in this run, that reports listing's serial number:
    // its path, or "".
    std::string TwinOf(const keypad::KeypadListing& listing,
                       const std::vector<keypad::KeypadListing>& keypads) const;
    // The keypads connected now that the run has neither done nor reported.
    std::vector<KeypadOutcome> Undone();
    // The record of a keypad the run leaves as it is (no error set yet).
    static KeypadOutcome LeftAsItIs(const keypad::KeypadListing& listing);

    Options options_;
    // The firmware version came with the options, not learnt in the run.
    bool versionGiven_;
    // An upgrade of this run went through: the firmware and the RAM boot loader work.
    bool upgradeWentThrough_ = false;
    Report report_;
    StopRequested stop_;
    Progress progress_;
    Summary summary_;
    // Keypads done, by the serial number they report; keypads without one of their own by
    // their path while they stay plugged in. Failed keypads are in reportedPaths_.
    // Serial number -> where that keypad was when last seen.
    std::map<std::string, std::string> doneSerials_;
    std::set<std::string> donePaths_;
    // Paths that cannot be opened or do not answer, with when that was first seen; reported
    // once when they stay so for kSettleMs.
    std::vector<std::pair<std::string, uint64_t>> troubled_;
    // Paths reported as failed, left alone while the keypad that failed there stays plugged in:
    // the serial number it reported, and (without one) the status it was left with.
    struct Failed {
        std::string serialNumber;
        std::optional<keypad::KeypadStatus> status;
    };
    std::map<std::string, Failed> reportedPaths_;
    // The keypad paths of the last round.
    std::vector<std::string> lastPaths_;
    // The boot loaders on the bus at the last look (each reported, or one of ours).
    std::set<std::string> bootLoadersSeen_;
};

} // namespace provision
