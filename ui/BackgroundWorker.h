#pragma once

// Runs a job on its own thread and reports back on the window thread: DoWork runs on the
// worker thread, ProgressChanged and RunWorkerCompleted are emitted on the thread that owns
// the worker (the window thread), through queued calls. Cancellation is a flag the job polls.

#include <QObject>
#include <QString>
#include <QVariant>

#include <atomic>
#include <functional>

class QThread;

namespace ui {

class BackgroundWorker : public QObject {
    Q_OBJECT
public:
    // What DoWork gets and fills in.
    struct WorkArgs {
        QVariant argument;
        QVariant result;
        // Set by a job that stops because CancellationPending() was true.
        bool cancel = false;
    };

    explicit BackgroundWorker(QObject* parent = nullptr);
    // Asks a running job to stop and waits for its thread; its completion is not reported.
    ~BackgroundWorker() override;

    // The job. It must not wait for the window thread, which may be waiting for it.
    std::function<void(BackgroundWorker& worker, WorkArgs& args)> DoWork;

    // Starts the job; false (and nothing started) while one is still running or none is set.
    bool RunWorkerAsync(const QVariant& argument = {});
    // True from RunWorkerAsync until RunWorkerCompleted has been emitted.
    bool IsBusy() const { return busy_; }

    // Blocks until a running job has returned; RunWorkerCompleted still comes, queued. For a
    // window that must know its job is over before it puts the keypad back.
    void Wait();

    void CancelAsync() { cancellationPending_ = true; }
    bool CancellationPending() const { return cancellationPending_; }

    // From the job: delivered as ProgressChanged on the window thread, in order.
    void ReportProgress(int percent, const QVariant& userState = {});
    // From the job: runs action on the window thread (after the progress reported before it).
    void InvokeOnWindowThread(std::function<void()> action);

signals:
    void ProgressChanged(int percent, const QVariant& userState);
    // error is the text of an exception that ended the job, empty otherwise.
    void RunWorkerCompleted(const QVariant& result, bool cancelled, const QString& error);

private:
    void Finish(const QVariant& result, bool cancelled, const QString& error);

    QThread* thread_ = nullptr;
    bool busy_ = false;
    std::atomic<bool> cancellationPending_{false};
};

} // namespace ui
