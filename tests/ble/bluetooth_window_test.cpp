#include "firmware/ble/Bluetooth.h"

#include "device/commands.h"
#include "tests/support/EmulatorFixture.h"
#include "ui/Dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace {

using praxil_usb_encoder::Bluetooth;

class BluetoothWindow : public testsupport::EmulatorTest {
protected:
    void SetUp() override { keypad_ = ConnectKeypad(); }

    Bluetooth* Open(const ble::BleHandOver& values) {
        Bluetooth* window = praxil_usb_encoder::OpenBluetoothWindow(nullptr, 0, values);
        keypad_->ClearReceived();
        return window;
    }

    std::shared_ptr<emulator::SimulatedKeypad> keypad_;
    ui::DialogRecorder dialogs_;
};

TEST_F(BluetoothWindow, ShowsTheHandedOverValues) {
    QPointer<Bluetooth> window = Open({"Desk", "5F6E8D", "8", 1});
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Bluetooth Parameters");
    EXPECT_EQ(window->size(), QSize(500, 500));
    EXPECT_EQ(window->bleTextBox->text(), "Desk");
    EXPECT_EQ(window->comboBox1->currentText(), "EchovaneQT - Landscape (Upside Down)");
    EXPECT_EQ(window->comboBox2->currentText(), "110");
    EXPECT_EQ(window->comboBox3->currentText(), " -1dbm");
    EXPECT_EQ(window->comboBox4->currentText(), "75");
    EXPECT_EQ(window->comboBox5->currentText(), "20");
    EXPECT_EQ(window->comboBox6->currentText(), "Yes");
    EXPECT_EQ(window->comboBox7->currentText(), "Yes");
    EXPECT_TRUE(window->comboBox4->isHidden());
    // The list shows TABs as spaces; each item keeps its own text as its data.
    EXPECT_EQ(window->comboBox1->itemData(4).toString(), "Vecta  \t    - Portraite");
    EXPECT_EQ(window->comboBox1->itemText(9), "Vectabar ");
    EXPECT_EQ(window->findChild<QLabel*>("label5")->text(), "Timeout for disconnection ( Sec)");
    delete window;
}

TEST_F(BluetoothWindow, ApplyWritesTheChoicesAndCloses) {
    QPointer<Bluetooth> window = Open({"Desk", "5F6E8D", "8", 1});
    window->bleTextBox->setText("Hall");
    window->comboBox2->setCurrentIndex(0); // 50
    window->comboBox6->setCurrentIndex(0); // no trackpad
    window->comboBox3->setCurrentIndex(0);
    window->comboBox7->setCurrentIndex(0);
    QTest::mouseClick(window->button1, Qt::LeftButton);
    EXPECT_TRUE(dialogs_.messages.empty());
    EXPECT_EQ(keypad_->ReceivedCodes(),
              (std::vector<uint8_t>{CmdSetBleName, CmdSetBlePowerLevel, CmdSetBleOnOff}));
    EXPECT_EQ(keypad_->settings.ble.name, "Hall");
    EXPECT_EQ(keypad_->settings.ble.manufacturerData, "5F320d");
    EXPECT_EQ(keypad_->settings.ble.powerLevel, "1");
    EXPECT_EQ(keypad_->settings.ble.enabled, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
}

TEST_F(BluetoothWindow, ARefusalKeepsTheWindowOpenWithItsMessage) {
    keypad_->InjectFault({.kind = emulator::FaultKind::Refuse, .command = CmdSetBlePowerLevel});
    QPointer<Bluetooth> window = Open({"Desk", "5F6E8D", "8", 1});
    QTest::mouseClick(window->button1, Qt::LeftButton);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0].text, "Unable to load ble power level..\n");
    EXPECT_EQ(dialogs_.messages[0].caption, "Vexor Echovane");
    EXPECT_EQ(dialogs_.messages[0].icon, ui::Icon::Warning);
    EXPECT_EQ(keypad_->ReceivedCodes(), (std::vector<uint8_t>{CmdSetBleName, CmdSetBlePowerLevel}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window);
    delete window;
}

TEST_F(BluetoothWindow, CancelSendsNothing) {
    QPointer<Bluetooth> window = Open({"Desk", "5F6E8D", "8", 1});
    QTest::mouseClick(window->button2, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_TRUE(keypad_->ReceivedCodes().empty());
}

TEST_F(BluetoothWindow, ValuesOutsideTheListsShowEmptyAndMustBeChosenBeforeApply) {
    QPointer<Bluetooth> window = Open({"Desk", "5F788D", "15", 3});
    EXPECT_EQ(window->comboBox2->currentIndex(), -1);
    EXPECT_EQ(window->comboBox2->placeholderText(), "120 (not in the list)");
    EXPECT_EQ(window->comboBox3->placeholderText(), "15 (not in the list)");
    EXPECT_EQ(window->comboBox7->currentIndex(), -1);
    QTest::mouseClick(window->button1, Qt::LeftButton);
    EXPECT_EQ(dialogs_.texts(), QStringList{"Please select a value for Enable Bluetooth..\n"});
    EXPECT_TRUE(keypad_->ReceivedCodes().empty());

    window->comboBox7->setCurrentIndex(1);
    window->comboBox2->setCurrentIndex(10);
    window->comboBox3->setCurrentIndex(2);
    QTest::mouseClick(window->button1, Qt::LeftButton);
    EXPECT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(keypad_->settings.ble.manufacturerData, "5F3c8d");
    EXPECT_EQ(keypad_->settings.ble.powerLevel, "3");
}

TEST_F(BluetoothWindow, UnreadableManufacturerDataShowsTheTimeoutForAChoice) {
    QPointer<Bluetooth> window = Open({"Desk", "", "8", 1});
    EXPECT_FALSE(window->comboBox4->isHidden());
    EXPECT_FALSE(window->findChild<QLabel*>("label5")->isHidden());
    EXPECT_EQ(window->comboBox4->placeholderText(), "(unreadable)");
    delete window;
}

TEST_F(BluetoothWindow, NameBoxTakesTenPlainAsciiCharacters) {
    QPointer<Bluetooth> window = Open({"", "5F6E8D", "8", 1});
    window->bleTextBox->clear();
    QTest::keyClicks(window->bleTextBox, "Caf");
    QKeyEvent accent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                     QString::fromUtf8("\u00e9"));
    QApplication::sendEvent(window->bleTextBox, &accent);
    EXPECT_EQ(window->bleTextBox->text(), "Caf");
    // A paste is cut to fit the ten characters, then loses what cannot travel.
    window->bleTextBox->insert(QString::fromUtf8(" \u00fcber-long name"));
    EXPECT_EQ(window->bleTextBox->text(), "Caf ber-l");
    QTest::mouseClick(window->button1, Qt::LeftButton);
    EXPECT_EQ(keypad_->settings.ble.name, "Caf ber-l");
}

