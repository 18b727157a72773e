#include "My4way_layout.h"

#include "codetable/keypad_picture.h"
#include "device/discovery.h"
#include "platform/text/NarrowText.h"
#include "ui/Dialogs.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include <bit>

namespace praxil_usb_encoder {
namespace {

using namespace codetable;

constexpr char kWindowTitle[] = "Echovelte Layout";
constexpr char kHeading[] = "Customise Echovelte Code Table\n       (USB Codes in Hex)";
constexpr char kModifierPickerText[] = "Modifier";
constexpr char kCodePickerText[] = "Select Code";
constexpr char kBackColourProperty[] = "backColour";

constexpr QSize kClientSize(974, 740);
constexpr QSize kMinimumSize(500, 400);
constexpr QSize kMaximumSize(1000, 1000);

constexpr QRect kHeadingRect(40, 8, 520, 62);
constexpr QPoint kPictureOrigin(20, 78);
constexpr int kColumnLeft = 610;
constexpr int kColumnWidth = 340;
constexpr QRect kModifiersFrame(kColumnLeft, 78, kColumnWidth, 150);
constexpr QPoint kCheckBoxOrigin(20, 28);
constexpr QSize kCheckBoxStep(160, 30);
constexpr int kCheckBoxesPerColumn = 4;
constexpr QRect kModifierPickerRect(kColumnLeft, 240, 200, 28);
constexpr QRect kCodesFrame(kColumnLeft, 280, kColumnWidth, 300);
constexpr int kCodeRowTop = 30;
constexpr int kCodeRowStep = 44;
constexpr QRect kCodeLabelCell(15, 4, 80, 22);
constexpr QRect kCodeBoxCell(100, 0, 70, 26);
constexpr QRect kCodePickerCell(180, 0, 145, 26);
constexpr int kCodePickerDropDownWidth = 230;
constexpr QSize kCommandButtonSize(105, 40);
constexpr int kCommandButtonTop = 620;
constexpr int kCommandButtonStep = 118;

const QColor kKeyTextColour(Qt::red);
const QColor kPickedKeyColour(0x00, 0xFF, 0xFF);       // aqua
const QColor kToggledModifierColour(0xFF, 0xA5, 0x00); // orange

// Colours through a style sheet, so every platform style shows them.
void PaintButton(QPushButton* button, const QColor& back, const QColor& text) {
    button->setProperty(kBackColourProperty, back);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; background-color: %2; "
                                         "border: 1px solid #404040; border-radius: 4px; "
                                         "padding: 1px 3px; }"
                                         "QPushButton:pressed { border: 2px solid #101010; }")
                              .arg(text.name(), back.name()));
}

QRect KeyButtonRect(int key, int width, int top, int height) {
    const PicturePoint centre = kKeyCentres[key];
    return QRect(kPictureOrigin.x() + centre.x - width / 2, kPictureOrigin.y() + centre.y + top,
                 width, height);
}

} // namespace

My4way_layout::My4way_layout(EditorMode mode, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), editor_(mode) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    resize(kClientSize);
    setMinimumSize(kMinimumSize);
    setMaximumSize(kMaximumSize);
    BuildControls();
    PrepareControlsForMode();
    LoadPicture();
}

QColor My4way_layout::BackColour(const QPushButton* button) {
    return button->property(kBackColourProperty).value<QColor>();
}

