// Renders the main window (connected and not connected), the BLE window with its product list
// open, the about box, a message box and the demo's keypad panel into PNG files, on whatever
// platform Qt runs (offscreen in scripts).

#include "app/Form1.h"
#include "app/SimulatedKeypadPanel.h"
#include "device/discovery.h"
#include "emulator/DemoKeypad.h"
#include "emulator/VirtualBus.h"
#include "firmware/ble/Bluetooth.h"
#include "resources/EchovaneResources.h"
#include "ui/Accessible.h"
#include "ui/CustomMessageBox.h"
#include "ui/Dialogs.h"
#include "ui/about.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>

#include <cstdio>

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
    QCoreApplication::processEvents();
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    resources::InitEchovaneResources();
    ui::SetUpAccessibility();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));

    const auto keypad = emulator::PlugDemoKeypad();
    ui::DialogRecorder recorder;
    bool ok = true;

    praxil_usb_encoder::Form1 form;
    form.show();
    QCoreApplication::processEvents(); // runs Form1_Load
    ok &= Save(form, folder, "main-window-connected.png");

    form.btnModifyBleName_Click();
    if (auto* ble = form.findChild<praxil_usb_encoder::Bluetooth*>()) {
        ok &= Save(*ble, folder, "bluetooth-parameters.png");
        ble->comboBox1->showPopup();
        ok &= Save(*ble->comboBox1->view(), folder, "bluetooth-product-types.png");
        ble->comboBox1->hidePopup();
        ble->close();
    }

    app::SimulatedKeypadPanel panel(keypad);
    panel.ShowBeside(form);
    ok &= Save(panel, folder, "simulated-keypad-panel.png");

    panel.SetPlugged(false);
    form.button11_Click();
    ok &= Save(form, folder, "main-window-not-connected.png");

    praxil_usb_encoder::about box;
    box.show();
    ok &= Save(box, folder, "about-box.png");

    // The box a scan shows without a keypad, as the real dialog helper draws it.
    QMessageBox message(
        QMessageBox::Warning, ui::kCaption,
        recorder.texts().value(0, QStringLiteral("Vexor Echovane not connected..\n")),
        QMessageBox::Ok);
    message.show();
    ok &= Save(message, folder, "message-box.png");

    Velt_test::CustomMessageBox custom;
    custom.show();
    ok &= Save(custom, folder, "custom-message-box.png");

    CloseOpenKeypad();
    return ok ? 0 : 1;
}
