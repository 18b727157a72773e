#pragma once

// The self test's LED sequence and key phase, run by its worker, and the restore after it.

#include "selftest/SelfTestObserver.h"

#include <atomic>
#include <cstdint>

namespace selftest {

inline constexpr int kBlinkRounds = 4;
inline constexpr int kBlinkOffLevel = 0;
inline constexpr int kBlinkOnLevel = 8;
inline constexpr uint32_t kBlinkStepMs = 500;
inline constexpr int kSweepLevels = 10;
inline constexpr uint32_t kSweepStepMs = 500;
// The code table whose key codes the key phase expects.
inline constexpr int kKeyPhaseTable = 0;
inline constexpr uint32_t kTableSettleMs = 100;
inline constexpr uint32_t kClosePollMs = 100;

enum class SequenceEnd {
    Closed,        // "Close" was pressed
    CommandFailed, // the keypad refused or did not answer a command
};

// Runs the sequence until closeForm is 1 or a command fails, whichever comes first; the
// LED phases look at closeForm after each round, the key phase every 100 ms.
SequenceEnd RunSelfTestSequence(int ledBrightness_index, SelfTestObserver& observer,
                                const std::atomic<int>& closeForm);

// Puts the keypad's own code table and brightness back, both tried whatever the first does;
// false when either was not taken. The window closes either way.
bool RestoreKeypad(int keypadType_index, int ledBrightness_index);

} // namespace selftest