struct KeptName {
    const char* what;
    std::string name;
};

class BluetoothWindowKeptName : public BluetoothWindow,
                                public ::testing::WithParamInterface<KeptName> {};

TEST_P(BluetoothWindowKeptName, ShowsTheNameAsReadAndApplyOfAnotherValueKeepsIt) {
    QPointer<Bluetooth> window = Open({GetParam().name, "5F6E8D", "8", 1});
    EXPECT_EQ(window->bleTextBox->text(), QString::fromLatin1(GetParam().name.c_str()));
    window->comboBox3->setCurrentIndex(2); // only the power level changes
    QTest::mouseClick(window->button1, Qt::LeftButton);
    EXPECT_TRUE(dialogs_.messages.empty()) << dialogs_.texts().join("|").toStdString();
    EXPECT_EQ(keypad_->settings.ble.name, GetParam().name);
    EXPECT_EQ(keypad_->settings.ble.powerLevel, "3");
}

INSTANTIATE_TEST_SUITE_P(Names, BluetoothWindowKeptName,
                         ::testing::Values(KeptName{"Long", "LongBleName123"},
                                           KeptName{"Latin1", "Caf\xE9 Terrace"},
                                           KeptName{"Control", "Desk\x01"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(BluetoothWindow, AnEditedNameFollowsTheTenCharacterRule) {
    QPointer<Bluetooth> window = Open({"LongBleName123", "5F6E8D", "8", 1});
    window->bleTextBox->end(false);
    QTest::keyClick(window->bleTextBox, Qt::Key_Backspace);
    EXPECT_EQ(window->bleTextBox->text(), "LongBleNam");
    QTest::mouseClick(window->button1, Qt::LeftButton);
    EXPECT_EQ(keypad_->settings.ble.name, "LongBleNam");
}

TEST_F(BluetoothWindow, EveryProductTypeIsReadableInFullOpenAndClosed) {
    QPointer<Bluetooth> window = Open({"Desk", "5F6E8D", "8", 1});
    window->show();
    QComboBox* box = window->comboBox1;
    QStringList shown;
    for (int row = 0; row < box->count(); ++row) {
        box->setCurrentIndex(row);
        QStyleOptionComboBox option;
        option.initFrom(box);
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, box);
        const QString text = box->itemText(row);
        EXPECT_FALSE(text.contains('\t')) << row;
        EXPECT_LE(box->fontMetrics().horizontalAdvance(text), field.width()) << row;
        EXPECT_LE(box->view()->sizeHintForColumn(0), box->view()->width()) << row;
        shown << text.simplified();
    }
    EXPECT_NE(shown[4], shown[5]);
    EXPECT_EQ(shown.removeDuplicates(), 0);
    // Everything still inside the window, every label readable in full (the timeout's too,
    // which shows when the keypad's value could not be read).
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(window->rect().contains(child->geometry()))
            << child->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
            const QRect needed = label->fontMetrics().boundingRect(
                label->contentsRect(), flags | static_cast<int>(label->alignment()), label->text());
            EXPECT_LE(needed.height(), label->contentsRect().height())
                << label->text().toStdString();
            EXPECT_LE(needed.width(), label->contentsRect().width()) << label->text().toStdString();
        }
    }
    delete window;
}

TEST_F(BluetoothWindow, EveryControlHasAnAccessibleNameAndIsReachedByTab) {
    QPointer<Bluetooth> window = Open({"Desk", "5F6E8D", "8", 1});
    window->show();
    for (QWidget* control : std::initializer_list<QWidget*>{
             window->comboBox7, window->bleTextBox, window->comboBox1, window->comboBox6,
             window->comboBox2, window->comboBox3, window->comboBox5}) {
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
        EXPECT_NE(control->focusPolicy() & Qt::TabFocus, 0) << control->objectName().toStdString();
    }
    delete window;
}

TEST_F(BluetoothWindow, AFailedReadOpensNothing) {
    Bluetooth* window = praxil_usb_encoder::OpenBluetoothWindow(nullptr, -1, {});
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(dialogs_.texts(), QStringList{"Bluetooth Parameter-Unable to get device status..\n"});
}

} // namespace
