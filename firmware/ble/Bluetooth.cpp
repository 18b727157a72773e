#include "Bluetooth.h"

#include "firmware/ble/BleApply.h"
#include "firmware/ble/BleNameValidator.h"
#include "platform/text/NarrowText.h"
#include "ui/Accessible.h"
#include "ui/Dialogs.h"
#include "ui/ScreenFit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QValidator>

#include <algorithm>

namespace praxil_usb_encoder {
namespace {

constexpr int kWindowSize = 500;
constexpr int kLabelX = 40;
constexpr int kLabelWidth = 210;
constexpr int kControlX = 260;
constexpr int kControlWidth = 200;
constexpr int kFirstRowY = 30;
constexpr int kRowHeight = 45;
constexpr int kControlHeight = 24;
constexpr int kButtonY = 420;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kMargin = 16;
constexpr int kLabelGap = 8;

void Select(QComboBox* box, const ble::BlePick& pick) {
    box->setCurrentIndex(pick.index);
    box->setPlaceholderText(pick.index == ble::kNoSelection ? platform::FromLatin1(pick.unlisted)
                                                            : QString());
}

ble::BlePick Picked(const QComboBox* box) {
    return ble::BlePick{box->currentIndex(), {}};
}

} // namespace

Bluetooth::Bluetooth(QWidget* owner, const ble::BleHandOver& values)
    : QDialog(owner), bleName(values.bleName), bleManufacturerData(values.bleManufacturerData),
      blePowerLevelText(values.blePowerLevel), bleEnable(values.bleEnable) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Bluetooth"));
    setWindowTitle(QStringLiteral("Bluetooth Parameters"));
    setWindowIcon(QIcon());
    setFixedSize(kWindowSize, kWindowSize);
    setModal(false);

    int row = 0;
    comboBox7 = AddRow(row++, "comboBox7", "label8", ble::kEnableLabel, ble::NoYesItems());

    auto* label1 = new QLabel(QString::fromLatin1(ble::kNameLabel), this);
    label1->setObjectName(QStringLiteral("label1"));
    label1->setGeometry(kLabelX, kFirstRowY + row * kRowHeight, kLabelWidth, kControlHeight);
    bleTextBox = new QLineEdit(QString::fromLatin1(ble::kDefaultName), this);
    bleTextBox->setObjectName(QStringLiteral("bleTextBox"));
    bleTextBox->setMaxLength(ble::kNameMaxLength);
    bleTextBox->setValidator(new BleNameValidator(bleTextBox));
    ui::NameControl(
        bleTextBox, QString::fromLatin1(ble::kNameLabel),
        QStringLiteral(
            "Up to %1 characters of plain ASCII, without accents; others are left out as "
            "they are typed")
            .arg(ble::kNameMaxLength));
    label1->setBuddy(bleTextBox);
    bleTextBox->setGeometry(kControlX, kFirstRowY + row * kRowHeight, kControlWidth,
                            kControlHeight);
    ++row;

    comboBox1 =
        AddRow(row++, "comboBox1", "label2", ble::kProductTypeLabel, ble::ProductTypeItems());
    comboBox6 = AddRow(row++, "comboBox6", "label7", ble::kTrackpadLabel, ble::NoYesItems());
    comboBox2 = AddRow(row++, "comboBox2", "label3", ble::kRssiLabel, ble::RssiItems());
    comboBox3 = AddRow(row++, "comboBox3", "label4", ble::kPowerLevelLabel, ble::PowerLevelItems());
    comboBox5 = AddRow(row++, "comboBox5", "label6", ble::kMarginLabel, ble::MarginItems());
    comboBox4 =
        AddRow(row++, "comboBox4", "label5", ble::kTimeoutLabel, ble::TimeoutItems(), &label5);
    comboBox4->hide();
    label5->hide();

    FitControlsToProductTypes();

    button1 = new QPushButton(QStringLiteral("Apply"), this);
    button1->setObjectName(QStringLiteral("button1"));
    button1->setGeometry(kControlX - kButtonWidth - 20, kButtonY, kButtonWidth, kButtonHeight);
    button2 = new QPushButton(QStringLiteral("Cancel"), this);
    button2->setObjectName(QStringLiteral("button2"));
    button2->setGeometry(kControlX + 20, kButtonY, kButtonWidth, kButtonHeight);
    connect(button1, &QPushButton::clicked, this, &Bluetooth::button1_Click);
    connect(button2, &QPushButton::clicked, this, &Bluetooth::button2_Click);
    // Enter applies; Escape closes as Cancel does (the dialog's own key).
    button1->setDefault(true);

    ui::SetTabChain({comboBox7, bleTextBox, comboBox1, comboBox6, comboBox2, comboBox3, comboBox5,
                     comboBox4, button1, button2});
    comboBox7->setFocus();

    Bluetooth_Load();
}

void Bluetooth::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::FitOnScreen(*this);
}

