#pragma once

// The demo's stand-in for the keypad on the desk: plug it in or out, turn it, insert the jack
// and press its ten keys. Key presses reach the window that has the focus, with the codes the
// keypad's active table gives the key, as the desktop would deliver them from a real keypad.

#include "emulator/SimulatedKeypad.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

namespace app {

inline constexpr int kPanelKeyCount = 10;
inline constexpr std::array<const char*, kPanelKeyCount> kPanelKeyNames = {
    "Volume", "Left",       "Right",    "Down",    "Up",
    "Enter",  "Horizontal", "Vertical", "Jack IN", "Jack OUT"};
inline constexpr int kHorizontalKey = 6;
inline constexpr int kVerticalKey = 7;
inline constexpr int kJackInKey = 8;
inline constexpr int kJackOutKey = 9;

class SimulatedKeypadPanel : public QWidget {
    Q_OBJECT
public:
    explicit SimulatedKeypadPanel(std::shared_ptr<emulator::SimulatedKeypad> keypad,
                                  QWidget* parent = nullptr);

    // Shows the panel to the right of window.
    void ShowBeside(QWidget& window);

    // Key presses go to target when one is set, else to the widget that last had the focus
    // outside this panel, else to the active window.
    void SetKeyTarget(QWidget* target) { explicitTarget_ = target; }
    QWidget* KeyTarget() const;

    bool IsPlugged() const;
    void SetPlugged(bool plugged);
    // The keypad reports these as presses of its Jack IN / Jack OUT and Horizontal / Vertical
    // keys.
    void SetJackInserted(bool inserted);
    void SetHorizontal(bool horizontal);
    // keyIndex 0..9 in table order; does nothing while the keypad is unplugged.
    void PressKey(int keyIndex);

    QPushButton* plugButton;
    std::array<QPushButton*, kPanelKeyCount> keyButtons{};
    QLabel* stateLabel;

protected:
    // The keyboard paths, seen before any window of the program gets the key.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Ctrl+Shift+key presses button from any window of the program, also while a message box
    // waits for an answer (a cable can be pulled then too).
    void AddKeyboardPath(QPushButton& button, int key);
    void UpdateState();
    void DeliverKey(int keyIndex);

    // Whether the cable is in, as the panel's own button left it; the demo starts plugged in.
    bool plugged_ = true;

    std::shared_ptr<emulator::SimulatedKeypad> keypad_;
    QPointer<QWidget> explicitTarget_;
    QPointer<QWidget> lastFocus_;
    QTimer* busTimer_;
    std::vector<std::pair<QKeyCombination, QPushButton*>> keyboardPaths_;
};

} // namespace app
