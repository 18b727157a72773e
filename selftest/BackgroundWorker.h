#pragma once

// A minimal background worker: runs one job on its own thread and reports its end on the
// thread that owns the worker. Kept small so the shared ui/ worker can take its place.

#include <QObject>

#include <functional>

class QThread;

namespace praxil_usb_encoder {

class BackgroundWorker final : public QObject {
    Q_OBJECT
public:
    explicit BackgroundWorker(QObject* parent = nullptr);
    // Waits for a running job to return.
    ~BackgroundWorker() override;

    // Starts doWork on a new thread; false while a job is still running.
    bool RunWorkerAsync(std::function<void()> doWork);
    bool IsBusy() const;
    // Blocks until the running job has returned (RunWorkerCompleted still comes queued).
    void Wait();

signals:
    // On the owner's thread, once the job has returned.
    void RunWorkerCompleted();

private:
    QThread* thread_ = nullptr;
};

} // namespace praxil_usb_encoder
