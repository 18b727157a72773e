#include "My4way_layout.h"

#include "codetable/CodeListView.h"
#include "codetable/keypad_picture.h"
#include "device/discovery.h"
#include "platform/text/NarrowText.h"
#include "ui/Accessible.h"
#include "ui/ArrowsOpenList.h"
#include "ui/Dialogs.h"
#include "ui/OpenListHighlight.h"
#include "ui/ScreenFit.h"
#include "ui/WindowKeys.h"

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

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

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

// The key captions are red; these reds read at 4.5:1 or better on light backgrounds (the
// button grey, aqua) and on dark ones respectively.
const QColor kKeyTextColour(0xB0, 0x00, 0x00);
const QColor kKeyTextColourOnDark(0xFF, 0x8A, 0x8A);
const QColor kPickedKeyColour(0x00, 0xFF, 0xFF);       // aqua
const QColor kToggledModifierColour(0xFF, 0xA5, 0x00); // orange
constexpr double kReadableContrast = 4.5;

double RelativeLuminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The first colour that reads on back, or the one that reads best (a dark desktop theme gives
// the buttons dark backgrounds).
QColor Readable(const QColor& back, std::initializer_list<QColor> candidates) {
    QColor best = *candidates.begin();
    for (const QColor& candidate : candidates) {
        if (Contrast(candidate, back) >= kReadableContrast) {
            return candidate;
        }
        if (Contrast(candidate, back) > Contrast(best, back)) {
            best = candidate;
        }
    }
    return best;
}

// Colours through a style sheet, so every platform style shows them; the focus is outlined,
// since the style's own focus mark does not show on a styled button.
// more: rules that come before the focus mark, which stays on top of them.
void PaintButton(QPushButton* button, const QColor& back, const QColor& text,
                 const QString& more = {}) {
    button->setProperty(kBackColourProperty, back);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; background-color: %2; "
                                         "border: 1px solid #404040; border-radius: 4px; "
                                         "padding: 1px 3px; }")
                              .arg(text.name(), back.name()) +
                          more + ui::FocusMarkRule(QStringLiteral("QPushButton")) +
                          QStringLiteral("QPushButton:pressed { border: 2px solid #101010; }"));
}

void PaintKey(QPushButton* button, const QColor& back) {
    // The selected key, whose codes the boxes show, in bold with a double border: seen without
    // the focus on it, and without telling colours apart.
    PaintButton(button, back, Readable(back, {kKeyTextColour, kKeyTextColourOnDark}),
                QStringLiteral("QPushButton:checked { font-weight: bold; "
                               "border: 3px double #404040; }"));
}

// "Jack IN", the key's own name on its button.
QString KeyName(int key) {
    return platform::FromLatin1(codetable::KeyName(key));
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
    // On a screen lower than the window the controls scroll; Close stays within reach.
    content_ = ui::ScrollingContent(*this, kClientSize);
    BuildControls();
    PrepareControlsForMode();
    LoadPicture();
    MakeKeyboardAndScreenReaderReady();
}

QColor My4way_layout::BackColour(const QPushButton* button) {
    return button->property(kBackColourProperty).value<QColor>();
}

