#pragma once

// The Windows virtual-key code of a key-down, on every platform.

class QKeyEvent;

namespace praxil_usb_encoder {

// The key as the keyboard reported it: on Windows the virtual key the system delivered, on
// Linux the one of the xkb keycode (X11 and Wayland report the same codes). Only when the event
// carries no native code it knows (a synthetic event) does the keymap's symbol decide, through
// VirtualKeyFromQtKey. 0 for keys without one.
int VirtualKeyOf(const QKeyEvent& event);
// Also takes the symbols the common Linux keymaps give F13 .. F24 (XF86Tools, XF86Launch5 ..
// XF86Launch9, the microphone and touchpad keys) for those keys.
int VirtualKeyFromQtKey(int qtKey);

// Shift, Ctrl, Alt or the system key held with it.
bool ModifierHeld(const QKeyEvent& event);

} // namespace praxil_usb_encoder
