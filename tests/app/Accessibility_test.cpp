// Every window by keyboard and through the screen-reader interface: one walk over the table of
// windows (names, tab chain, focus mark, Escape), keyboard-only runs through each window's task,
// and the contrast of the editor's red captions.

#include "WindowTable.h"

#include "app/Form1.h"
#include "codetable/My4way_layout.h"
#include "device/commands.h"
#include "firmware/ble/Bluetooth.h"
#include "firmware/firmware_upgrade.h"
#include "selftest/self_test.h"
#include "tests/support/BoundedThread.h"
#include "tests/support/FocusMark.h"
#include "ui/BackgroundWorker.h"
#include "ui/about.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

using namespace praxil_usb_encoder;
using testsupport::WindowCase;
using testsupport::WindowsFixture;

constexpr int kWaitMs = testsupport::kStuckAfterMs;
// Rows of controls may differ in their tops by this much (pixels).
constexpr int kReadingOrderSlack = 4;
constexpr double kWcagAaContrast = 4.5;

QString Describe(const QWidget* widget) {
    const QString name = widget->objectName().isEmpty()
                             ? QString::fromLatin1(widget->metaObject()->className())
                             : widget->objectName();
    return name + QStringLiteral(" \"") + widget->accessibleName() + QStringLiteral("\"");
}

// Visible controls a user can tab to (enabled or not).
std::vector<QWidget*> FocusableControls(QWidget* window, bool enabledOnly) {
    std::vector<QWidget*> controls;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() == window && widget->isVisibleTo(window) &&
            (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
            (!enabledOnly || widget->isEnabled())) {
            controls.push_back(widget);
        }
    }
    return controls;
}

// The interfaces a screen reader reaches from the window, invisible branches left out.
void Walk(QAccessibleInterface* node, std::vector<QAccessibleInterface*>& found, int depth = 0) {
    ASSERT_LT(depth, 40) << "the accessible tree does not end";
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr || child->state().invisible) {
            continue;
        }
        found.push_back(child);
        Walk(child, found, depth + 1);
    }
}

QRect InWindow(const QWidget* widget) {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

// Reading on from one control to the next goes down, along the row, or up into a column to the
// right; going up anywhere else goes back.
bool ReadsOn(const QWidget* from, const QWidget* to) {
    const QRect a = InWindow(from);
    const QRect b = InWindow(to);
    return b.top() >= a.top() - kReadingOrderSlack || b.left() > a.right();
}

bool ActivateWindow(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// Presses Tab from the focused control until the chain comes round (or a bound is reached) and
// returns the controls it stopped at, in order.
std::vector<QWidget*> TabChain(QWidget* window) {
    std::vector<QWidget*> visited;
    QWidget* first = QApplication::focusWidget();
    if (first == nullptr) {
        return visited;
    }
    visited.push_back(first);
    for (int press = 0; press < 200; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == nullptr || now->window() != window || now == first) {
            break;
        }
        // A text browser walks its links before it lets go.
        if (now != visited.back()) {
            visited.push_back(now);
        }
    }
    return visited;
}

class EveryWindow : public WindowsFixture, public ::testing::WithParamInterface<WindowCase> {
protected:
    QWidget* Open() {
        QWidget* window = GetParam().open(*this);
        Settle();
        return window;
    }
};

TEST_P(EveryWindow, AScreenReaderFindsEveryControlNamedOnceInItsWindow) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(root, nullptr);
    std::vector<QAccessibleInterface*> found;
    Walk(root, found);

    std::map<QString, int> names;
    std::set<QObject*> reached;
    for (QAccessibleInterface* node : found) {
        if (!node->state().focusable) {
            continue;
        }
        auto* widget = qobject_cast<QWidget*>(node->object());
        const QString what = widget != nullptr ? Describe(widget) : QStringLiteral("(item)");
        const QString name = node->text(QAccessible::Name).trimmed();
        EXPECT_FALSE(name.isEmpty()) << what.toStdString() << " has no name";
        ++names[name];
        reached.insert(node->object());
    }
    for (const auto& [name, count] : names) {
        EXPECT_EQ(count, 1) << "\"" << name.toStdString() << "\" names " << count << " controls";
    }
    // Nothing a user can tab to is missing from what the screen reader gets.
    for (QWidget* control : FocusableControls(window, false)) {
        EXPECT_TRUE(reached.count(control) == 1)
            << Describe(control).toStdString() << " is not in the accessible tree";
    }
}

