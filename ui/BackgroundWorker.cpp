#include "BackgroundWorker.h"

#include <QMetaObject>
#include <QThread>

#include <exception>

namespace ui {

BackgroundWorker::BackgroundWorker(QObject* parent) : QObject(parent) {}

BackgroundWorker::~BackgroundWorker() {
    cancellationPending_ = true;
    if (thread_ != nullptr) {
        thread_->wait();
        delete thread_;
    }
}

bool BackgroundWorker::RunWorkerAsync(const QVariant& argument) {
    if (busy_ || !DoWork) {
        return false;
    }
    if (thread_ != nullptr) {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
    }
    busy_ = true;
    cancellationPending_ = false;
    auto job = DoWork;
    thread_ = QThread::create([this, job, argument]() {
        WorkArgs args;
        args.argument = argument;
        QString error;
        try {
            job(*this, args);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
            if (error.isEmpty()) {
                error = QStringLiteral("unknown error");
            }
        } catch (...) {
            error = QStringLiteral("unknown error");
        }
        const QVariant result = args.result;
        const bool cancelled = args.cancel;
        QMetaObject::invokeMethod(
            this, [this, result, cancelled, error]() { Finish(result, cancelled, error); },
            Qt::QueuedConnection);
    });
    thread_->start();
    return true;
}

void BackgroundWorker::Wait() {
    if (thread_ != nullptr) {
        thread_->wait();
    }
}

void BackgroundWorker::Finish(const QVariant& result, bool cancelled, const QString& error) {
    // The job has returned; its thread is about to end.
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    busy_ = false;
    emit RunWorkerCompleted(result, cancelled, error);
}

void BackgroundWorker::ReportProgress(int percent, const QVariant& userState) {
    QMetaObject::invokeMethod(
        this, [this, percent, userState]() { emit ProgressChanged(percent, userState); },
        Qt::QueuedConnection);
}

void BackgroundWorker::InvokeOnWindowThread(std::function<void()> action) {
    QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}

} // namespace ui
