#pragma once

// Where players and recorders come from: Qt Multimedia unless a test installed another.

#include "platform/audio/AudioPlayer.h"
#include "platform/audio/AudioRecorder.h"

#include <memory>

namespace platform {

class AudioSystem {
public:
    virtual ~AudioSystem() = default;
    virtual std::unique_ptr<AudioPlayer> CreatePlayer() = 0;
    virtual std::unique_ptr<AudioRecorder> CreateRecorder() = 0;
};

// The audio system in use; never null.
AudioSystem& CurrentAudio();
// Installs audio (nullptr puts Qt Multimedia back). The caller keeps ownership.
void InstallAudio(AudioSystem* audio);

} // namespace platform
