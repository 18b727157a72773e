#include "app/DesktopKeyEvents.h"

#include "tests/support/RecordedX11Keys.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string_view>
#include <vector>

namespace {

using app::Desktop;
using app::DesktopKeyEvent;
using testsupport::kRecordedNumLock;
using testsupport::RecordedKey;

class XkbPress : public testing::TestWithParam<RecordedKey> {};

TEST_P(XkbPress, IsTheEventAnX11SessionDeliversForThatKey) {
    const RecordedKey& recorded = GetParam();
    const auto event = app::KeyPressForUsage(recorded.usage, 0, Desktop::Xkb);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->type, QEvent::KeyPress);
    EXPECT_EQ(event->key, recorded.key);
    EXPECT_EQ(event->modifiers, recorded.modifiers);
    EXPECT_EQ(event->nativeScanCode, recorded.scanCode);
    EXPECT_EQ(event->nativeVirtualKey, recorded.keysym);
    EXPECT_EQ(event->nativeModifiers, recorded.nativeModifiers);
    EXPECT_EQ(event->text, QString::fromLatin1(recorded.text));
}

INSTANTIATE_TEST_SUITE_P(Recorded, XkbPress, testing::ValuesIn(testsupport::kRecordedKeys),
                         [](const auto& info) { return std::string(info.param.name); });

// One press with modifier keys held, as recorded (X state: Shift 0x1, Control 0x4, Alt 0x8,
// Super 0x40, Num Lock 0x10).
struct HeldCase {
    const char* name;
    uint8_t usage;
    uint8_t held;
    int key;
    Qt::KeyboardModifiers modifiers;
    uint32_t keysym;
    uint32_t nativeModifiers;
    std::string_view text;
};

void PrintTo(const HeldCase& c, std::ostream* out) {
    *out << c.name;
}

class XkbHeldPress : public testing::TestWithParam<HeldCase> {};

TEST_P(XkbHeldPress, TakesTheShiftedSymbolAndTheControlCharacter) {
    const HeldCase& c = GetParam();
    const auto event = app::KeyPressForUsage(c.usage, c.held, Desktop::Xkb);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->key, c.key);
    EXPECT_EQ(event->modifiers, c.modifiers);
    EXPECT_EQ(event->nativeVirtualKey, c.keysym);
    EXPECT_EQ(event->nativeModifiers, c.nativeModifiers);
    EXPECT_EQ(event->text, QString::fromLatin1(c.text.data(), c.text.size()));
}

constexpr uint8_t kLeftControl = 0x01;
constexpr uint8_t kLeftShift = 0x02;
constexpr uint8_t kLeftAlt = 0x04;
constexpr uint8_t kLeftGui = 0x08;
constexpr uint8_t kRightShift = 0x20;
constexpr uint8_t kRightAlt = 0x40;

INSTANTIATE_TEST_SUITE_P(
    Recorded, XkbHeldPress,
    testing::Values(
        HeldCase{"ShiftOne", 0x1E, kLeftShift, 0x21, Qt::ShiftModifier, 0x21, 0x11, "!"},
        HeldCase{"ShiftSlash", 0x38, kLeftShift, 0x3F, Qt::ShiftModifier, 0x3F, 0x11, "?"},
        HeldCase{"RightShiftZ", 0x1D, kRightShift, 0x5A, Qt::ShiftModifier, 0x5A, 0x11, "Z"},
        HeldCase{"ControlC", 0x06, kLeftControl, 0x43, Qt::ControlModifier, 0x63, 0x14, "\x03"},
        HeldCase{"ControlBracket", 0x2F, kLeftControl, 0x5B, Qt::ControlModifier, 0x5B, 0x14,
                 "\x1b"},
        HeldCase{"ControlOne", 0x1E, kLeftControl, 0x31, Qt::ControlModifier, 0x31, 0x14, "1"},
        // Control with 2 or Space types a NUL.
        HeldCase{"ControlTwo", 0x1F, kLeftControl, 0x32, Qt::ControlModifier, 0x32, 0x14,
                 std::string_view("\0", 1)},
        HeldCase{"ControlSpace", 0x2C, kLeftControl, 0x20, Qt::ControlModifier, 0x20, 0x14,
                 std::string_view("\0", 1)},
        HeldCase{"SuperAltA", 0x04, kLeftGui | kLeftAlt, 0x41, Qt::MetaModifier | Qt::AltModifier,
                 0x61, 0x58, "a"},
        HeldCase{"RightAltA", 0x04, kRightAlt, 0x41, Qt::AltModifier, 0x61, 0x18, "a"}),
    [](const auto& info) { return std::string(info.param.name); });

