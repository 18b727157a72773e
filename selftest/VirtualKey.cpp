#include "VirtualKey.h"

#include "selftest/NativeKeyCodes.h"

#include <QKeyEvent>

namespace praxil_usb_encoder {
namespace {

constexpr int kVkBack = 0x08;
constexpr int kVkTab = 0x09;
constexpr int kVkReturn = 0x0D;
constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;
constexpr int kVkMenu = 0x12;
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
constexpr int kVkPrior = 0x21;
constexpr int kVkNext = 0x22;
constexpr int kVkEnd = 0x23;
constexpr int kVkHome = 0x24;
constexpr int kVkLeft = 0x25;
constexpr int kVkUp = 0x26;
constexpr int kVkRight = 0x27;
constexpr int kVkDown = 0x28;
constexpr int kVkInsert = 0x2D;
constexpr int kVkDelete = 0x2E;
constexpr int kVk0 = 0x30;
constexpr int kVkA = 0x41;
constexpr int kVkF1 = 0x70;
constexpr int kFunctionKeys = 24;

// What the evdev keymaps of X11 and Wayland (the "inet" symbols) put on F13 .. F23; F19 and
// F24 get no symbol at all.
struct KeymapSymbol {
    int qtKey;
    int functionKey; // 13 for F13
};
constexpr KeymapSymbol kLinuxFunctionKeySymbols[] = {
    {Qt::Key_Tools, 13},       {Qt::Key_Launch5, 14},        {Qt::Key_Launch6, 15},
    {Qt::Key_Launch7, 16},     {Qt::Key_Launch8, 17},        {Qt::Key_Launch9, 18},
    {Qt::Key_MicMute, 20},     {Qt::Key_TouchpadToggle, 21}, {Qt::Key_TouchpadOn, 22},
    {Qt::Key_TouchpadOff, 23},
};

} // namespace

int VirtualKeyFromQtKey(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys) {
        return kVkF1 + (qtKey - Qt::Key_F1);
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return kVk0 + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return kVkA + (qtKey - Qt::Key_A);
    }
    for (const KeymapSymbol& symbol : kLinuxFunctionKeySymbols) {
        if (symbol.qtKey == qtKey) {
            return kVkF1 + symbol.functionKey - 1;
        }
    }
    switch (qtKey) {
    case Qt::Key_Backspace:
        return kVkBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return kVkTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVkReturn;
    case Qt::Key_Shift:
        return kVkShift;
    case Qt::Key_Control:
        return kVkControl;
    case Qt::Key_Alt:
        return kVkMenu;
    case Qt::Key_Escape:
        return kVkEscape;
    case Qt::Key_Space:
        return kVkSpace;
    case Qt::Key_PageUp:
        return kVkPrior;
    case Qt::Key_PageDown:
        return kVkNext;
    case Qt::Key_End:
        return kVkEnd;
    case Qt::Key_Home:
        return kVkHome;
    case Qt::Key_Left:
        return kVkLeft;
    case Qt::Key_Up:
        return kVkUp;
    case Qt::Key_Right:
        return kVkRight;
    case Qt::Key_Down:
        return kVkDown;
    case Qt::Key_Insert:
        return kVkInsert;
    case Qt::Key_Delete:
        return kVkDelete;
    default:
        return 0;
    }
}

int VirtualKeyOf(const QKeyEvent& event) {
#if defined(Q_OS_WIN)
    if (event.nativeVirtualKey() != 0) {
        return static_cast<int>(event.nativeVirtualKey());
    }
#elif defined(Q_OS_LINUX)
    // Qt's xcb, wayland, libinput and evdev plugins all report the xkb keycode here.
    if (const int native = selftest::VirtualKeyFromXkbKeycode(event.nativeScanCode())) {
        return native;
    }
#endif
    return VirtualKeyFromQtKey(event.key());
}

bool ModifierHeld(const QKeyEvent& event) {
    return (event.modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
}

} // namespace praxil_usb_encoder
