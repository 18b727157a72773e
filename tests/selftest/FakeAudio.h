#pragma once

// An audio system without a sound device: it keeps what the window asked of it.

#include "platform/audio/AudioSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class FakeAudio final : public platform::AudioSystem {
public:
    struct Log {
        std::vector<std::string> played; // paths, in order
        int playersOpen = 0;
        int recordersCreated = 0;
        int recordersOpen = 0;
        int recordingsStarted = 0;
        int recordingsStopped = 0;
        int playBacks = 0;
    };

    FakeAudio() { platform::InstallAudio(this); }
    ~FakeAudio() override { platform::InstallAudio(nullptr); }

    bool hasInput = true;
    bool hasOutput = true;
    bool startWorks = true;
    bool stopWorks = true;
    std::shared_ptr<Log> log = std::make_shared<Log>();

    std::unique_ptr<platform::AudioPlayer> CreatePlayer() override {
        return std::make_unique<Player>(log, hasOutput);
    }
    std::unique_ptr<platform::AudioRecorder> CreateRecorder() override {
        ++log->recordersCreated;
        return std::make_unique<Recorder>(*this);
    }

private:
    class Player final : public platform::AudioPlayer {
    public:
        Player(std::shared_ptr<Log> log, bool hasOutput)
            : log_(std::move(log)), hasOutput_(hasOutput) {
            ++log_->playersOpen;
        }
        ~Player() override { --log_->playersOpen; }
        void Play(const std::string& path) override {
            if (hasOutput_) {
                log_->played.push_back(path);
            }
        }
        void Stop() override {}
        bool CanPlay() override { return hasOutput_; }

    private:
        std::shared_ptr<Log> log_;
        bool hasOutput_;
    };

    class Recorder final : public platform::AudioRecorder {
    public:
        explicit Recorder(FakeAudio& audio) : audio_(audio), log_(audio.log) {
            ++log_->recordersOpen;
        }
        ~Recorder() override { --log_->recordersOpen; }
        bool CanRecord() override { return audio_.hasInput; }
        bool Start() override {
            recording_ = audio_.startWorks;
            log_->recordingsStarted += recording_ ? 1 : 0;
            return recording_;
        }
        bool Stop() override {
            const bool stopped = recording_ && audio_.stopWorks;
            log_->recordingsStopped += stopped ? 1 : 0;
            kept_ = stopped;
            recording_ = false;
            return stopped;
        }
        bool CanSave() override { return kept_; }
        void PlayBack() override { ++log_->playBacks; }

    private:
        FakeAudio& audio_;
        std::shared_ptr<Log> log_;
        bool recording_ = false;
        bool kept_ = false;
    };
};

} // namespace testsupport