// Right Ctrl + right Shift + F17, event by event as recorded.
TEST(XkbStroke, PressesTheModifierKeysAroundTheCodes) {
    const app::KeyStroke stroke{0x10 | 0x20, {0x6C}};
    const std::vector<DesktopKeyEvent> events = app::KeyEventsOfStroke(stroke, Desktop::Xkb);
    struct Expected {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
        uint32_t scanCode;
        uint32_t keysym;
        uint32_t nativeModifiers;
    };
    const Qt::KeyboardModifiers both = Qt::ControlModifier | Qt::ShiftModifier;
    const std::vector<Expected> recorded = {
        {QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, 105, 0xFFE4, 0x10},
        {QEvent::KeyPress, Qt::Key_Shift, both, 62, 0xFFE2, 0x14},
        {QEvent::KeyPress, Qt::Key_Launch8, both, 195, 0x1008FF48, 0x15},
        {QEvent::KeyRelease, Qt::Key_Launch8, both, 195, 0x1008FF48, 0x15},
        {QEvent::KeyRelease, Qt::Key_Shift, Qt::ControlModifier, 62, 0xFFE2, 0x15},
        {QEvent::KeyRelease, Qt::Key_Control, {}, 105, 0xFFE4, 0x14},
    };
    ASSERT_EQ(events.size(), recorded.size());
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].type, recorded[i].type);
        EXPECT_EQ(events[i].key, recorded[i].key);
        EXPECT_EQ(events[i].modifiers, recorded[i].modifiers);
        EXPECT_EQ(events[i].nativeScanCode, recorded[i].scanCode);
        EXPECT_EQ(events[i].nativeVirtualKey, recorded[i].keysym);
        EXPECT_EQ(events[i].nativeModifiers, recorded[i].nativeModifiers);
        EXPECT_TRUE(events[i].text.isEmpty());
    }
}

TEST(XkbStroke, EachCodeIsPressedAndReleasedInTurn) {
    const app::KeyStroke stroke{0, {0x04, 0x05, 0x74, 0x06}};
    QString typed;
    std::vector<QEvent::Type> types;
    for (const DesktopKeyEvent& event : app::KeyEventsOfStroke(stroke, Desktop::Xkb)) {
        types.push_back(event.type);
        if (event.type == QEvent::KeyPress) {
            typed += event.text;
        }
    }
    // 0x74 is past F24: no key sends it.
    EXPECT_EQ(typed, "abc");
    EXPECT_EQ(types, std::vector<QEvent::Type>({QEvent::KeyPress, QEvent::KeyRelease,
                                                QEvent::KeyPress, QEvent::KeyRelease,
                                                QEvent::KeyPress, QEvent::KeyRelease}));
}

// Windows' virtual keys and scan codes (set 1, 0x100 for the keys behind the 0xE0 prefix), as
// Microsoft's key tables list them; Qt names F13 .. F24 as such there.
struct WindowsCase {
    const char* name;
    uint8_t usage;
    uint8_t held;
    int key;
    uint32_t scanCode;
    uint32_t virtualKey;
    uint32_t nativeModifiers;
};

void PrintTo(const WindowsCase& c, std::ostream* out) {
    *out << c.name;
}

class WindowsPress : public testing::TestWithParam<WindowsCase> {};