void My4way_layout::BuildControls() {
    label1_ = new QLabel(QString::fromLatin1(kHeading), this);
    label1_->setObjectName("label1");
    QFont headingFont = label1_->font();
    headingFont.setPointSize(14);
    headingFont.setBold(true);
    label1_->setFont(headingFont);
    label1_->setGeometry(kHeadingRect);

    pictureBox1_ = new QLabel(this);
    pictureBox1_->setObjectName("pictureBox1");
    pictureBox1_->setGeometry(QRect(kPictureOrigin, QSize(kPictureWidth, kPictureHeight)));
    pictureBox1_->setScaledContents(true);

    // The key buttons stand on the picture, each over its key, its modifier button below it.
    const QColor normalBack = palette().color(QPalette::Button);
    const QColor normalText = palette().color(QPalette::ButtonText);
    for (int key = 0; key < kKeyCount; ++key) {
        auto* button = new QPushButton(this);
        button->setObjectName(platform::FromLatin1(KeyLabels()[key].buttonName));
        button->setGeometry(KeyButtonRect(key, kKeyButtonWidth, kKeyButtonTop, kKeyButtonHeight));
        PaintButton(button, normalBack, kKeyTextColour);
        connect(button, &QPushButton::clicked, this, [this, key] { keyBtn_Click(key + 1); });
        keyBtns_[key] = button;

        auto* modifier = new QPushButton(QStringLiteral("None"), this);
        modifier->setObjectName(QStringLiteral("modifierBtn%1").arg(key + 1));
        modifier->setGeometry(
            KeyButtonRect(key, kModifierButtonWidth, kModifierButtonTop, kModifierButtonHeight));
        PaintButton(modifier, normalBack, normalText);
        modifier->hide();
        connect(modifier, &QPushButton::clicked, this, [this, key] { modifierBtn_Click(key + 1); });
        modifierBtns_[key] = modifier;
    }

    groupBox1_ = new QGroupBox(QStringLiteral("Modifiers"), this);
    groupBox1_->setObjectName("groupBox1");
    groupBox1_->setGeometry(kModifiersFrame);
    for (int box = 0; box < kModifierCheckBoxCount; ++box) {
        const ModifierCheckBox& entry = ModifierCheckBoxes()[box];
        auto* checkBox = new QCheckBox(platform::FromLatin1(entry.text), groupBox1_);
        checkBox->setObjectName(platform::FromLatin1(entry.objectName));
        checkBox->adjustSize();
        // Left modifiers (bits 0..3) in the first column, right ones in the second.
        const int bitNumber = std::countr_zero(static_cast<unsigned>(entry.bit));
        checkBox->move(
            kCheckBoxOrigin.x() + (bitNumber / kCheckBoxesPerColumn) * kCheckBoxStep.width(),
            kCheckBoxOrigin.y() + (bitNumber % kCheckBoxesPerColumn) * kCheckBoxStep.height());
        connect(checkBox, &QCheckBox::toggled, this,
                [this, box](bool checked) { checkBox_CheckedChanged(box, checked); });
        checkBoxes_[box] = checkBox;
    }

    selectModifierCbox_ = new QComboBox(this);
    selectModifierCbox_->setObjectName("selectModifierCbox");
    for (std::string_view item : ModifierItems()) {
        selectModifierCbox_->addItem(platform::FromLatin1(item));
    }
    selectModifierCbox_->setCurrentIndex(-1);
    selectModifierCbox_->setPlaceholderText(QString::fromLatin1(kModifierPickerText));
    selectModifierCbox_->setGeometry(kModifierPickerRect);
    selectModifierCbox_->hide();
    connect(selectModifierCbox_, &QComboBox::activated, this,
            [this](int index) { selectModifierCbox_SelectionChangeCommitted(index); });

    groupBox2_ = new QGroupBox(QStringLiteral("Programmed KeyCodes"), this);
    groupBox2_->setObjectName("groupBox2");
    groupBox2_->setGeometry(kCodesFrame);
    QStringList rows;
    for (std::string_view row : UsageCodeRows()) {
        rows << platform::FromLatin1(row);
    }
    for (int slot = 0; slot < kCodesPerKey; ++slot) {
        const QPoint rowOrigin(0, kCodeRowTop + slot * kCodeRowStep);
        auto* label = new QLabel(QStringLiteral("KeyCode %1").arg(slot + 1), groupBox2_);
        label->setObjectName(QStringLiteral("label%1").arg(slot + 2));
        label->setGeometry(kCodeLabelCell.translated(rowOrigin));
        codeLabels_[slot] = label;

        // The editor never reads these boxes, so the user cannot type into them either.
        auto* textBox = new QLineEdit(groupBox2_);
        textBox->setObjectName(QStringLiteral("textBox%1").arg(slot + 1));
        textBox->setReadOnly(true);
        textBox->setGeometry(kCodeBoxCell.translated(rowOrigin));
        textBoxes_[slot] = textBox;

        auto* picker = new QComboBox(groupBox2_);
        picker->setObjectName(QStringLiteral("selectCode%1Cbox").arg(slot + 1));
        picker->addItems(rows);
        picker->setCurrentIndex(-1);
        picker->setPlaceholderText(QString::fromLatin1(kCodePickerText));
        picker->view()->setMinimumWidth(kCodePickerDropDownWidth);
        picker->setGeometry(kCodePickerCell.translated(rowOrigin));
        // Taken on the user's pick, so choosing the same row again for another key still
        // applies it, and clearing the pickers on Reset is no pick.
        connect(picker, &QComboBox::activated, this,
                [this, slot](int index) { selectCodeCbox_SelectedIndexChanged(slot + 1, index); });
        selectCodeCboxes_[slot] = picker;
    }

    const struct {
        QPushButton** button;
        const char* name;
        const char* text;
        void (My4way_layout::*handler)();
    } commands[] = {
        {&resetBtn_, "resetBtn", "Reset", &My4way_layout::resetBtn_Click},
        {&applyBtn_, "applyBtn", "Apply", &My4way_layout::applyBtn_Click},
        {&exitBtn_, "exitBtn", "Close", &My4way_layout::exitBtn_Click},
    };
    int left = kColumnLeft;
    for (const auto& command : commands) {
        auto* button = new QPushButton(QString::fromLatin1(command.text), this);
        button->setObjectName(command.name);
        button->setGeometry(QRect(QPoint(left, kCommandButtonTop), kCommandButtonSize));
        connect(button, &QPushButton::clicked, this, command.handler);
        *command.button = button;
        left += kCommandButtonStep;
    }
}

void My4way_layout::PrepareControlsForMode() {
    const bool multiCode = editor_.mode() == EditorMode::MultiCode;
    for (int slot = 1; slot < kCodesPerKey; ++slot) {
        textBoxes_[slot]->setEnabled(multiCode);
        selectCodeCboxes_[slot]->setEnabled(multiCode);
    }
    for (QPushButton* button : modifierBtns_) {
        button->setVisible(!multiCode);
    }
    for (QCheckBox* checkBox : checkBoxes_) {
        checkBox->setEnabled(multiCode);
    }
}

