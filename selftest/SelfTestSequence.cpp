#include "SelfTestSequence.h"

#include "device/frame.h"
#include "keypad/KeypadCommands.h"
#include "platform/clock.h"

namespace selftest {
namespace {

bool Closed(const std::atomic<int>& closeForm) {
    return closeForm.load() == 1;
}

} // namespace

SequenceEnd RunSelfTestSequence(int ledBrightness_index, SelfTestObserver& observer,
                                const std::atomic<int>& closeForm) {
    observer.BlinkStarted();
    for (int round = 0; round < kBlinkRounds; ++round) {
        const int32_t off = keypad::SetLedBrightness(kBlinkOffLevel).exchange;
        SleepMs(kBlinkStepMs);
        const int32_t on = keypad::SetLedBrightness(kBlinkOnLevel).exchange;
        SleepMs(kBlinkStepMs);
        if (off != 0 || on != 0) {
            return SequenceEnd::CommandFailed;
        }
        if (Closed(closeForm)) {
            return SequenceEnd::Closed;
        }
    }

    if (keypad::SetLedBrightness(kBlinkOffLevel).exchange != 0) {
        return SequenceEnd::CommandFailed;
    }
    observer.BlinkPassed();
    for (int level = 0; level < kSweepLevels; ++level) {
        observer.SweepLevel(level);
        const int32_t result = keypad::SetLedBrightness(level).exchange;
        SleepMs(kSweepStepMs);
        if (result != 0) {
            return SequenceEnd::CommandFailed;
        }
        if (Closed(closeForm)) {
            return SequenceEnd::Closed;
        }
    }

    if (keypad::SetLedBrightness(kBlinkOffLevel).exchange != 0) {
        return SequenceEnd::CommandFailed;
    }
    observer.SweepPassed();
    // The keypad's own brightness for the key phase; the restore sets it again at the end, so
    // a refusal here is no reason to stop.
    keypad::SetLedBrightness(ledBrightness_index).exchange;

    observer.PromptForKeys();
    if (Closed(closeForm)) {
        return SequenceEnd::Closed;
    }
    const int32_t table = keypad::SetKeypadType(kKeyPhaseTable).exchange;
    SleepMs(kTableSettleMs);
    if (table != 0) {
        return SequenceEnd::CommandFailed;
    }
    while (!Closed(closeForm)) {
        SleepMs(kClosePollMs);
    }
    return SequenceEnd::Closed;
}

bool RestoreKeypad(int keypadType_index, int ledBrightness_index) {
    const bool table = keypad::SetKeypadType(keypadType_index).exchange == kExchangeOk;
    const bool brightness = keypad::SetLedBrightness(ledBrightness_index).exchange == kExchangeOk;
    return table && brightness;
}

} // namespace selftest
