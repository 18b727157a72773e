#include "BackgroundWorker.h"

#include <QThread>

namespace praxil_usb_encoder {

BackgroundWorker::BackgroundWorker(QObject* parent) : QObject(parent) {}

BackgroundWorker::~BackgroundWorker() {
    Wait();
    delete thread_;
}

bool BackgroundWorker::RunWorkerAsync(std::function<void()> doWork) {
    if (IsBusy()) {
        return false;
    }
    delete thread_;
    thread_ = QThread::create(std::move(doWork));
    // finished comes from the worker thread; the context object makes the call queued.
    connect(thread_, &QThread::finished, this, &BackgroundWorker::RunWorkerCompleted,
            Qt::QueuedConnection);
    thread_->start();
    return true;
}

bool BackgroundWorker::IsBusy() const {
    return thread_ != nullptr && !thread_->isFinished();
}

void BackgroundWorker::Wait() {
    if (thread_ != nullptr) {
        thread_->wait();
    }
}

} // namespace praxil_usb_encoder