void My4way_layout::BuildControls() {
    label1_ = new QLabel(QString::fromLatin1(kHeading), content_);
    label1_->setObjectName("label1");
    QFont headingFont = label1_->font();
    headingFont.setPointSize(14);
    headingFont.setBold(true);
    label1_->setFont(headingFont);
    label1_->setGeometry(kHeadingRect);

    pictureBox1_ = new QLabel(content_);
    pictureBox1_->setObjectName("pictureBox1");
    pictureBox1_->setGeometry(QRect(kPictureOrigin, QSize(kPictureWidth, kPictureHeight)));
    pictureBox1_->setScaledContents(true);

    // The key buttons stand on the picture, each over its key, its modifier button below it.
    const QColor normalBack = palette().color(QPalette::Button);
    const QColor normalText = palette().color(QPalette::ButtonText);
    for (int key = 0; key < kKeyCount; ++key) {
        auto* button = new QPushButton(content_);
        button->setObjectName(platform::FromLatin1(KeyLabels()[key].buttonName));
        button->setGeometry(KeyButtonRect(key, kKeyButtonWidth, kKeyButtonTop, kKeyButtonHeight));
        PaintKey(button, normalBack);
        // Checked while it is the selected key: a screen reader tells it, the look stays.
        button->setCheckable(true);
        connect(button, &QPushButton::clicked, this, [this, key] { keyBtn_Click(key + 1); });
        keyBtns_[key] = button;

        auto* modifier = new QPushButton(QStringLiteral("None"), content_);
        modifier->setObjectName(QStringLiteral("modifierBtn%1").arg(key + 1));
        modifier->setGeometry(
            KeyButtonRect(key, kModifierButtonWidth, kModifierButtonTop, kModifierButtonHeight));
        PaintButton(modifier, normalBack, normalText);
        // Checked while toggled on (orange).
        modifier->setCheckable(true);
        modifier->hide();
        connect(modifier, &QPushButton::clicked, this, [this, key] { modifierBtn_Click(key + 1); });
        modifierBtns_[key] = modifier;
    }

    groupBox1_ = new QGroupBox(QStringLiteral("Modifiers"), content_);
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

    selectModifierCbox_ = new QComboBox(content_);
    selectModifierCbox_->setObjectName("selectModifierCbox");
    for (std::string_view item : ModifierItems()) {
        selectModifierCbox_->addItem(platform::FromLatin1(item));
    }
    selectModifierCbox_->setCurrentIndex(-1);
    selectModifierCbox_->setPlaceholderText(QString::fromLatin1(kModifierPickerText));
    selectModifierCbox_->setGeometry(kModifierPickerRect);
    ui::OpenListHighlight::Install(*selectModifierCbox_);
    // A pick hides the picker: browsing by arrow must not pick the first row it reaches.
    ui::ArrowsOpenList::Install(*selectModifierCbox_);
    selectModifierCbox_->hide();
    connect(selectModifierCbox_, &QComboBox::activated, this,
            [this](int index) { selectModifierCbox_SelectionChangeCommitted(index); });

    groupBox2_ = new QGroupBox(QStringLiteral("Programmed KeyCodes"), content_);
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
        picker->setView(new CodeListView);
        picker->addItems(rows);
        picker->setCurrentIndex(-1);
        picker->setPlaceholderText(QString::fromLatin1(kCodePickerText));
        picker->view()->setMinimumWidth(kCodePickerDropDownWidth);
        ui::OpenListHighlight::Install(*picker);
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
        auto* button = new QPushButton(QString::fromLatin1(command.text), content_);
        button->setObjectName(command.name);
        button->setGeometry(QRect(QPoint(left, kCommandButtonTop), kCommandButtonSize));
        connect(button, &QPushButton::clicked, this, command.handler);
        *command.button = button;
        left += kCommandButtonStep;
    }
}

void My4way_layout::MakeKeyboardAndScreenReaderReady() {
    ui::NameControl(pictureBox1_, QStringLiteral("Keypad picture"),
                    QStringLiteral("The key buttons stand on their keys"));
    for (int key = 1; key <= kKeyCount; ++key) {
        // The description tells its code (ShowKeys).
        ui::NameControl(keyBtns_[key - 1], QStringLiteral("Key %1, %2").arg(key).arg(KeyName(key)));
        ui::NameControl(modifierBtns_[key - 1], QStringLiteral("Key %1 modifier").arg(key));
    }
    ui::NameControl(selectModifierCbox_, QString::fromLatin1(kModifierPickerText),
                    QStringLiteral("Sets the modifier of every key whose modifier button is on"));
    for (int slot = 1; slot <= kCodesPerKey; ++slot) {
        codeLabels_[slot - 1]->setBuddy(textBoxes_[slot - 1]);
        ui::NameControl(textBoxes_[slot - 1], QStringLiteral("KeyCode %1").arg(slot));
        textBoxes_[slot - 1]->setStyleSheet(ui::FocusMarkRule(QStringLiteral("QLineEdit")));
        ui::NameControl(selectCodeCboxes_[slot - 1], QStringLiteral("Pick KeyCode %1").arg(slot),
                        QStringLiteral("Sets code %1 of the selected key").arg(slot));
    }
    ui::NameControl(resetBtn_, resetBtn_->text(),
                    QStringLiteral("Back to the table as it was when the window opened"));
    ui::NameControl(applyBtn_, applyBtn_->text(),
                    QStringLiteral("Writes the table to the keypad and closes the window"));
    ui::NameControl(exitBtn_, exitBtn_->text(),
                    QStringLiteral("Closes the window without writing to the keypad"));

    // The keys as they lie on the picture, each with its modifier button; then the right-hand
    // column from the top: modifier boxes, the modifier picker under them, the code rows.
    const std::vector<QWidget*> keys =
        ui::InReadingOrder(std::vector<QWidget*>(keyBtns_.begin(), keyBtns_.end()));
    std::vector<QWidget*> chain;
    for (QWidget* key : keys) {
        chain.push_back(key);
        const auto at = std::find(keyBtns_.begin(), keyBtns_.end(), key) - keyBtns_.begin();
        chain.push_back(modifierBtns_[static_cast<size_t>(at)]);
    }
    for (QWidget* box :
         ui::InReadingOrder(std::vector<QWidget*>(checkBoxes_.begin(), checkBoxes_.end()))) {
        chain.push_back(box);
    }
    chain.push_back(selectModifierCbox_);
    for (int slot = 0; slot < kCodesPerKey; ++slot) {
        chain.push_back(textBoxes_[slot]);
        chain.push_back(selectCodeCboxes_[slot]);
    }
    chain.insert(chain.end(), {resetBtn_, applyBtn_, exitBtn_});
    ui::SetTabChain(chain);
    // Escape is Close; Enter is Apply unless a button has the focus.
    new ui::WindowKeys(*this, exitBtn_, applyBtn_);
    keys.front()->setFocus();
    DescribeCodeBoxes();
}

