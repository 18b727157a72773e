#pragma once

// A device that answers each OUT report with whatever reports a test queued for it, byte for
// byte: for reply layouts no real firmware would send.

#include "emulator/SimulatedDevice.h"
#include "emulator/VirtualBus.h"

#include <deque>
#include <mutex>

namespace emulator {

class ScriptedDevice : public SimulatedDevice {
public:
    ScriptedDevice(uint16_t vid, uint16_t pid, std::vector<InterfaceInfo> interfaces)
        : vid_(vid), pid_(pid), interfaces_(std::move(interfaces)) {}

    uint16_t VendorId() const override { return vid_; }
    uint16_t ProductId() const override { return pid_; }
    std::vector<InterfaceInfo> Interfaces() const override { return interfaces_; }

    // The reports sent back after the next OUT report, delayMs apart.
    void QueueAnswer(std::vector<Report> reports, uint32_t delayMs = 0) {
        std::lock_guard lock(VirtualBus::Instance().mutex());
        answers_.push_back({std::move(reports), delayMs});
    }

    // Forgets answers no OUT report has used (the program sent nothing for them).
    void ClearAnswers() {
        std::lock_guard lock(VirtualBus::Instance().mutex());
        answers_.clear();
    }

    // The last kKeptWrites reports written to it, oldest first: a long run (a fuzzer's) keeps
    // no more than that.
    static constexpr std::size_t kKeptWrites = 256;
    std::vector<Report> written() const {
        std::lock_guard lock(VirtualBus::Instance().mutex());
        return {written_.begin(), written_.end()};
    }

    void OnOutputReport(int, std::span<const uint8_t> report, uint64_t arrivalUs,
                        std::vector<TimedReport>& replies) override {
        if (written_.size() == kKeptWrites) {
            written_.pop_front();
        }
        written_.emplace_back(report.begin(), report.end());
        if (answers_.empty()) {
            return;
        }
        Answer answer = std::move(answers_.front());
        answers_.pop_front();
        uint64_t due = NextFrameUs(arrivalUs);
        for (auto& report : answer.reports) {
            replies.push_back({due, std::move(report)});
            due += uint64_t{answer.delayMs > 0 ? answer.delayMs : 1} * 1000;
        }
    }

private:
    struct Answer {
        std::vector<Report> reports;
        uint32_t delayMs;
    };
    uint16_t vid_;
    uint16_t pid_;
    std::vector<InterfaceInfo> interfaces_;
    std::deque<Answer> answers_;
    std::deque<Report> written_;
};

} // namespace emulator