TEST_P(EveryWindow, TabStartsAtTheFirstControlAndReachesEveryEnabledOneInReadingOrder) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    const std::vector<QWidget*> controls = FocusableControls(window, true);
    if (controls.empty()) {
        EXPECT_EQ(GetParam().firstFocus(window), nullptr);
        return;
    }
    ASSERT_TRUE(ActivateWindow(window));
    QWidget* first = GetParam().firstFocus(window);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), first)
        << "focus is on " << Describe(QApplication::focusWidget()).toStdString();

    const std::vector<QWidget*> chain = TabChain(window);
    for (QWidget* control : controls) {
        EXPECT_NE(std::find(chain.begin(), chain.end(), control), chain.end())
            << Describe(control).toStdString() << " is never reached by Tab";
    }
    // Round the chain, Tab goes back only once: from the last control to the first.
    QStringList backSteps;
    for (size_t i = 0; i < chain.size() && chain.size() > 1; ++i) {
        const QWidget* from = chain[i];
        const QWidget* to = chain[(i + 1) % chain.size()];
        if (!ReadsOn(from, to)) {
            backSteps << Describe(from) + QStringLiteral(" -> ") + Describe(to);
        }
    }
    EXPECT_LE(backSteps.size(), 1) << backSteps.join(QStringLiteral("; ")).toStdString();
}

TEST_P(EveryWindow, TheControlWithTheFocusShowsIt) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    const std::vector<QWidget*> controls = FocusableControls(window, true);
    if (controls.size() < 2) {
        return;
    }
    ASSERT_TRUE(ActivateWindow(window));
    // As after a Tab: styles draw the focus of keyboard users.
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    for (size_t i = 0; i < controls.size(); ++i) {
        QWidget* control = controls[i];
        controls[(i + 1) % controls.size()]->setFocus(Qt::TabFocusReason);
        const QImage without = control->grab().toImage();
        control->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(control->hasFocus()) << Describe(control).toStdString();
        const QImage with = control->grab().toImage();
        EXPECT_TRUE(testsupport::ShowsAFocusMark(*control, without, with))
            << Describe(control).toStdString() << " shows its focus faintly or not at all";
    }
}

// A screen reader says a window's title as it comes up when it is told the window is one.
TEST_P(EveryWindow, IsAWindowToAScreenReader) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    if (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog) {
        return; // the splash
    }
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window);
    ASSERT_NE(face, nullptr);
    const QAccessible::Role role = face->role();
    EXPECT_TRUE(role == QAccessible::Window || role == QAccessible::Dialog ||
                role == QAccessible::AlertMessage)
        << Describe(window).toStdString() << " has role " << role;
}

// The default button wears an outline of its own while another control has the focus; the focus
// must still be told from it.
TEST_P(EveryWindow, TheDefaultButtonDoesNotLookFocused) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    const std::vector<QWidget*> controls = FocusableControls(window, true);
    QPushButton* defaultButton = nullptr;
    QWidget* other = nullptr;
    for (QWidget* control : controls) {
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            defaultButton = button->isDefault() ? button : defaultButton;
        } else if (other == nullptr) {
            other = control;
        }
    }
    if (defaultButton == nullptr || other == nullptr) {
        return;
    }
    ASSERT_TRUE(ActivateWindow(window));
    window->setAttribute(Qt::WA_KeyboardFocusChange);
    other->setFocus(Qt::TabFocusReason);
    const QImage without = defaultButton->grab().toImage();
    defaultButton->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(
        testsupport::ShowsAFocusMark(*defaultButton, without, defaultButton->grab().toImage()))
        << Describe(defaultButton).toStdString() << " looks the same with and without the focus";
}