void My4way_layout::DescribeCodeBoxes() {
    for (int slot = 1; slot <= kCodesPerKey; ++slot) {
        const CodeBoxOwner owner = editor_.CodeBoxOf(slot);
        QString whose;
        if (owner.key != 0) {
            whose = QStringLiteral("Code %1 of key %2, %3")
                        .arg(owner.code)
                        .arg(owner.key)
                        .arg(KeyName(owner.key));
        } else {
            whose = QStringLiteral("Code %1 of the selected key; no key is selected").arg(slot);
        }
        ui::TellDescription(textBoxes_[slot - 1], whose);
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
        ui::FitOnScreen(*this);
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
    const int selected = editor_.SelectedKey();
    for (int key = 1; key <= kKeyCount; ++key) {
        QPushButton* button = keyBtns_[key - 1];
        const QString caption = QString::fromStdString(editor_.KeyCaption(key));
        button->setText(caption);
        button->setChecked(key == selected);
        // The code the caption shows, and the aqua mark, in words.
        const QString code = QString::fromStdString(editor_.KeyCodeText(key));
        ui::TellDescription(button, editor_.KeyMarked(key)
                                        ? QStringLiteral("Code %1, just picked").arg(code)
                                        : QStringLiteral("Code %1").arg(code));
        if (loaded_) {
            PaintKey(button, editor_.KeyMarked(key) ? kPickedKeyColour : defaultButtonBackColor);
        }
    }
    DescribeCodeBoxes();
}

void My4way_layout::ShowModifierButtons() {
    const QColor text = palette().color(QPalette::ButtonText);
    for (int key = 1; key <= kKeyCount; ++key) {
        QPushButton* button = modifierBtns_[key - 1];
        button->setText(QString::fromStdString(editor_.ModifierButtonText(key)));
        button->setChecked(editor_.ModifierButtonOn(key));
        ui::TellDescription(button, button->text().trimmed());
        const QColor back =
            editor_.ModifierButtonOn(key) ? kToggledModifierColour : currentMBColour;
        PaintButton(button, back, Readable(back, {text, Qt::black, Qt::white}));
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
    setModifierCodeCheckBoxes(editor_.ModifierBoxBits(key));
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
    lastModifierKey_ = key;
    if (editor_.ToggleModifierButton(key)) {
        // Shown anew, it names no modifier yet: the last pick is set on no key.
        selectModifierCbox_->setCurrentIndex(-1);
        selectModifierCbox_->show();
    } else if (editor_.modSelected() == 0) {
        // With no button on, a pick would set nothing.
        selectModifierCbox_->hide();
    }
    ShowModifierButtons();
}

void My4way_layout::selectModifierCbox_SelectionChangeCommitted(int index) {
    // Hidden with the focus, the picker would pass it on to the next control, a code box far
    // from the key: it goes back to the modifier button last pressed.
    if (selectModifierCbox_->hasFocus() && lastModifierKey_ >= 1 &&
        lastModifierKey_ <= codetable::kKeyCount) {
        modifierBtns_[static_cast<size_t>(lastModifierKey_ - 1)]->setFocus(Qt::OtherFocusReason);
    }
    selectModifierCbox_->hide();
    editor_.PickModifier(index);
    ShowModifierButtons();
    // The boxes show the selected key's modifier, which the pick may have changed.
    if (const int selected = editor_.SelectedKey(); selected != 0) {
        setModifierCodeCheckBoxes(editor_.ModifierBoxBits(selected));
    }
}

void My4way_layout::resetBtn_Click() {
    editor_.Reset();
    ShowKeys();
    ShowModifierButtons();
    // No modifier button is toggled on any more, so there is nothing for the picker to set.
    selectModifierCbox_->hide();
    // No key is selected: the modifier boxes show no key's modifiers.
    setModifierCodeCheckBoxes(0);
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
