#include "AudioSystem.h"

#include "platform/audio/QtAudioSystem.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<AudioSystem*> installed{nullptr};
} // namespace

AudioSystem& CurrentAudio() {
    AudioSystem* audio = installed.load();
    if (audio != nullptr) {
        return *audio;
    }
    static QtAudioSystem qtAudio;
    return qtAudio;
}

void InstallAudio(AudioSystem* audio) {
    installed.store(audio);
}

} // namespace platform
