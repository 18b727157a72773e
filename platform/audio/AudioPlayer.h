#pragma once

// Plays one sound file. Destroying the player stops it.

#include <string>

namespace platform {

class AudioPlayer {
public:
    virtual ~AudioPlayer() = default;
    // Starts playing path from its beginning; a file that cannot be played stays silent.
    virtual void Play(const std::string& path) = 0;
    virtual void Stop() = 0;
    // There is an audio output to play on; without one Play stays silent.
    virtual bool CanPlay() = 0;
};

} // namespace platform