QComboBox* Bluetooth::AddRow(int row, const char* objectName, const char* labelName,
                             const char* text, const std::vector<std::string>& items,
                             QLabel** labelOut) {
    const int y = kFirstRowY + row * kRowHeight;
    auto* label = new QLabel(QString::fromLatin1(text), this);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setGeometry(kLabelX, y, kLabelWidth, kControlHeight);
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(objectName));
    for (const auto& item : items) {
        // The list shows the item readable; its own text stays with it for whoever asks.
        box->addItem(platform::FromLatin1(ble::ItemDisplayText(item)), platform::FromLatin1(item));
    }
    box->setGeometry(kControlX, y, kControlWidth, kControlHeight);
    ui::NameControl(box, QString::fromLatin1(text));
    label->setBuddy(box);
    if (labelOut != nullptr) {
        *labelOut = label;
    }
    return box;
}

void Bluetooth::Bluetooth_Load() {
    const ble::BleSelection selection =
        ble::LoadSelection({bleName, bleManufacturerData, blePowerLevelText, bleEnable});
    Select(comboBox1, selection.productType);
    Select(comboBox2, selection.rssiRange);
    Select(comboBox3, selection.powerLevel);
    Select(comboBox4, selection.timeout);
    Select(comboBox5, selection.margin);
    Select(comboBox6, selection.trackpad);
    Select(comboBox7, selection.enable);
    if (selection.powerLevel.index != ble::kNoSelection) {
        blePowerLevel = selection.powerLevel.index + 1;
    }
    // The timeout is normally kept out of sight; when the keypad's value could not be read
    // the user has to choose one, so it shows.
    const bool timeoutUnknown = selection.timeout.index == ble::kNoSelection;
    comboBox4->setVisible(timeoutUnknown);
    label5->setVisible(timeoutUnknown);
    // The name as the keypad holds it, even when longer than a typed name may be.
    loadedName_ = platform::FromLatin1(selection.name);
    // The box runs its validator on setText too; it is for what the user types.
    const QValidator* validator = bleTextBox->validator();
    bleTextBox->setValidator(nullptr);
    bleTextBox->setMaxLength(std::max<int>(ble::kNameMaxLength, loadedName_.size()));
    bleTextBox->setText(loadedName_);
    bleTextBox->setValidator(validator);
}

void Bluetooth::FitControlsToProductTypes() {
    // The window keeps its size: the controls take the width of the longest product type, the
    // labels the rest, wrapping onto a second line where one does not fit.
    comboBox1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const int width = std::max(kControlWidth, comboBox1->sizeHint().width());
    const int controlX = kWindowSize - kMargin - width;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QRect geometry = child->geometry();
        if (auto* label = qobject_cast<QLabel*>(child)) {
            const int labelWidth = controlX - kLabelGap - kMargin;
            const bool wraps = label->sizeHint().width() > labelWidth;
            label->setWordWrap(wraps);
            const int height = wraps ? kRowHeight - 4 : geometry.height();
            geometry = QRect(kMargin, geometry.center().y() - height / 2, labelWidth, height);
        } else if (qobject_cast<QComboBox*>(child) != nullptr || child == bleTextBox) {
            geometry = QRect(controlX, geometry.y(), width, geometry.height());
        }
        child->setGeometry(geometry);
    }
    for (QComboBox* box : findChildren<QComboBox*>()) {
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) +
                                     box->view()->verticalScrollBar()->sizeHint().width());
    }
}

ble::BleSelection Bluetooth::CurrentSelection() const {
    ble::BleSelection selection;
    const QString name = bleTextBox->text();
    bool narrow = true;
    for (const QChar c : name) {
        narrow = narrow && c.unicode() <= 0xFF;
    }
    // Anything wider than 8 bits cannot be in the box (the validator drops it); should it be,
    // a control character makes Apply refuse the name instead of sending a guess.
    selection.name = narrow ? name.toLatin1().toStdString() : std::string(1, '\x01');
    if (name == loadedName_) {
        // Untouched: back to the keypad exactly as it came.
        selection.name = bleName;
        selection.nameAsRead = true;
    }
    selection.productType = Picked(comboBox1);
    selection.rssiRange = Picked(comboBox2);
    selection.powerLevel = Picked(comboBox3);
    selection.timeout = Picked(comboBox4);
    selection.margin = Picked(comboBox5);
    selection.trackpad = Picked(comboBox6);
    selection.enable = Picked(comboBox7);
    return selection;
}

void Bluetooth::button1_Click() {
    const ble::BleSelection selection = CurrentSelection();
    const ble::BleApplyResult result = ble::ApplyBleParameters(selection);
    if (result.accepted >= 1) {
        bleName = selection.name;
        loadedName_ = platform::FromLatin1(bleName);
    }
    if (result.accepted >= 2) {
        blePowerLevel = selection.powerLevel.index + 1;
    }
    if (!result.ok) {
        ui::ShowWarning(this, platform::FromLatin1(result.message));
        return;
    }
    bleEnable = selection.enable.index;
    close();
}

void Bluetooth::button2_Click() {
    close();
}

Bluetooth* OpenBluetoothWindow(QWidget* owner, int readResult, const ble::BleHandOver& values) {
    if (readResult != 0) {
        ui::ShowWarning(owner, QString::fromLatin1(ble::kReadFailedText) + "\n");
        return nullptr;
    }
    auto* window = new Bluetooth(owner, values);
    window->show();
    return window;
}

} // namespace praxil_usb_encoder