// Enter presses the default button while the focus is on no other button: it looks it then,
// also after the focus has been on another button, and only then.
TEST_P(EveryWindow, TheDefaultButtonLooksItWhileEnterPressesIt) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    QPushButton* defaultButton = nullptr;
    QPushButton* button = nullptr;
    QWidget* other = nullptr;
    ASSERT_TRUE(ActivateWindow(window));
    for (QWidget* control : FocusableControls(window, true)) {
        auto* pushButton = qobject_cast<QPushButton*>(control);
        if (pushButton != nullptr && pushButton->isDefault() && !pushButton->hasFocus()) {
            defaultButton = pushButton;
        } else if (pushButton != nullptr && !pushButton->isDefault() && button == nullptr) {
            button = pushButton;
        } else if (pushButton == nullptr && other == nullptr) {
            other = control;
        }
    }
    if (defaultButton == nullptr || button == nullptr || other == nullptr) {
        return;
    }
    button->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(defaultButton->isDefault()) << Describe(button).toStdString() << " has the focus";
    other->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(defaultButton->isDefault()) << Describe(other).toStdString() << " has the focus";
}

TEST_P(EveryWindow, EscapeClosesItAsItsCloseButtonDoes) {
    QWidget* window = Open();
    ASSERT_NE(window, nullptr);
    QAbstractButton* close = GetParam().closeButton(window);
    if (close == nullptr) {
        return;
    }
    ASSERT_TRUE(ActivateWindow(window));
    const QPointer<QWidget> alive(window);
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window,
                    Qt::Key_Escape);
    if (window == form.get()) {
        // Escape does not end the program; that takes Exit.
        Settle();
        EXPECT_TRUE(window->isVisible());
        return;
    }
    // The self test closes once the keypad is put back.
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull() || !alive->isVisible(); }, kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindow, ::testing::ValuesIn(testsupport::AllWindows()),
                         testsupport::WindowName);

// The keyboard alone, through each window's task.
class KeyboardOnly : public WindowsFixture {
protected:
    template <typename Window> Window* Opened() {
        Settle();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) {
                EXPECT_TRUE(ActivateWindow(window));
                return window;
            }
        }
        ADD_FAILURE() << "no " << Window::staticMetaObject.className() << " opened";
        return nullptr;
    }
    // Where the desktop delivers a key: the popup, the focused control or the active window.
    static QWidget* KeyTarget() {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            return popup;
        }
        return QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                      : QApplication::activeWindow();
    }
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(KeyTarget(), key, modifiers);
        Settle();
    }
    // Presses Tab until target has the focus; false when the chain comes round without it.
    static bool TabTo(const QWidget* target) {
        for (int press = 0; press < 60 && QApplication::focusWidget() != target; ++press) {
            Press(Qt::Key_Tab);
        }
        return QApplication::focusWidget() == target;
    }
    static QAccessibleInterface* Accessible(QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget);
    }
};

TEST_F(KeyboardOnly, TheMenusOpenByTheirLettersF10AndAltAndRunTheirItems) {
    ASSERT_TRUE(ActivateWindow(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->button11);

    Press(Qt::Key_F, Qt::AltModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), form->fileToolStripMenuItem);
    // I: Import Cfg File asks for the file.
    Press(Qt::Key_I);
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    ASSERT_TRUE(ActivateWindow(form.get()));

    Press(Qt::Key_F10);
    EXPECT_EQ(QApplication::activePopupWidget(), form->fileToolStripMenuItem);
    Press(Qt::Key_Escape);
    Press(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Alt on its own goes to the menu bar; Down opens the first menu.
    QTest::keyPress(KeyTarget(), Qt::Key_Alt);
    QTest::keyRelease(KeyTarget(), Qt::Key_Alt);
    ASSERT_EQ(QApplication::focusWidget(), form->menuStrip1);
    Press(Qt::Key_Down);
    EXPECT_EQ(QApplication::activePopupWidget(), form->fileToolStripMenuItem);
    Press(Qt::Key_Escape);
    Press(Qt::Key_Escape);

    // Alt+H, A: the about box, which Escape closes.
    Press(Qt::Key_H, Qt::AltModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), form->helpToolStripMenuItem);
    Press(Qt::Key_A);
    auto* box = Opened<about>();
    ASSERT_NE(box, nullptr);
    const QPointer<about> alive(box);
    EXPECT_EQ(QApplication::focusWidget(), box->button2);
    Press(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull() || !alive->isVisible(); }, kWaitMs));

    // The items' own shortcuts work from the window.
    ASSERT_TRUE(ActivateWindow(form.get()));
    Press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(dialogs.fileRequests.size(), 2u);
}

