#include "QtAudioSystem.h"

#include "platform/audio/QtAudioPlayer.h"
#include "platform/audio/QtAudioRecorder.h"

namespace platform {

std::unique_ptr<AudioPlayer> QtAudioSystem::CreatePlayer() {
    return std::make_unique<QtAudioPlayer>();
}

std::unique_ptr<AudioRecorder> QtAudioSystem::CreateRecorder() {
    return std::make_unique<QtAudioRecorder>();
}

} // namespace platform
