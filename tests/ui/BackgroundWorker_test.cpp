#include "ui/BackgroundWorker.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

using ui::BackgroundWorker;

// A generous bound for the worker thread to finish; the tests never depend on its timing.
constexpr int kWaitMs = 30000;

TEST(BackgroundWorker, ReportsProgressAndCompletionOnTheWindowThreadInOrder) {
    BackgroundWorker worker;
    std::atomic<QThread*> workThread{nullptr};
    worker.DoWork = [&workThread](BackgroundWorker& self, BackgroundWorker::WorkArgs& args) {
        workThread = QThread::currentThread();
        for (int percent = 0; percent <= 100; percent += 25) {
            self.ReportProgress(percent, QStringLiteral("step %1").arg(percent));
        }
        args.result = args.argument.toInt() * 2;
    };
    QList<int> progress;
    bool progressOnWindowThread = true;
    QObject::connect(&worker, &BackgroundWorker::ProgressChanged,
                     [&](int percent, const QVariant& state) {
                         progress << percent;
                         progressOnWindowThread &= QThread::currentThread() == qApp->thread();
                         EXPECT_EQ(state.toString(), QStringLiteral("step %1").arg(percent));
                     });
    QThread* completedOn = nullptr;
    QObject::connect(
        &worker, &BackgroundWorker::RunWorkerCompleted,
        [&](const QVariant&, bool, const QString&) { completedOn = QThread::currentThread(); });
    QSignalSpy completed(&worker, &BackgroundWorker::RunWorkerCompleted);

    ASSERT_TRUE(worker.RunWorkerAsync(21));
    EXPECT_TRUE(worker.IsBusy());
    ASSERT_TRUE(completed.wait(kWaitMs));
    EXPECT_NE(workThread.load(), qApp->thread());
    EXPECT_EQ(completedOn, qApp->thread());
    EXPECT_TRUE(progressOnWindowThread);
    // Every progress report arrived before the completion.
    EXPECT_EQ(progress, QList<int>({0, 25, 50, 75, 100}));
    EXPECT_EQ(completed[0][0].toInt(), 42);
    EXPECT_FALSE(completed[0][1].toBool());
    EXPECT_TRUE(completed[0][2].toString().isEmpty());
    EXPECT_FALSE(worker.IsBusy());
}

TEST(BackgroundWorker, ACancelledJobSaysSo) {
    BackgroundWorker worker;
    std::atomic<bool> started{false};
    worker.DoWork = [&started](BackgroundWorker& self, BackgroundWorker::WorkArgs& args) {
        started = true;
        while (!self.CancellationPending()) {
            std::this_thread::yield();
        }
        args.cancel = true;
    };
    QSignalSpy completed(&worker, &BackgroundWorker::RunWorkerCompleted);
    ASSERT_TRUE(worker.RunWorkerAsync());
    // A second start while the first runs is refused.
    EXPECT_FALSE(worker.RunWorkerAsync());
    worker.CancelAsync();
    ASSERT_TRUE(completed.wait(kWaitMs));
    EXPECT_TRUE(completed[0][1].toBool());
    EXPECT_TRUE(started);
    // It can run again afterwards.
    EXPECT_TRUE(worker.RunWorkerAsync());
    worker.CancelAsync();
    ASSERT_TRUE(completed.wait(kWaitMs));
}

TEST(BackgroundWorker, AnExceptionEndsTheJobWithItsText) {
    BackgroundWorker worker;
    worker.DoWork = [](BackgroundWorker&, BackgroundWorker::WorkArgs&) {
        throw std::runtime_error("boot loader gone");
    };
    QSignalSpy completed(&worker, &BackgroundWorker::RunWorkerCompleted);
    ASSERT_TRUE(worker.RunWorkerAsync());
    ASSERT_TRUE(completed.wait(kWaitMs));
    EXPECT_EQ(completed[0][2].toString(), "boot loader gone");
}

TEST(BackgroundWorker, DestroyingItStopsAndJoinsARunningJob) {
    std::atomic<bool> stopped{false};
    {
        BackgroundWorker worker;
        worker.DoWork = [&stopped](BackgroundWorker& self, BackgroundWorker::WorkArgs&) {
            while (!self.CancellationPending()) {
                self.ReportProgress(1);
                std::this_thread::yield();
            }
            stopped = true;
        };
        ASSERT_TRUE(worker.RunWorkerAsync());
    }
    EXPECT_TRUE(stopped);
    // Reports still queued for the destroyed worker are dropped.
    QCoreApplication::processEvents();
}

TEST(BackgroundWorker, WaitReturnsOnceTheJobHasAndTheCompletionStillComes) {
    BackgroundWorker worker;
    std::atomic<bool> release{false};
    std::atomic<bool> returned{false};
    worker.DoWork = [&](BackgroundWorker&, BackgroundWorker::WorkArgs& args) {
        while (!release) {
            std::this_thread::yield();
        }
        args.result = 7;
        returned = true;
    };
    QSignalSpy completed(&worker, &BackgroundWorker::RunWorkerCompleted);
    ASSERT_TRUE(worker.RunWorkerAsync());
    std::thread releaser([&release] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        release = true;
    });
    worker.Wait();
    releaser.join();
    EXPECT_TRUE(returned);
    // Still busy and not yet reported: the completion comes through the event loop.
    EXPECT_TRUE(worker.IsBusy());
    EXPECT_EQ(completed.count(), 0);
    ASSERT_TRUE(completed.wait(kWaitMs));
    EXPECT_EQ(completed[0][0].toInt(), 7);
    EXPECT_FALSE(worker.IsBusy());
    worker.Wait(); // nothing running: returns at once
}

TEST(BackgroundWorker, WithoutAJobNothingStarts) {
    BackgroundWorker worker;
    EXPECT_FALSE(worker.RunWorkerAsync());
    EXPECT_FALSE(worker.IsBusy());
}

} // namespace
