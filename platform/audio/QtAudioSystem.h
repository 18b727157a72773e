#pragma once

#include "platform/audio/AudioSystem.h"

namespace platform {

// Players and recorders on Qt Multimedia.
class QtAudioSystem final : public AudioSystem {
public:
    std::unique_ptr<AudioPlayer> CreatePlayer() override;
    std::unique_ptr<AudioRecorder> CreateRecorder() override;
};

} // namespace platform
