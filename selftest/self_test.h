#pragma once

// "Self Test": blinks and sweeps the keypad's LEDs, asks for each key and marks the inputs
// that sent their expected code, plays the test sound and records from the default input.

#include "selftest/SelfTestLayout.h"
#include "selftest/SelfTestObserver.h"
#include "selftest/SelfTestSequence.h"

#include <QWidget>

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace platform {
class AudioPlayer;
class AudioRecorder;
} // namespace platform

namespace ui {
class BackgroundWorker;
}

namespace praxil_usb_encoder {

class self_test final : public QWidget, private selftest::SelfTestObserver {
    Q_OBJECT
public:
    // Builds the window, reads the keypad's status, lays out the markers, asks about the
    // microphone and starts the worker.
    explicit self_test(QWidget* owner);
    // Stops a running worker and puts the keypad back as it was.
    ~self_test() override;

    // Shared by every self test of the run.
    static selftest::KeyCodes actualKeyCode;
    static std::array<bool, selftest::kInputCount> buttonArray;
    static int installMode;

    int ledBrightness_index = 0;
    int keypadType_index = 0;
    std::string firmwareVersion;
    // 1 once "Close" was pressed; the worker polls it.
    std::atomic<int> closeForm{0};

    QLabel* label3 = nullptr;
    QLabel* ledLbl = nullptr;
    QLabel* ledColourLbl = nullptr;
    QCheckBox* ledCheckBox = nullptr;
    QLabel* ledBrightnessLbl = nullptr;
    QLabel* ledLevelLbl = nullptr;
    QCheckBox* brightnessCheckBox = nullptr;
    QLabel* pictureBox1 = nullptr;
    std::array<QPushButton*, selftest::kInputCount> markers{}; // button1 .. button10
    QLabel* label1 = nullptr;
    QPushButton* button17 = nullptr; // Play
    QPushButton* button23 = nullptr; // Record
    QPushButton* endBtn = nullptr;   // Close

    // The status read at opening worked and the sequence was started.
    bool SequenceStarted() const { return sequenceStarted_; }

    // For the program's exit: ends a running sequence now (the worker stops after its current
    // step), puts the keypad's table and brightness back while the handle is still open, and
    // closes the window.
    void EndForExit();

    // Thread-safe setters: from the worker they hand themselves on to the window thread, which
    // pauses 80 ms after each change.
    void AddTextToObject(QLabel* txtBox, const QString& str);
    void AmendCheckBox(QCheckBox* chkBox, bool checked, const QString& str);
    void SetBackColour(QWidget* control, const QColor& colour);

public slots:
    void button17_Click();
    void button23_Click();
    void endBtn_MouseClick_1();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void InitializeSelfTest();
    // Names, the keys of the buttons, Escape, the tab chain and first focus.
    void MakeKeyboardAndScreenReaderReady();
    // Play, Record, the markers in reading order, Close.
    void SetTabChain();
    // Off the window thread a change is posted to it instead of made: true when posted.
    bool PostedToWindowThread(std::function<void()> change);
    // What a label's green means, for a screen reader ("Running", "Passed"); thread-safe.
    void TellPhase(QWidget* label, const char* state);
    void OpenSequence(QWidget* owner);
    void self_test_Load();
    void backgroundWorker1_DoWork();
    void backgroundWorker1_RunWorkerCompleted();
    void ProcessCmdKey(const QKeyEvent& event);
    void MarkInput(int input);
    void CloseAudio();
    void StopWorker();

    void BlinkStarted() override;
    void BlinkPassed() override;
    void SweepLevel(int level) override;
    void SweepPassed() override;
    void PromptForKeys() override;

    ui::BackgroundWorker* worker_ = nullptr;
    bool sequenceStarted_ = false;
    // How the worker's sequence ended; read once the worker has finished.
    selftest::SequenceEnd sequenceEnd_ = selftest::SequenceEnd::Closed;
    bool restored_ = false;
    bool closeAllowed_ = false;
    bool loaded_ = false;

    // The worker waits here while the window thread shows the key prompt.
    std::mutex promptMutex_;
    std::condition_variable promptCondition_;
    bool promptDone_ = false;

    // The current audio: a player or a recorder, never both.
    std::unique_ptr<platform::AudioPlayer> player_;
    std::unique_ptr<platform::AudioRecorder> recorder_;
};

// Form1's "Test Echovane" once it has read the status: statusReadResult is that read's
// result (GetDeviceStatusMessage). Shows the window at the main window's position, or the
// message when the read failed. A self test that is still open is brought to the front
// instead of starting a second one on the same keypad.
self_test* OpenSelfTest(QWidget* mainWindow, int statusReadResult);

} // namespace praxil_usb_encoder