// Alt on its own puts the menu bar in keyboard mode: the menu Down or Enter would open must show
// as F10 and Alt+F show it, not only to a screen reader.
TEST_F(KeyboardOnly, AltOnItsOwnShowsTheMenuItWentTo) {
    ASSERT_TRUE(ActivateWindow(form.get()));
    form->setAttribute(Qt::WA_KeyboardFocusChange);
    QMenuBar* bar = form->menuStrip1;
    const std::vector<QAction*> menus{form->fileToolStripMenuItem->menuAction(),
                                      form->helpToolStripMenuItem->menuAction()};
    std::vector<QImage> without;
    for (QAction* menu : menus) {
        without.push_back(bar->grab(bar->actionGeometry(menu)).toImage());
    }
    const auto marked = [&](size_t i) {
        const QRect item = bar->actionGeometry(menus[i]);
        return testsupport::ShowsAFocusMark(item.size(), without[i], bar->grab(item).toImage());
    };

    QTest::keyPress(KeyTarget(), Qt::Key_Alt);
    QTest::keyRelease(KeyTarget(), Qt::Key_Alt);
    ASSERT_EQ(QApplication::focusWidget(), bar);
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(marked(0)) << "File";
    EXPECT_FALSE(marked(1)) << "Help";
    Press(Qt::Key_Right);
    EXPECT_FALSE(marked(0)) << "File";
    EXPECT_TRUE(marked(1)) << "Help";
    // Escape leaves the menu bar, and the mark with it.
    Press(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), form->button11);
    EXPECT_FALSE(marked(1)) << "Help";
}

TEST_F(KeyboardOnly, TheEditorSelectsAKeyPicksItsCodeAndAppliesWithEnter) {
    keypad->settings.tableKind = emulator::kCustomSingleKind;
    keypad->settings.customTable[2 * 8 + 1] = 0x04; // Jack IN
    form->button1->click();
    auto* editor = Opened<My4way_layout>();
    ASSERT_NE(editor, nullptr);
    const QPointer<My4way_layout> alive(editor);
    auto* jackIn = editor->findChild<QPushButton*>("key9Btn");
    auto* codeBox = editor->findChild<QLineEdit*>("textBox1");
    auto* picker = editor->findChild<QComboBox*>("selectCode1Cbox");
    ASSERT_EQ(QApplication::focusWidget(), jackIn);
    EXPECT_EQ(Accessible(codeBox)->text(QAccessible::Description),
              "Code 1 of the selected key; no key is selected");

    Press(Qt::Key_Space);
    // The key the editor is on: checked for a screen reader, and the code boxes say whose.
    EXPECT_TRUE(Accessible(jackIn)->state().checked);
    EXPECT_EQ(Accessible(codeBox)->text(QAccessible::Description), "Code 1 of key 9, Jack IN");
    EXPECT_EQ(Accessible(jackIn)->text(QAccessible::Description), "Code 0x04");

    ASSERT_TRUE(TabTo(picker));
    for (int row = 0; row < 3; ++row) {
        Press(Qt::Key_Down); // each row is a pick: 0x00, 0x01, 0x02
    }
    EXPECT_EQ(jackIn->text(), "Jack IN  0x02");
    EXPECT_EQ(Accessible(jackIn)->text(QAccessible::Description), "Code 0x02, just picked");
    EXPECT_EQ(Accessible(picker)->text(QAccessible::Name), "Pick KeyCode 1");
    EXPECT_EQ(Accessible(picker)->text(QAccessible::Value), picker->currentText());
    // A key's name finds its row as well as its code does.
    QTest::keyClicks(picker, QStringLiteral("z"));
    EXPECT_EQ(jackIn->text(), "Jack IN  0x1D");
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(picker, QStringLiteral("0x02"));

    keypad->ClearReceived();
    Press(Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull() || !alive->isVisible(); }, kWaitMs));
    EXPECT_EQ(keypad->ReceivedCodes(), std::vector<uint8_t>{CmdWriteCodeTable});
    EXPECT_EQ(keypad->settings.customTable[2 * 8 + 1], 0x02);
}

