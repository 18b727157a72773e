#include "QtAudioRecorder.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QUrl>

namespace platform {

QtAudioRecorder::QtAudioRecorder() {
    session_.setAudioInput(&input_);
    session_.setRecorder(&recorder_);
    playback_.setAudioOutput(&output_);
    // Writing the file out ends after stop() returns; the recording is played from it then.
    QObject::connect(&recorder_, &QMediaRecorder::recorderStateChanged, &recorder_,
                     [this](QMediaRecorder::RecorderState state) {
                         if (state == QMediaRecorder::StoppedState && playBackWhenWritten_) {
                             PlayWhenWritten();
                         }
                     });
}

QtAudioRecorder::~QtAudioRecorder() {
    playBackWhenWritten_ = false;
    playback_.stop();
    recorder_.stop();
}

bool QtAudioRecorder::CanRecord() {
    return folder_.isValid() && !QMediaDevices::defaultAudioInput().isNull();
}

bool QtAudioRecorder::Start() {
    if (!CanRecord()) {
        return false;
    }
    playback_.stop();
    playBackWhenWritten_ = false;
    input_.setDevice(QMediaDevices::defaultAudioInput());
    recorder_.setOutputLocation(QUrl::fromLocalFile(folder_.filePath(QStringLiteral("recording"))));
    recorder_.record();
    return recorder_.error() == QMediaRecorder::NoError;
}

bool QtAudioRecorder::Stop() {
    if (recorder_.recorderState() == QMediaRecorder::StoppedState) {
        return false;
    }
    recorder_.stop();
    return recorder_.error() == QMediaRecorder::NoError;
}

bool QtAudioRecorder::CanSave() {
    return recorder_.error() == QMediaRecorder::NoError && !recorder_.actualLocation().isEmpty();
}

void QtAudioRecorder::PlayBack() {
    playBackWhenWritten_ = true;
    if (recorder_.recorderState() == QMediaRecorder::StoppedState) {
        PlayWhenWritten();
    }
}

void QtAudioRecorder::PlayWhenWritten() {
    playBackWhenWritten_ = false;
    const QUrl recording = recorder_.actualLocation();
    if (recording.isEmpty() || !QFileInfo::exists(recording.toLocalFile())) {
        return;
    }
    playback_.setSource(recording);
    playback_.play();
}

} // namespace platform
