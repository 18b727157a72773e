#include "WindowTable.h"

#include "app/SimulatedKeypadPanel.h"
#include "codetable/My4way_layout.h"
#include "firmware/ble/Bluetooth.h"
#include "firmware/firmware_upgrade.h"
#include "selftest/KeyPrompt.h"
#include "selftest/self_test.h"
#include "ui/Accessible.h"
#include "ui/BackgroundWorker.h"
#include "ui/CustomMessageBox.h"
#include "ui/about.h"
#include "ui/vexor_splash_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace testsupport {
namespace {

using namespace praxil_usb_encoder;

template <typename Window> Window* Only(WindowsFixture& fixture) {
    WindowsFixture::Settle();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget);
            window != nullptr && window->isVisible()) {
            return window;
        }
    }
    ADD_FAILURE() << "no " << Window::staticMetaObject.className() << " opened";
    (void)fixture;
    return nullptr;
}

QWidget* OpenEditor(WindowsFixture& fixture, uint8_t kind) {
    fixture.keypad->settings.tableKind = kind;
    fixture.form->button1->click();
    return Only<My4way_layout>(fixture);
}

QAbstractButton* Named(QWidget* window, const char* name) {
    return window->findChild<QAbstractButton*>(QString::fromLatin1(name));
}

const std::vector<WindowCase> kWindows = {
    {"MainWindow", [](WindowsFixture& f) -> QWidget* { return f.form.get(); },
     [](QWidget* w) -> QAbstractButton* { return static_cast<Form1*>(w)->button10; },
     [](QWidget* w) -> QWidget* { return static_cast<Form1*>(w)->button11; }},
    {"About",
     [](WindowsFixture& f) -> QWidget* {
         f.form->aboutVexorUSBEncoderConfiguratorToolStripMenuItem1->trigger();
         return Only<about>(f);
     },
     [](QWidget* w) -> QAbstractButton* { return static_cast<about*>(w)->button2; },
     [](QWidget* w) -> QWidget* { return static_cast<about*>(w)->button2; }},
    {"EditorSingleCode", [](WindowsFixture& f) { return OpenEditor(f, 2); },
     [](QWidget* w) { return Named(w, "exitBtn"); },
     // Jack IN, the first key on the picture.
     [](QWidget* w) -> QWidget* { return Named(w, "key9Btn"); }},
    {"EditorMultiCode", [](WindowsFixture& f) { return OpenEditor(f, 5); },
     [](QWidget* w) { return Named(w, "exitBtn"); },
     [](QWidget* w) -> QWidget* { return Named(w, "key9Btn"); }},
    {"Bluetooth",
     [](WindowsFixture& f) -> QWidget* {
         f.form->btnModifyBleParam->click();
         return Only<Bluetooth>(f);
     },
     [](QWidget* w) -> QAbstractButton* { return static_cast<Bluetooth*>(w)->button2; },
     [](QWidget* w) -> QWidget* { return static_cast<Bluetooth*>(w)->comboBox7; }},
    {"FirmwareUpgrade",
     [](WindowsFixture& f) -> QWidget* {
         auto* window = new firmware_upgrade(f.form.get());
         window->show();
         static_cast<void>(
             QTest::qWaitFor([window] { return !window->backgroundWorkerCheckDevice->IsBusy(); }));
         return window;
     },
     [](QWidget* w) -> QAbstractButton* { return static_cast<firmware_upgrade*>(w)->btnClose; },
     // No boot loader on the bus: Browse is off and Close is what there is to do.
     [](QWidget* w) -> QWidget* { return static_cast<firmware_upgrade*>(w)->btnClose; }},
    {"SelfTest",
     [](WindowsFixture& f) -> QWidget* {
         f.form->button2->click();
         return Only<self_test>(f);
     },
     [](QWidget* w) -> QAbstractButton* { return static_cast<self_test*>(w)->endBtn; },
     [](QWidget* w) -> QWidget* { return static_cast<self_test*>(w)->button17; }},
    {"MessageBox",
     [](WindowsFixture& f) -> QWidget* {
         auto* box = new Velt_test::CustomMessageBox(f.form.get());
         box->setAttribute(Qt::WA_DeleteOnClose);
         box->show();
         return box;
     },
     [](QWidget* w) -> QAbstractButton* {
         return static_cast<Velt_test::CustomMessageBox*>(w)->cancelButton_;
     },
     [](QWidget* w) -> QWidget* {
         return static_cast<Velt_test::CustomMessageBox*>(w)->yesButton_;
     }},
    {"Splash",
     [](WindowsFixture& f) -> QWidget* {
         auto* splash = new vexor_splash_form;
         splash->show();
         f.extraWindows.emplace_back(splash);
         return splash;
     },
     [](QWidget*) -> QAbstractButton* { return nullptr; },
     [](QWidget*) -> QWidget* { return nullptr; }},
    {"SimulatedKeypadPanel",
     [](WindowsFixture& f) -> QWidget* {
         auto* panel = new app::SimulatedKeypadPanel(f.keypad);
         panel->ShowBeside(*f.form);
         f.extraWindows.emplace_back(panel);
         return panel;
     },
     [](QWidget*) -> QAbstractButton* { return nullptr; },
     // Its keys never take the focus: they type into the window that has it.
     [](QWidget*) -> QWidget* { return nullptr; }},
};

} // namespace

const std::vector<WindowCase>& AllWindows() {
    return kWindows;
}

std::string WindowName(const ::testing::TestParamInfo<WindowCase>& info) {
    return info.param.name;
}

WindowsFixture::WindowsFixture() {
    // As start-up does before any window.
    ui::SetUpAccessibility();
    self_test::installMode = 0;
    keypad->settings.tableKind = 0;
    form = std::make_unique<Form1>();
    form->show();
    // The window loads once it is on screen.
    Settle();
}

WindowsFixture::~WindowsFixture() {
    SetKeyPromptFunction(nullptr);
    for (const QPointer<QWidget>& window : extraWindows) {
        delete window.data();
    }
    // With it go the windows it owns; the self test stops its worker and puts the keypad back.
    form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void WindowsFixture::Settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents();
    }
}

} // namespace testsupport