TEST_F(KeyboardOnly, TheBluetoothWindowTakesANameAndAppliesWithEnter) {
    form->btnModifyBleParam->click();
    auto* window = Opened<Bluetooth>();
    ASSERT_NE(window, nullptr);
    const QPointer<Bluetooth> alive(window);
    EXPECT_EQ(QApplication::focusWidget(), window->comboBox7);
    // Named by what they are for, read by what they hold.
    EXPECT_EQ(Accessible(window->comboBox7)->text(QAccessible::Name), "Enable Bluetooth");
    EXPECT_EQ(Accessible(window->comboBox6)->text(QAccessible::Name), "Trackpad");
    EXPECT_EQ(Accessible(window->comboBox6)->text(QAccessible::Value), "Yes");
    ASSERT_NE(Accessible(window->comboBox6)->textInterface(), nullptr);
    EXPECT_EQ(Accessible(window->comboBox6)->textInterface()->text(0, -1), "Yes");
    // The rows are there for a screen reader while the list is open, and only then.
    QAccessibleInterface* enable = Accessible(window->comboBox7);
    EXPECT_EQ(enable->childCount(), 0);
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(window->comboBox7->view()->isVisible());
    EXPECT_EQ(enable->childCount(), 1);
    EXPECT_TRUE(enable->state().expanded);
    Press(Qt::Key_Escape);
    EXPECT_EQ(enable->childCount(), 0);
    ASSERT_TRUE(alive) << "Escape closed the list, not the window";

    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), window->bleTextBox);
    Press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(window->bleTextBox, "DESK");
    keypad->ClearReceived();
    Press(Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull() || !alive->isVisible(); }, kWaitMs));
    EXPECT_EQ(keypad->ReceivedCodes(),
              (std::vector<uint8_t>{CmdSetBleName, CmdSetBlePowerLevel, CmdSetBleOnOff}));
    EXPECT_EQ(keypad->settings.ble.name, "DESK");
}

TEST_F(KeyboardOnly, TheSelfTestKeepsTheKeypadsKeysButLetsTabAndEscapeOut) {
    keypad->settings.tableKind = 1;
    keypad->settings.ledBrightness = 6;
    form->button2->click();
    auto* window = Opened<self_test>();
    ASSERT_NE(window, nullptr);
    const QPointer<self_test> alive(window);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto sent = keypad->received();
            return std::any_of(sent.begin(), sent.end(), [](const auto& entry) {
                return entry.command == CmdSetKeypadType && entry.data == std::vector<uint8_t>{0};
            });
        },
        kWaitMs))
        << "no key phase";
    ASSERT_TRUE(ActivateWindow(window));
    EXPECT_EQ(QApplication::focusWidget(), window->button17);
    // Alt and a letter press the buttons: Alt+P plays the sound again.
    const size_t played = audio.log->played.size();
    Press(Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return audio.log->played.size() == played + 1; }, kWaitMs));

    ASSERT_TRUE(TabTo(window->endBtn)) << "Tab never reaches Close";
    // Shift+Tab goes back to the last marker on the picture and Tab on to Close again.
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->markers[7]) << "Vertical, lowest on the picture";
    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), window->endBtn);
    // The keypad's codes stay inputs: Space (Select on this firmware) and Return press nothing;
    // the focus goes to the input detected, where a screen reader says it.
    Press(Qt::Key_Return);
    Press(Qt::Key_Space);
    Press(Qt::Key_Left);
    ASSERT_TRUE(alive);
    EXPECT_EQ(QApplication::focusWidget(), window->markers[1]);
    EXPECT_TRUE(self_test::buttonArray[5]);
    QAccessibleInterface* left = Accessible(window->markers[1]);
    EXPECT_TRUE(left->state().checked);
    EXPECT_EQ(left->text(QAccessible::Name), "Left input");
    EXPECT_EQ(left->text(QAccessible::Description), "Detected");
    EXPECT_FALSE(Accessible(window->markers[2])->state().checked);

    Press(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, kWaitMs));
    EXPECT_EQ(keypad->settings.tableKind, 1);
    EXPECT_EQ(keypad->settings.ledBrightness, 6);
}

