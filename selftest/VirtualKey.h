#pragma once

// The Windows virtual-key code of a key-down, on every platform.

class QKeyEvent;

namespace praxil_usb_encoder {

// On Windows the code the system delivered; elsewhere (and for synthetic events) the Qt key
// mapped to the same code. 0 for keys without one.
int VirtualKeyOf(const QKeyEvent& event);
int VirtualKeyFromQtKey(int qtKey);

// Shift, Ctrl, Alt or the system key held with it.
bool ModifierHeld(const QKeyEvent& event);

} // namespace praxil_usb_encoder
