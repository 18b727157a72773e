#pragma once

#include "platform/audio/AudioRecorder.h"

#include <QAudioInput>
#include <QAudioOutput>
#include <QMediaCaptureSession>
#include <QMediaPlayer>
#include <QMediaRecorder>
#include <QTemporaryDir>

namespace platform {

// Records the default audio input into a temporary file and plays it back from there.
class QtAudioRecorder final : public AudioRecorder {
public:
    QtAudioRecorder();
    ~QtAudioRecorder() override;
    bool CanRecord() override;
    bool Start() override;
    bool Stop() override;
    bool CanSave() override;
    void PlayBack() override;

private:
    void PlayWhenWritten();

    QTemporaryDir folder_;
    QMediaCaptureSession session_;
    QAudioInput input_;
    QMediaRecorder recorder_;
    QAudioOutput output_;
    QMediaPlayer playback_;
    bool playBackWhenWritten_ = false;
};

} // namespace platform