TEST_P(WindowsPress, CarriesTheVirtualKeyAndScanCode) {
    const WindowsCase& c = GetParam();
    const auto event = app::KeyPressForUsage(c.usage, c.held, Desktop::Windows);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->key, c.key);
    EXPECT_EQ(event->nativeScanCode, c.scanCode);
    EXPECT_EQ(event->nativeVirtualKey, c.virtualKey);
    EXPECT_EQ(event->nativeModifiers, c.nativeModifiers);
}

constexpr uint32_t kWindowsNumLock = 0x200;
constexpr uint32_t kWindowsExtended = 0x01000000;

INSTANTIATE_TEST_SUITE_P(
    Tables, WindowsPress,
    testing::Values(
        WindowsCase{"A", 0x04, 0, Qt::Key_A, 0x1E, 0x41, kWindowsNumLock},
        WindowsCase{"ShiftA", 0x04, kLeftShift, Qt::Key_A, 0x1E, 0x41, kWindowsNumLock | 0x01},
        WindowsCase{"ControlA", 0x04, kLeftControl, Qt::Key_A, 0x1E, 0x41, kWindowsNumLock | 0x02},
        WindowsCase{"Return", 0x28, 0, Qt::Key_Return, 0x1C, 0x0D, kWindowsNumLock},
        WindowsCase{"KeypadEnter", 0x58, 0, Qt::Key_Enter, 0x11C, 0x0D,
                    kWindowsNumLock | kWindowsExtended},
        WindowsCase{"Left", 0x50, 0, Qt::Key_Left, 0x14B, 0x25, kWindowsNumLock | kWindowsExtended},
        WindowsCase{"F12", 0x45, 0, Qt::Key_F12, 0x58, 0x7B, kWindowsNumLock},
        WindowsCase{"F13", 0x68, 0, Qt::Key_F13, 0x64, 0x7C, kWindowsNumLock},
        WindowsCase{"F17", 0x6C, 0, Qt::Key_F17, 0x68, 0x80, kWindowsNumLock},
        WindowsCase{"F24", 0x73, 0, Qt::Key_F24, 0x76, 0x87, kWindowsNumLock},
        WindowsCase{"Keypad7", 0x5F, 0, Qt::Key_7, 0x47, 0x67, kWindowsNumLock},
        WindowsCase{"Slash", 0x38, 0, Qt::Key_Slash, 0x35, 0xBF, kWindowsNumLock},
        WindowsCase{"NonUsBackslash", 0x64, 0, Qt::Key_Backslash, 0x56, 0xE2, kWindowsNumLock},
        WindowsCase{"RightGui", 0xE7, 0, Qt::Key_Meta, 0x15C, 0x5C,
                    kWindowsNumLock | 0x80 | kWindowsExtended}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesktopPress, CodesNoKeySendsGiveNothing) {
    for (const Desktop desktop : {Desktop::Xkb, Desktop::Windows}) {
        for (const uint8_t usage : {0x00, 0x01, 0x02, 0x03, 0x74, 0xA0, 0xDF, 0xE8, 0xFF}) {
            EXPECT_FALSE(app::KeyPressForUsage(usage, 0, desktop)) << int(usage);
        }
    }
    // Windows has no virtual key for the power key and the keypad's equals sign.
    EXPECT_FALSE(app::KeyPressForUsage(0x66, 0, Desktop::Windows));
    EXPECT_FALSE(app::KeyPressForUsage(0x67, 0, Desktop::Windows));
}

TEST(DesktopPress, TheQtEventCarriesEveryField) {
    const auto event = app::KeyPressForUsage(0x28, kLeftShift, Desktop::Xkb);
    ASSERT_TRUE(event);
    const std::unique_ptr<QKeyEvent> made(app::MakeQKeyEvent(*event));
    EXPECT_EQ(made->type(), QEvent::KeyPress);
    EXPECT_EQ(made->key(), Qt::Key_Return);
    EXPECT_EQ(made->modifiers(), Qt::ShiftModifier);
    EXPECT_EQ(made->nativeScanCode(), 36u);
    EXPECT_EQ(made->nativeVirtualKey(), 0xFF0Du);
    EXPECT_EQ(made->nativeModifiers(), kRecordedNumLock | 0x01);
    EXPECT_EQ(made->text(), "\r");
}

} // namespace
