#pragma once

// What the desktop makes of the keypad's key presses: the keypad is a USB keyboard, so each
// code it sends reaches a Qt window the way the platform delivers a key of a real keyboard,
// with its native scan code, the keymap's symbol for it and the text it types. The demo panel
// posts exactly these events, so the windows see the same events as from a real keypad.

#include "app/HidKeyEvents.h"

#include <QEvent>
#include <QString>
#include <Qt>

#include <cstdint>
#include <optional>
#include <vector>

class QKeyEvent;

namespace app {

enum class Desktop {
    // X11 and Wayland with the default keymap (evdev rules, pc105, us) and Num Lock on.
    Xkb,
    // Windows with the US layout and Num Lock on.
    Windows,
};

#ifdef Q_OS_WIN
inline constexpr Desktop kHostDesktop = Desktop::Windows;
#else
inline constexpr Desktop kHostDesktop = Desktop::Xkb;
#endif

struct DesktopKeyEvent {
    QEvent::Type type = QEvent::KeyPress;
    int key = 0; // Qt::Key; 0 where the keymap has no symbol for the key
    Qt::KeyboardModifiers modifiers;
    QString text;
    // Xkb: the xkb keycode (evdev code + 8), the keysym and the X modifier state before the
    // event. Windows: the scan code (0x100 for an extended key), the virtual key and Qt's own
    // flags for the modifier keys held.
    uint32_t nativeScanCode = 0;
    uint32_t nativeVirtualKey = 0;
    uint32_t nativeModifiers = 0;
};

// The press of a code while the modifier keys of heldMask (HID boot-keyboard bits) are down.
// Nothing for codes no keyboard key sends (0, the error codes, codes past F24 other than the
// modifier keys 0xE0..0xE7, and on Windows the keys it has no virtual key for).
std::optional<DesktopKeyEvent> KeyPressForUsage(uint8_t usageCode, uint8_t heldMask,
                                                Desktop desktop = kHostDesktop);

// Everything one key of the keypad makes the desktop deliver: the modifier keys going down
// one by one, each code pressed and released, the modifier keys coming up in reverse order.
std::vector<DesktopKeyEvent> KeyEventsOfStroke(const KeyStroke& stroke,
                                               Desktop desktop = kHostDesktop);

// A new QKeyEvent carrying all of it, for posting.
QKeyEvent* MakeQKeyEvent(const DesktopKeyEvent& event);

} // namespace app
