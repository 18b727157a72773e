#pragma once

// Records from the default audio input and plays the recording back. Destroying the recorder
// stops it and throws the recording away.

namespace platform {

class AudioRecorder {
public:
    virtual ~AudioRecorder() = default;
    // There is an audio input to record from.
    virtual bool CanRecord() = 0;
    // Starts recording; false when it could not start.
    virtual bool Start() = 0;
    // Stops recording; false when nothing was being recorded or the recording failed.
    virtual bool Stop() = 0;
    // A recording has been kept and can be played back.
    virtual bool CanSave() = 0;
    // Plays the recording back (as soon as it has been written out).
    virtual void PlayBack() = 0;
};

} // namespace platform
