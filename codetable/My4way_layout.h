#pragma once

// "Echovelte Layout": the editor of the ten-key keypad's customisable code table, in single-code
// mode (kind 2, a modifier and one code per key) or multi-code mode (kind 5, a modifier bit mask
// and up to six codes per key). The rules are TenKeyEditor's; this window shows them.

#include "codetable/TenKeyEditor.h"

#include <QColor>
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace praxil_usb_encoder {

class My4way_layout : public QWidget {
    Q_OBJECT

public:
    // The mode is fixed for the window's lifetime. The window deletes itself when closed.
    explicit My4way_layout(codetable::EditorMode mode, QWidget* owner = nullptr);

    int keypadTypeSelected() const { return editor_.tableKind(); }
    // The keypad's table as the main window last read it; sets the key captions.
    void LoadTable(std::span<const uint8_t, codetable::kKeyCodeArraySize> keyCodeArray,
                   std::span<const uint8_t, codetable::kExtraCodeBlockSize> multipleKeyCodeArray);
    // "echovelte.jpg" from the working directory, else the copy built into the program.
    void LoadPicture();

    const codetable::TenKeyEditor& editor() const { return editor_; }

    // The background a button shows (kept as a property so it is the same on every style).
    static QColor BackColour(const QPushButton* button);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void PrepareControlsForMode();
    // Names, descriptions, the tab chain in reading order, Escape and Enter, first focus.
    void MakeKeyboardAndScreenReaderReady();
    // Tells which key's codes the code boxes show.
    void DescribeCodeBoxes();
    void My4way_layout_Load();

    void keyBtn_Click(int key);
    void modifierBtn_Click(int key);
    void selectCodeCbox_SelectedIndexChanged(int slot, int index);
    void selectModifierCbox_SelectionChangeCommitted(int index);
    void checkBox_CheckedChanged(int box, bool checked);
    void resetBtn_Click();
    void applyBtn_Click();
    void exitBtn_Click();

    void setModifierCodeCheckBoxes(int value);
    void ShowKeys();
    void ShowModifierButtons();
    void displayKeycodeOnTextBox();

    codetable::TenKeyEditor editor_;
    bool loaded_ = false;
    // Set while the check boxes are made to mirror a key's modifier: their change events must
    // not write back into it.
    bool settingCheckBoxes_ = false;

    // Holds every control; scrolls when the window is lower than it.
    QWidget* content_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* pictureBox1_ = nullptr;
    std::array<QPushButton*, codetable::kKeyCount> keyBtns_{};
    std::array<QPushButton*, codetable::kKeyCount> modifierBtns_{};
    // The key whose modifier button was pressed last (1 to 10), 0 before any.
    int lastModifierKey_ = 0;
    QComboBox* selectModifierCbox_ = nullptr;
    QGroupBox* groupBox1_ = nullptr;
    std::array<QCheckBox*, codetable::kModifierCheckBoxCount> checkBoxes_{};
    QGroupBox* groupBox2_ = nullptr;
    std::array<QLabel*, codetable::kCodesPerKey> codeLabels_{};
    std::array<QLineEdit*, codetable::kCodesPerKey> textBoxes_{};
    std::array<QComboBox*, codetable::kCodesPerKey> selectCodeCboxes_{};
    QPushButton* resetBtn_ = nullptr;
    QPushButton* applyBtn_ = nullptr;
    QPushButton* exitBtn_ = nullptr;

    QColor defaultButtonBackColor; // key 1's background at load: every key's normal colour
    QColor currentMBColour;        // modifier button 1's background at load
};

} // namespace praxil_usb_encoder