void My4way_layout::LoadPicture() {
    QPixmap picture;
    const QString local = QDir::current().filePath(QString::fromLatin1(kKeypadPictureFile));
    // A missing or unreadable file in the working directory must not leave the keys floating
    // on nothing: the program carries its own copy.
    if (!QFileInfo(local).isFile() || !picture.load(local)) {
        picture.load(QString::fromLatin1(kKeypadPictureResource));
    }
    pictureBox1_->setPixmap(picture);
}

void My4way_layout::LoadTable(std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                              std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray) {
    editor_.LoadTable(keyCodeArray, multipleKeyCodeArray);
    ShowKeys();
}

void My4way_layout::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_ && !event->spontaneous()) {
        loaded_ = true;
        My4way_layout_Load();
        if (const QScreen* screen = this->screen()) {
            const QRect frame = frameGeometry();
            move(screen->availableGeometry().center() -
                 QPoint(frame.width() / 2, frame.height() / 2));
        }
    }
}

void My4way_layout::My4way_layout_Load() {
    selectModifierCbox_->hide();
    editor_.Load();
    defaultButtonBackColor = BackColour(keyBtns_[0]);
    currentMBColour = BackColour(modifierBtns_[0]);
    ShowKeys();
    ShowModifierButtons();
}

void My4way_layout::ShowKeys() {
    for (int key = 1; key <= kKeyCount; ++key) {
        QPushButton* button = keyBtns_[key - 1];
        button->setText(QString::fromStdString(editor_.KeyCaption(key)));
        if (loaded_) {
            PaintButton(button, editor_.KeyMarked(key) ? kPickedKeyColour : defaultButtonBackColor,
                        kKeyTextColour);
        }
    }
}

void My4way_layout::ShowModifierButtons() {
    const QColor text = palette().color(QPalette::ButtonText);
    for (int key = 1; key <= kKeyCount; ++key) {
        QPushButton* button = modifierBtns_[key - 1];
        button->setText(QString::fromStdString(editor_.ModifierButtonText(key)));
        PaintButton(button,
                    editor_.ModifierButtonOn(key) ? kToggledModifierColour : currentMBColour, text);
    }
}

void My4way_layout::displayKeycodeOnTextBox() {
    for (int slot = 1; slot <= kCodesPerKey; ++slot) {
        textBoxes_[slot - 1]->setText(QString::fromStdString(editor_.CodeBoxText(slot)));
    }
}

void My4way_layout::keyBtn_Click(int key) {
    editor_.SelectKey(key);
    displayKeycodeOnTextBox();
    setModifierCodeCheckBoxes(editor_.Modifier(key));
    ShowKeys();
}

void My4way_layout::setModifierCodeCheckBoxes(int value) {
    settingCheckBoxes_ = true;
    for (int box = 0; box < kModifierCheckBoxCount; ++box) {
        checkBoxes_[box]->setChecked((value & ModifierCheckBoxes()[box].bit) != 0);
    }
    settingCheckBoxes_ = false;
}

void My4way_layout::checkBox_CheckedChanged(int box, bool checked) {
    if (settingCheckBoxes_) {
        return;
    }
    editor_.setModifierCode(ModifierCheckBoxes()[box].bit, checked);
}

void My4way_layout::selectCodeCbox_SelectedIndexChanged(int slot, int index) {
    editor_.fillKeycodeToTextbox(slot, index);
    displayKeycodeOnTextBox();
    ShowKeys();
}

void My4way_layout::modifierBtn_Click(int key) {
    if (editor_.ToggleModifierButton(key)) {
        selectModifierCbox_->show();
    }
    ShowModifierButtons();
}

void My4way_layout::selectModifierCbox_SelectionChangeCommitted(int index) {
    selectModifierCbox_->hide();
    editor_.PickModifier(index);
    ShowModifierButtons();
}

void My4way_layout::resetBtn_Click() {
    editor_.Reset();
    ShowKeys();
    ShowModifierButtons();
    // No modifier button is toggled on any more, so there is nothing for the picker to set.
    selectModifierCbox_->hide();
    for (int slot = 0; slot < kCodesPerKey; ++slot) {
        selectCodeCboxes_[slot]->setCurrentIndex(-1);
        selectCodeCboxes_[slot]->setPlaceholderText(
            QStringLiteral("%1 %2").arg(QString::fromLatin1(kCodePickerText)).arg(slot + 1));
    }
    displayKeycodeOnTextBox();
}

void My4way_layout::applyBtn_Click() {
    const TableWriteResult result = editor_.Apply(hid_handle.load());
    if (result != TableWriteResult::Written) {
        ui::ShowWarning(this, QString::fromStdString(TableWriteMessage(result)));
        return;
    }
    close();
}

void My4way_layout::exitBtn_Click() {
    close();
}

} // namespace praxil_usb_encoder
