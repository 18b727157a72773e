#include "DesktopKeyEvents.h"

#include <QKeyEvent>

#include <array>
#include <iterator>

namespace app {
namespace {

constexpr uint8_t kUsageA = 0x04;
constexpr uint8_t kUsageZ = 0x1D;
constexpr uint8_t kUsage1 = 0x1E;
constexpr uint8_t kUsage0 = 0x27;
constexpr uint8_t kUsageF1 = 0x3A;
constexpr uint8_t kUsageF12 = 0x45;
constexpr uint8_t kUsageKeypad1 = 0x59;
constexpr uint8_t kUsageKeypad0 = 0x62;
constexpr uint8_t kUsageKeypadPeriod = 0x63;
constexpr uint8_t kUsageF13 = 0x68;
constexpr uint8_t kUsageF24 = 0x73;
constexpr uint8_t kUsageNonUsBackslash = 0x64;
constexpr uint8_t kUsageLeftControl = 0xE0;
constexpr uint8_t kUsageRightGui = 0xE7;
constexpr int kModifierKeys = 8;

// HID boot-keyboard modifier bits.
constexpr uint8_t kMaskControl = 0x01 | 0x10;
constexpr uint8_t kMaskShift = 0x02 | 0x20;
constexpr uint8_t kMaskAlt = 0x04 | 0x40;
constexpr uint8_t kMaskGui = 0x08 | 0x80;

// X modifier state bits; Num Lock is Mod2 in the default keymap.
constexpr uint32_t kXShift = 0x01;
constexpr uint32_t kXControl = 0x04;
constexpr uint32_t kXAlt = 0x08;
constexpr uint32_t kXNumLock = 0x10;
constexpr uint32_t kXSuper = 0x40;

// Qt's flags for Windows' nativeModifiers, in HID bit order (left Ctrl first).
constexpr std::array<uint32_t, kModifierKeys> kWindowsModifierFlags = {0x02, 0x01, 0x04, 0x08,
                                                                       0x20, 0x10, 0x40, 0x80};
constexpr uint32_t kWindowsNumLock = 0x200;
constexpr uint32_t kWindowsExtendedKey = 0x01000000;
constexpr uint32_t kWindowsExtendedScanCode = 0x100;

constexpr uint32_t kXkbKeycodeOffset = 8;

// Keysyms (X11 keysymdef.h, XF86keysym.h).
constexpr uint32_t kNoSymbol = 0;
constexpr uint32_t kSymBackSpace = 0xFF08;
constexpr uint32_t kSymTab = 0xFF09;
constexpr uint32_t kSymClear = 0xFF0B;
constexpr uint32_t kSymReturn = 0xFF0D;
constexpr uint32_t kSymPause = 0xFF13;
constexpr uint32_t kSymScrollLock = 0xFF14;
constexpr uint32_t kSymEscape = 0xFF1B;
constexpr uint32_t kSymHome = 0xFF50;
constexpr uint32_t kSymLeft = 0xFF51;
constexpr uint32_t kSymUp = 0xFF52;
constexpr uint32_t kSymRight = 0xFF53;
constexpr uint32_t kSymDown = 0xFF54;
constexpr uint32_t kSymPrior = 0xFF55;
constexpr uint32_t kSymNext = 0xFF56;
constexpr uint32_t kSymEnd = 0xFF57;
constexpr uint32_t kSymPrint = 0xFF61;
constexpr uint32_t kSymInsert = 0xFF63;
constexpr uint32_t kSymMenu = 0xFF67;
constexpr uint32_t kSymNumLock = 0xFF7F;
constexpr uint32_t kSymKpSpace = 0xFF80;
constexpr uint32_t kSymKpTab = 0xFF89;
constexpr uint32_t kSymKpEnter = 0xFF8D;
constexpr uint32_t kSymKpHome = 0xFF95;
constexpr uint32_t kSymKpLeft = 0xFF96;
constexpr uint32_t kSymKpUp = 0xFF97;
constexpr uint32_t kSymKpRight = 0xFF98;
constexpr uint32_t kSymKpDown = 0xFF99;
constexpr uint32_t kSymKpPrior = 0xFF9A;
constexpr uint32_t kSymKpNext = 0xFF9B;
constexpr uint32_t kSymKpEnd = 0xFF9C;
constexpr uint32_t kSymKpBegin = 0xFF9D;
constexpr uint32_t kSymKpInsert = 0xFF9E;
constexpr uint32_t kSymKpDelete = 0xFF9F;
constexpr uint32_t kSymKpMultiply = 0xFFAA;
constexpr uint32_t kSymKpAdd = 0xFFAB;
constexpr uint32_t kSymKpSubtract = 0xFFAD;
constexpr uint32_t kSymKpDecimal = 0xFFAE;
constexpr uint32_t kSymKpDivide = 0xFFAF;
constexpr uint32_t kSymKp0 = 0xFFB0;
constexpr uint32_t kSymKp9 = 0xFFB9;
constexpr uint32_t kSymKpEqual = 0xFFBD;
constexpr uint32_t kSymF1 = 0xFFBE;
constexpr uint32_t kSymF35 = 0xFFE0;
constexpr uint32_t kSymShiftL = 0xFFE1;
constexpr uint32_t kSymShiftR = 0xFFE2;
constexpr uint32_t kSymControlL = 0xFFE3;
constexpr uint32_t kSymControlR = 0xFFE4;
constexpr uint32_t kSymCapsLock = 0xFFE5;
constexpr uint32_t kSymAltL = 0xFFE9;
constexpr uint32_t kSymAltR = 0xFFEA;
constexpr uint32_t kSymSuperL = 0xFFEB;
constexpr uint32_t kSymSuperR = 0xFFEC;
constexpr uint32_t kSymDelete = 0xFFFF;
constexpr uint32_t kSymIsoLeftTab = 0xFE20;
constexpr uint32_t kSymPowerOff = 0x1008FF2A;
constexpr uint32_t kSymLaunch5 = 0x1008FF45;
constexpr uint32_t kSymLaunch6 = 0x1008FF46;
constexpr uint32_t kSymLaunch7 = 0x1008FF47;
constexpr uint32_t kSymLaunch8 = 0x1008FF48;
constexpr uint32_t kSymLaunch9 = 0x1008FF49;
constexpr uint32_t kSymTools = 0x1008FF81;
constexpr uint32_t kSymTouchpadToggle = 0x1008FFA9;
constexpr uint32_t kSymTouchpadOn = 0x1008FFB0;
constexpr uint32_t kSymTouchpadOff = 0x1008FFB1;
constexpr uint32_t kSymMicMute = 0x1008FFB2;
constexpr uint32_t kLastLatin1 = 0xFF;

// One key of a keyboard: the kernel's evdev code for the HID usage (hid-input), the keymap's
// symbols without and with Shift, and the Windows virtual key (0: Windows has none).
struct UsageKey {
    uint16_t evdev = 0;
    uint32_t keysym = kNoSymbol;
    uint32_t shiftedKeysym = kNoSymbol;
    uint8_t virtualKey = 0;
};

struct NamedUsage {
    uint8_t usage;
    UsageKey key;
};

constexpr NamedUsage kNamedUsages[] = {
    {0x28, {28, kSymReturn, kSymReturn, 0x0D}},
    {0x29, {1, kSymEscape, kSymEscape, 0x1B}},
    {0x2A, {14, kSymBackSpace, kSymBackSpace, 0x08}},
    {0x2B, {15, kSymTab, kSymIsoLeftTab, 0x09}},
    {0x2C, {57, ' ', ' ', 0x20}},
    {0x2D, {12, '-', '_', 0xBD}},
    {0x2E, {13, '=', '+', 0xBB}},
    {0x2F, {26, '[', '{', 0xDB}},
    {0x30, {27, ']', '}', 0xDD}},
    {0x31, {43, '\\', '|', 0xDC}},
    // The non-US # key is the backslash key's position on a US keyboard.
    {0x32, {43, '\\', '|', 0xDC}},
    {0x33, {39, ';', ':', 0xBA}},
    {0x34, {40, '\'', '"', 0xDE}},
    {0x35, {41, '`', '~', 0xC0}},
    {0x36, {51, ',', '<', 0xBC}},
    {0x37, {52, '.', '>', 0xBE}},
    {0x38, {53, '/', '?', 0xBF}},
    {0x39, {58, kSymCapsLock, kSymCapsLock, 0x14}},
    {0x46, {99, kSymPrint, kSymPrint, 0x2C}},
    {0x47, {70, kSymScrollLock, kSymScrollLock, 0x91}},
    {0x48, {119, kSymPause, kSymPause, 0x13}},
    {0x49, {110, kSymInsert, kSymInsert, 0x2D}},
    {0x4A, {102, kSymHome, kSymHome, 0x24}},
    {0x4B, {104, kSymPrior, kSymPrior, 0x21}},
    {0x4C, {111, kSymDelete, kSymDelete, 0x2E}},
    {0x4D, {107, kSymEnd, kSymEnd, 0x23}},
    {0x4E, {109, kSymNext, kSymNext, 0x22}},
    {0x4F, {106, kSymRight, kSymRight, 0x27}},
    {0x50, {105, kSymLeft, kSymLeft, 0x25}},
    {0x51, {108, kSymDown, kSymDown, 0x28}},
    {0x52, {103, kSymUp, kSymUp, 0x26}},
    {0x53, {69, kSymNumLock, kSymNumLock, 0x90}},
    {0x54, {98, kSymKpDivide, kSymKpDivide, 0x6F}},
    {0x55, {55, kSymKpMultiply, kSymKpMultiply, 0x6A}},
    {0x56, {74, kSymKpSubtract, kSymKpSubtract, 0x6D}},
    {0x57, {78, kSymKpAdd, kSymKpAdd, 0x6B}},
    {0x58, {96, kSymKpEnter, kSymKpEnter, 0x0D}},
    // The key between left Shift and Z; the pc105 keymap puts < and > on it.
    {kUsageNonUsBackslash, {86, '<', '>', 0xE2}},
    {0x65, {127, kSymMenu, kSymMenu, 0x5D}},
    {0x66, {116, kSymPowerOff, kSymPowerOff, 0}},
    {0x67, {117, kSymKpEqual, kSymKpEqual, 0}},
    {0xE0, {29, kSymControlL, kSymControlL, 0x11}},
    {0xE1, {42, kSymShiftL, kSymShiftL, 0x10}},
    {0xE2, {56, kSymAltL, kSymAltL, 0x12}},
    {0xE3, {125, kSymSuperL, kSymSuperL, 0x5B}},
    {0xE4, {97, kSymControlR, kSymControlR, 0x11}},
    {0xE5, {54, kSymShiftR, kSymShiftR, 0x10}},
    {0xE6, {100, kSymAltR, kSymAltR, 0x12}},
    {0xE7, {126, kSymSuperR, kSymSuperR, 0x5C}},
};

// a .. z in usage order.
constexpr std::array<uint16_t, 26> kLetterEvdev = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                                   36, 37, 38, 50, 49, 24, 25, 16, 19,
                                                   31, 20, 22, 47, 17, 45, 21, 44};
constexpr char kShiftedDigits[] = "!@#$%^&*()";
constexpr std::array<uint16_t, 12> kFunctionEvdev = {59, 60, 61, 62, 63, 64,
                                                     65, 66, 67, 68, 87, 88};
constexpr uint16_t kEvdevF13 = 183;
// What the "inet" symbols of the evdev keymap put on F13 .. F24.
constexpr std::array<uint32_t, 12> kHighFunctionKeysyms = {
    kSymTools, kSymLaunch5, kSymLaunch6,        kSymLaunch7,    kSymLaunch8,     kSymLaunch9,
    kNoSymbol, kSymMicMute, kSymTouchpadToggle, kSymTouchpadOn, kSymTouchpadOff, kNoSymbol};
constexpr uint8_t kVirtualKeyF1 = 0x70;
constexpr uint8_t kVirtualKeyF13 = 0x7C;
// Keypad 1 .. 9, 0 and the period; with Num Lock on, Shift gives the cursor keys.
constexpr std::array<uint16_t, 11> kKeypadEvdev = {79, 80, 81, 75, 76, 77, 71, 72, 73, 82, 83};
constexpr std::array<uint32_t, 11> kKeypadShiftedKeysyms = {
    kSymKpEnd,  kSymKpDown, kSymKpNext,  kSymKpLeft,   kSymKpBegin, kSymKpRight,
    kSymKpHome, kSymKpUp,   kSymKpPrior, kSymKpInsert, kSymKpDelete};
constexpr uint8_t kVirtualKeyNumpad0 = 0x60;
constexpr uint8_t kVirtualKeyDecimal = 0x6E;

std::optional<UsageKey> KeyOfUsage(uint8_t usage) {
    if (usage >= kUsageA && usage <= kUsageZ) {
        const int i = usage - kUsageA;
        return UsageKey{kLetterEvdev[static_cast<size_t>(i)], static_cast<uint32_t>('a' + i),
                        static_cast<uint32_t>('A' + i), static_cast<uint8_t>('A' + i)};
    }
    if (usage >= kUsage1 && usage <= kUsage0) {
        const int i = usage - kUsage1; // 1 .. 9, then 0
        const char digit = usage == kUsage0 ? '0' : static_cast<char>('1' + i);
        const char shifted = kShiftedDigits[usage == kUsage0 ? 9 : i];
        return UsageKey{static_cast<uint16_t>(2 + i), static_cast<uint32_t>(digit),
                        static_cast<uint32_t>(shifted), static_cast<uint8_t>(digit)};
    }
    if (usage >= kUsageF1 && usage <= kUsageF12) {
        const int i = usage - kUsageF1;
        return UsageKey{kFunctionEvdev[static_cast<size_t>(i)], kSymF1 + i, kSymF1 + i,
                        static_cast<uint8_t>(kVirtualKeyF1 + i)};
    }
    if (usage >= kUsageF13 && usage <= kUsageF24) {
        const int i = usage - kUsageF13;
        const uint32_t symbol = kHighFunctionKeysyms[static_cast<size_t>(i)];
        return UsageKey{static_cast<uint16_t>(kEvdevF13 + i), symbol, symbol,
                        static_cast<uint8_t>(kVirtualKeyF13 + i)};
    }
    if (usage >= kUsageKeypad1 && usage <= kUsageKeypadPeriod) {
        const int i = usage - kUsageKeypad1; // 1 .. 9, 0, period
        const uint32_t symbol = usage == kUsageKeypadPeriod ? kSymKpDecimal
                                : usage == kUsageKeypad0    ? kSymKp0
                                                            : kSymKp0 + 1 + i;
        const uint8_t virtualKey = usage == kUsageKeypadPeriod ? kVirtualKeyDecimal
                                   : usage == kUsageKeypad0
                                       ? kVirtualKeyNumpad0
                                       : static_cast<uint8_t>(kVirtualKeyNumpad0 + 1 + i);
        return UsageKey{kKeypadEvdev[static_cast<size_t>(i)], symbol,
                        kKeypadShiftedKeysyms[static_cast<size_t>(i)], virtualKey};
    }
    for (const NamedUsage& named : kNamedUsages) {
        if (named.usage == usage) {
            return named.key;
        }
    }
    return std::nullopt;
}

struct KeysymKey {
    uint32_t keysym;
    int key;
};

// Qt's keys for the keysyms above, as its xcb plugin gives them (Super as Meta).
constexpr KeysymKey kKeysymKeys[] = {
    {kSymBackSpace, Qt::Key_Backspace},
    {kSymTab, Qt::Key_Tab},
    {kSymReturn, Qt::Key_Return},
    {kSymPause, Qt::Key_Pause},
    {kSymScrollLock, Qt::Key_ScrollLock},
    {kSymEscape, Qt::Key_Escape},
    {kSymHome, Qt::Key_Home},
    {kSymLeft, Qt::Key_Left},
    {kSymUp, Qt::Key_Up},
    {kSymRight, Qt::Key_Right},
    {kSymDown, Qt::Key_Down},
    {kSymPrior, Qt::Key_PageUp},
    {kSymNext, Qt::Key_PageDown},
    {kSymEnd, Qt::Key_End},
    {kSymPrint, Qt::Key_Print},
    {kSymInsert, Qt::Key_Insert},
    {kSymMenu, Qt::Key_Menu},
    {kSymNumLock, Qt::Key_NumLock},
    {kSymKpEnter, Qt::Key_Enter},
    {kSymKpHome, Qt::Key_Home},
    {kSymKpLeft, Qt::Key_Left},
    {kSymKpUp, Qt::Key_Up},
    {kSymKpRight, Qt::Key_Right},
    {kSymKpDown, Qt::Key_Down},
    {kSymKpPrior, Qt::Key_PageUp},
    {kSymKpNext, Qt::Key_PageDown},
    {kSymKpEnd, Qt::Key_End},
    {kSymKpBegin, Qt::Key_Clear},
    {kSymKpInsert, Qt::Key_Insert},
    {kSymKpDelete, Qt::Key_Delete},
    {kSymKpMultiply, Qt::Key_Asterisk},
    {kSymKpAdd, Qt::Key_Plus},
    {kSymKpSubtract, Qt::Key_Minus},
    {kSymKpDecimal, Qt::Key_Period},
    {kSymKpDivide, Qt::Key_Slash},
    {kSymKpEqual, Qt::Key_Equal},
    {kSymShiftL, Qt::Key_Shift},
    {kSymShiftR, Qt::Key_Shift},
    {kSymControlL, Qt::Key_Control},
    {kSymControlR, Qt::Key_Control},
    {kSymCapsLock, Qt::Key_CapsLock},
    {kSymAltL, Qt::Key_Alt},
    {kSymAltR, Qt::Key_Alt},
    {kSymSuperL, Qt::Key_Meta},
    {kSymSuperR, Qt::Key_Meta},
    {kSymDelete, Qt::Key_Delete},
    {kSymIsoLeftTab, Qt::Key_Backtab},
    {kSymPowerOff, Qt::Key_PowerOff},
    {kSymLaunch5, Qt::Key_Launch5},
    {kSymLaunch6, Qt::Key_Launch6},
    {kSymLaunch7, Qt::Key_Launch7},
    {kSymLaunch8, Qt::Key_Launch8},
    {kSymLaunch9, Qt::Key_Launch9},
    {kSymTools, Qt::Key_Tools},
    {kSymTouchpadToggle, Qt::Key_TouchpadToggle},
    {kSymTouchpadOn, Qt::Key_TouchpadOn},
    {kSymTouchpadOff, Qt::Key_TouchpadOff},
    {kSymMicMute, Qt::Key_MicMute},
};

int QtKeyOfKeysym(uint32_t keysym) {
    if (keysym >= kSymF1 && keysym <= kSymF35) {
        return Qt::Key_F1 + static_cast<int>(keysym - kSymF1);
    }
    if (keysym >= kSymKp0 && keysym <= kSymKp9) {
        return Qt::Key_0 + static_cast<int>(keysym - kSymKp0);
    }
    if (keysym <= kLastLatin1) {
        // Qt names a letter by its capital.
        return keysym >= 'a' && keysym <= 'z' ? static_cast<int>(keysym - 'a' + 'A')
                                              : static_cast<int>(keysym);
    }
    for (const KeysymKey& entry : kKeysymKeys) {
        if (entry.keysym == keysym) {
            return entry.key;
        }
    }
    return 0;
}

bool IsKeypadKeysym(uint32_t keysym) {
    return keysym >= kSymKpSpace && keysym <= kSymKp9;
}

// The character a keysym types (xkbcommon's rule), 0 for none.
char32_t CharacterOfKeysym(uint32_t keysym) {
    constexpr uint32_t kAsciiMask = 0x7F;
    if ((keysym >= 0x20 && keysym < 0x7F) || (keysym >= 0xA0 && keysym <= kLastLatin1)) {
        return keysym;
    }
    if (keysym == kSymKpSpace) {
        return ' ';
    }
    if ((keysym >= kSymBackSpace && keysym <= kSymClear) ||
        (keysym >= kSymKpMultiply && keysym <= kSymKp9) || keysym == kSymReturn ||
        keysym == kSymEscape || keysym == kSymDelete || keysym == kSymKpTab ||
        keysym == kSymKpEnter || keysym == kSymKpEqual) {
        return keysym & kAsciiMask;
    }
    return 0;
}

// With Control held a character becomes its control character, as X11 and Windows both do.
char32_t ControlCharacter(char32_t c) {
    if ((c >= '@' && c < 0x7F) || c == ' ') {
        return c & 0x1F;
    }
    if (c == '2') {
        return 0;
    }
    if (c >= '3' && c <= '7') {
        return c - '3' + 0x1B;
    }
    if (c == '8') {
        return 0x7F;
    }
    if (c == '/') {
        return '_' & 0x1F;
    }
    return c;
}

uint32_t XModifierState(uint8_t mask) {
    uint32_t state = kXNumLock;
    if (mask & kMaskShift) {
        state |= kXShift;
    }
    if (mask & kMaskControl) {
        state |= kXControl;
    }
    if (mask & kMaskAlt) {
        state |= kXAlt;
    }
    if (mask & kMaskGui) {
        state |= kXSuper;
    }
    return state;
}

uint32_t WindowsModifierState(uint8_t mask) {
    uint32_t state = kWindowsNumLock;
    for (int bit = 0; bit < kModifierKeys; ++bit) {
        if (mask & (1u << bit)) {
            state |= kWindowsModifierFlags[static_cast<size_t>(bit)];
        }
    }
    return state;
}

// Windows' scan code set 1 agrees with the evdev codes up to F12; past it, keys reached through
// the 0xE0 prefix report 0x100 with their code.
struct ScanCode {
    uint16_t evdev;
    uint16_t scanCode;
};
constexpr uint16_t kLastPlainEvdev = 88;
constexpr ScanCode kWindowsScanCodes[] = {
    {96, 0x11C},  {97, 0x11D},  {98, 0x135},  {99, 0x137},  {100, 0x138}, {102, 0x147},
    {103, 0x148}, {104, 0x149}, {105, 0x14B}, {106, 0x14D}, {107, 0x14F}, {108, 0x150},
    {109, 0x151}, {110, 0x152}, {111, 0x153}, {119, 0x045}, {125, 0x15B}, {126, 0x15C},
    {127, 0x15D}, {183, 0x064}, {184, 0x065}, {185, 0x066}, {186, 0x067}, {187, 0x068},
    {188, 0x069}, {189, 0x06A}, {190, 0x06B}, {191, 0x06C}, {192, 0x06D}, {193, 0x06E},
    {194, 0x076},
};

uint32_t WindowsScanCode(uint16_t evdev) {
    if (evdev <= kLastPlainEvdev) {
        return evdev;
    }
    for (const ScanCode& entry : kWindowsScanCodes) {
        if (entry.evdev == evdev) {
            return entry.scanCode;
        }
    }
    return 0;
}

bool IsModifierUsage(uint8_t usage) {
    return usage >= kUsageLeftControl && usage <= kUsageRightGui;
}

DesktopKeyEvent XkbPress(const UsageKey& usageKey, uint8_t usage, uint8_t held) {
    const bool shifted = (held & kMaskShift) != 0 && !IsModifierUsage(usage);
    const uint32_t keysym = shifted ? usageKey.shiftedKeysym : usageKey.keysym;
    DesktopKeyEvent event;
    event.key = QtKeyOfKeysym(keysym);
    event.modifiers = ModifiersOfMask(held | ModifierMaskOfUsageCode(usage));
    if (IsKeypadKeysym(keysym)) {
        event.modifiers |= Qt::KeypadModifier;
    }
    char32_t character = CharacterOfKeysym(keysym);
    if (character != 0 && (held & kMaskControl) != 0) {
        character = ControlCharacter(character);
        // Control with 2 or Space types a NUL character, which Qt keeps as text.
        event.text = QString(QChar(static_cast<char16_t>(character)));
    } else if (character != 0) {
        event.text = QString(QChar(static_cast<char16_t>(character)));
    }
    event.nativeScanCode = usageKey.evdev + kXkbKeycodeOffset;
    event.nativeVirtualKey = keysym;
    event.nativeModifiers = XModifierState(held);
    return event;
}

std::optional<DesktopKeyEvent> WindowsPress(const UsageKey& usageKey, uint8_t usage, uint8_t held) {
    if (usageKey.virtualKey == 0) {
        return std::nullopt;
    }
    DesktopKeyEvent event = XkbPress(usageKey, usage, held);
    // The US layout types the same; only the keys past F12 keep their own names here.
    if (usage >= kUsageF13 && usage <= kUsageF24) {
        event.key = Qt::Key_F13 + (usage - kUsageF13);
    }
    if (usage == kUsageNonUsBackslash) {
        event.key = Qt::Key_Backslash;
        event.text = QStringLiteral("\\");
    }
    event.nativeScanCode = WindowsScanCode(usageKey.evdev);
    event.nativeVirtualKey = usageKey.virtualKey;
    // Windows reads the modifier state with the key already down.
    event.nativeModifiers = WindowsModifierState(held | ModifierMaskOfUsageCode(usage));
    if (event.nativeScanCode & kWindowsExtendedScanCode) {
        event.nativeModifiers |= kWindowsExtendedKey;
    }
    return event;
}

DesktopKeyEvent Released(DesktopKeyEvent event, uint8_t usage, uint8_t heldAfter, Desktop desktop) {
    event.type = QEvent::KeyRelease;
    if (IsModifierUsage(usage)) {
        // Qt reports the modifiers left; the native state still holds the key itself.
        event.modifiers = ModifiersOfMask(heldAfter);
        event.nativeModifiers = desktop == Desktop::Xkb
                                    ? XModifierState(heldAfter | ModifierMaskOfUsageCode(usage))
                                    : WindowsModifierState(heldAfter);
    }
    return event;
}

} // namespace

