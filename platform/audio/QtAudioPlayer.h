#pragma once

#include "platform/audio/AudioPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>

namespace platform {

// A sound file on the default audio output.
class QtAudioPlayer final : public AudioPlayer {
public:
    QtAudioPlayer();
    ~QtAudioPlayer() override;
    void Play(const std::string& path) override;
    void Stop() override;
    bool CanPlay() override;

private:
    QAudioOutput output_;
    QMediaPlayer player_;
};

} // namespace platform