TEST_F(KeyboardOnly, TheUpgradeWindowBrowsesFromTheKeyboard) {
    EnterBootLoader();
    auto* window = new firmware_upgrade(form.get());
    const QPointer<firmware_upgrade> alive(window);
    window->show();
    ASSERT_TRUE(ActivateWindow(window));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->backgroundWorkerCheckDevice->IsBusy(); }, kWaitMs));
    Settle();
    // The count found the loader: the focus went on from Close to Browse.
    ASSERT_EQ(QApplication::focusWidget(), window->btnBrowse);
    EXPECT_EQ(Accessible(window->filenameTextBox)->text(QAccessible::Name), "Firmware file");

    const std::string image =
        WriteFile("keypad.txt", testsupport::TiTxt(testsupport::KeypadImage("VX0811")));
    dialogs.paths.push_back(QString::fromStdString(image));
    Press(Qt::Key_Space);
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_FALSE(window->filenameTextBox->text().isEmpty());
    EXPECT_TRUE(window->btnUpgrade->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), window->btnUpgrade);

    dialogs.messages.clear();
    Press(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull() || !alive->isVisible(); }, kWaitMs));
    EXPECT_EQ(dialogs.texts(), QStringList{"Please Click on Scan for.\n"});
}

struct Rendered {
    QColor background; // the colour most of the button shows
    QColor text;       // the pixel furthest from it: the caption's ink
};

// What a button shows, read from its pixels inside the border.
Rendered ReadColours(QWidget* button) {
    const QImage image = button->grab().toImage();
    constexpr int kBorder = 3;
    std::map<QRgb, int> counts;
    for (int y = kBorder; y < image.height() - kBorder; ++y) {
        for (int x = kBorder; x < image.width() - kBorder; ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    Rendered shown;
    shown.background =
        QColor(std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                   return a.second < b.second;
               })->first);
    double furthest = 0;
    for (const auto& [rgb, count] : counts) {
        if (const double ratio = testsupport::ContrastRatio(QColor(rgb), shown.background);
            ratio > furthest) {
            furthest = ratio;
            shown.text = QColor(rgb);
        }
    }
    return shown;
}

enum class CaptionState { AsOpened, CodePicked };

class EditorCaptions : public WindowsFixture, public ::testing::WithParamInterface<CaptionState> {};

TEST_P(EditorCaptions, ReadAtLeastFourAndAHalfToOneAndStayRed) {
    keypad->settings.tableKind = emulator::kCustomSingleKind;
    form->button1->click();
    Settle();
    My4way_layout* editor = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<My4way_layout*>(widget); found && found->isVisible()) {
            editor = found;
        }
    }
    ASSERT_NE(editor, nullptr);
    auto* picker = editor->findChild<QComboBox*>("selectCode1Cbox");
    for (int key = 1; key <= 10; ++key) {
        auto* button = editor->findChild<QPushButton*>(QStringLiteral("key%1Btn").arg(key));
        if (GetParam() == CaptionState::CodePicked) {
            button->click();
            picker->setCurrentIndex(0x28);
            emit picker->activated(0x28);
            ASSERT_EQ(My4way_layout::BackColour(button), QColor(0x00, 0xFF, 0xFF)) << key;
        }
        const Rendered shown = ReadColours(button);
        EXPECT_GE(testsupport::ContrastRatio(shown.text, shown.background), kWcagAaContrast)
            << "key " << key << ": " << shown.text.name().toStdString() << " on "
            << shown.background.name().toStdString();
        EXPECT_GT(shown.text.red(), 2 * shown.text.green()) << key;
        EXPECT_GT(shown.text.red(), 2 * shown.text.blue()) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(BothLooks, EditorCaptions,
                         ::testing::Values(CaptionState::AsOpened, CaptionState::CodePicked),
                         [](const auto& info) {
                             return info.param == CaptionState::AsOpened ? "AsOpened"
                                                                         : "CodePicked";
                         });

} // namespace