std::optional<DesktopKeyEvent> KeyPressForUsage(uint8_t usageCode, uint8_t heldMask,
                                                Desktop desktop) {
    const std::optional<UsageKey> usageKey = KeyOfUsage(usageCode);
    if (!usageKey) {
        return std::nullopt;
    }
    if (desktop == Desktop::Windows) {
        return WindowsPress(*usageKey, usageCode, heldMask);
    }
    return XkbPress(*usageKey, usageCode, heldMask);
}

std::vector<DesktopKeyEvent> KeyEventsOfStroke(const KeyStroke& stroke, Desktop desktop) {
    std::vector<DesktopKeyEvent> events;
    std::vector<uint8_t> modifiersDown;
    uint8_t held = 0;
    for (int bit = 0; bit < kModifierKeys; ++bit) {
        if ((stroke.modifierMask & (1u << bit)) == 0) {
            continue;
        }
        const auto usage = static_cast<uint8_t>(kUsageLeftControl + bit);
        if (const auto press = KeyPressForUsage(usage, held, desktop)) {
            events.push_back(*press);
        }
        held = static_cast<uint8_t>(held | (1u << bit));
        modifiersDown.push_back(usage);
    }
    for (const uint8_t code : stroke.codes) {
        if (const auto press = KeyPressForUsage(code, held, desktop)) {
            events.push_back(*press);
            events.push_back(Released(*press, code, held, desktop));
        }
    }
    for (auto usage = modifiersDown.rbegin(); usage != modifiersDown.rend(); ++usage) {
        const uint8_t bit = ModifierMaskOfUsageCode(*usage);
        held = static_cast<uint8_t>(held & ~bit);
        if (const auto press = KeyPressForUsage(*usage, held, desktop)) {
            events.push_back(Released(*press, *usage, held, desktop));
        }
    }
    return events;
}

QKeyEvent* MakeQKeyEvent(const DesktopKeyEvent& event) {
    return new QKeyEvent(event.type, event.key, event.modifiers, event.nativeScanCode,
                         event.nativeVirtualKey, event.nativeModifiers, event.text);
}

} // namespace app
