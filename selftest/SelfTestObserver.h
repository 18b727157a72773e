#pragma once

// What the self-test sequence tells its window as it goes. Called on the worker's thread: an
// implementation hands each call on to the window thread.

namespace selftest {

class SelfTestObserver {
public:
    virtual ~SelfTestObserver() = default;
    virtual void BlinkStarted() = 0;
    // The blink has passed and the brightness sweep starts.
    virtual void BlinkPassed() = 0;
    virtual void SweepLevel(int level) = 0;
    virtual void SweepPassed() = 0;
    // Asks for the keys and returns once the prompt has been dismissed.
    virtual void PromptForKeys() = 0;
};

} // namespace selftest
