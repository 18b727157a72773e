#include "QtAudioPlayer.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QUrl>

namespace platform {

QtAudioPlayer::QtAudioPlayer() {
    player_.setAudioOutput(&output_);
}

QtAudioPlayer::~QtAudioPlayer() {
    player_.stop();
}

void QtAudioPlayer::Play(const std::string& path) {
    player_.stop();
    player_.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    player_.play();
}

void QtAudioPlayer::Stop() {
    player_.stop();
}

bool QtAudioPlayer::CanPlay() {
    return !QMediaDevices::audioOutputs().isEmpty();
}

} // namespace platform
