#include "TenKeyEditor.h"

#include <algorithm>

namespace codetable {
namespace {

// Keys 1..6 get one blank before the code when the window opens and two after a pick; the
// longer labels have two throughout.
constexpr std::array<KeyLabel, kKeyCount> kKeyLabels = {{
    {"key1Btn", "Volume ", "Volume  "},
    {"key2Btn", "Left ", "Left  "},
    {"key3Btn", "Right ", "Right  "},
    {"key4Btn", "Down ", "Down  "},
    {"key5Btn", "Up ", "Up  "},
    {"key6Btn", "Enter ", "Enter  "},
    {"key7Btn", "Horizontal  ", "Horizontal  "},
    {"key8Btn", "Vertical  ", "Vertical  "},
    {"key9Btn", "Jack IN  ", "Jack IN  "},
    {"key10Btn", "Jack OUT  ", "Jack OUT  "},
}};

constexpr char kModifierButtonText[] = "None";

} // namespace

const std::array<KeyLabel, kKeyCount>& KeyLabels() {
    return kKeyLabels;
}

std::string_view KeyName(int key) {
    if (key < 1 || key > kKeyCount) {
        return {};
    }
    const std::string_view prefix = kKeyLabels[static_cast<size_t>(key - 1)].openingPrefix;
    return prefix.substr(0, prefix.find_last_not_of(' ') + 1);
}

TenKeyEditor::TenKeyEditor(EditorMode mode, SharedCodeArrays& arrays)
    : mode_(mode), arrays_(arrays) {
    modifierTexts_.fill(kModifierButtonText);
}

void TenKeyEditor::LoadTable(std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                             std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray) {
    LoadTenKeyTable(mode_, keyCodeArray, multipleKeyCodeArray, modifiers_, arrays_.current);
    for (int key = 0; key < kKeyCount; ++key) {
        captions_[key] =
            std::string(kKeyLabels[key].openingPrefix) + CodeDisplayText(arrays_.current[key][0]);
        marked_[key] = false;
    }
}

std::string TenKeyEditor::ModifierText(int modifier) const {
    const std::string_view item = ModifierItem(modifier);
    // A stored byte with no picker item shows as the byte itself.
    return item.empty() ? CodeDisplayText(modifier) : std::string(item);
}

void TenKeyEditor::Load() {
    originalModifiers_ = modifiers_;
    arrays_.original = arrays_.current;
    rememberedCaptions_ = captions_;
    if (mode_ == EditorMode::SingleCode) {
        for (int key = 0; key < kKeyCount; ++key) {
            modifierTexts_[key] = ModifierText(modifiers_[key]);
        }
    }
    rememberedModifierTexts_ = modifierTexts_;
    modSelected_ = 0;
    keySelected_ = 0;
}

int TenKeyEditor::SelectedKey() const {
    for (int key = 1; key <= kKeyCount; ++key) {
        if (keySelected_ == KeyBit(key)) {
            return key;
        }
    }
    return 0;
}

void TenKeyEditor::SelectKey(int key) {
    if (!IsKey(key)) {
        return;
    }
    keySelected_ = KeyBit(key);
    for (int slot = 0; slot < kCodesPerKey; ++slot) {
        codeBoxes_[slot] = CodeTextBoxText(arrays_.current[key - 1][slot]);
        boxOwners_[slot] = {key, slot + 1};
    }
    marked_[key - 1] = false;
}

void TenKeyEditor::fillKeycodeToTextbox(int slot, int code) {
    if (!IsSlot(slot) || code < 0 || code > kLastUsageCode) {
        return;
    }
    const std::string text = CodeDisplayText(code);
    codeBoxes_[slot - 1] = text;
    const int key = SelectedKey();
    if (key == 0) {
        // The code goes nowhere: the box no longer shows any key's code.
        boxOwners_[slot - 1] = {};
        return;
    }
    captions_[key - 1] = std::string(kKeyLabels[key - 1].pickPrefix) + text;
    marked_[key - 1] = true;
    arrays_.current[key - 1][slot - 1] = code;
}

bool TenKeyEditor::ToggleModifierButton(int key) {
    if (!IsKey(key)) {
        return false;
    }
    modSelected_ ^= KeyBit(key);
    return ModifierButtonOn(key);
}

void TenKeyEditor::PickModifier(int index) {
    if (index < kNoModifierIndex || index > kLastModifierIndex) {
        return;
    }
    for (int key = 1; key <= kKeyCount; ++key) {
        if (ModifierButtonOn(key)) {
            modifierTexts_[key - 1] = ModifierItem(index);
            modifiers_[key - 1] = index;
        }
    }
    modSelected_ = 0;
}

uint8_t TenKeyEditor::ModifierBoxBits(int key) const {
    const int modifier = Modifier(key);
    if (mode_ == EditorMode::MultiCode) {
        return static_cast<uint8_t>(modifier);
    }
    if (modifier <= kNoModifierIndex || modifier > kLastModifierIndex) {
        return 0;
    }
    return static_cast<uint8_t>(1U << (modifier - 1));
}

void TenKeyEditor::setModifierCode(uint8_t bit, bool set) {
    // Only a multi-code modifier is a bit mask; the single-code boxes only show the key's.
    const int key = SelectedKey();
    if (mode_ != EditorMode::MultiCode || key == 0) {
        return;
    }
    if (set) {
        modifiers_[key - 1] |= bit;
    } else {
        modifiers_[key - 1] &= ~static_cast<int>(bit);
    }
}

void TenKeyEditor::Reset() {
    captions_ = rememberedCaptions_;
    marked_.fill(false);
    // Every code as the window opened with it: clearing codes 2 to 6 here would have the next
    // Apply wipe them from the keypad.
    arrays_.current = arrays_.original;
    modifiers_ = originalModifiers_;
    modifierTexts_ = rememberedModifierTexts_;
    // With no key selected, box N shows code 1 of key N.
    for (int slot = 0; slot < kCodesPerKey; ++slot) {
        codeBoxes_[slot] = CodeTextBoxText(arrays_.current[slot][0]);
        boxOwners_[slot] = {slot + 1, 1};
    }
    modSelected_ = 0;
    keySelected_ = 0;
}

std::string TenKeyEditor::KeyCodeText(int key) const {
    const std::string& caption = KeyCaption(key);
    // Every caption starts with the key's name, then blanks, then the code.
    const std::size_t name = KeyName(Index(key) + 1).size();
    const std::size_t code = caption.find_first_not_of(' ', std::min(name, caption.size()));
    if (code == std::string::npos) {
        return {};
    }
    return caption.substr(code, caption.find_last_not_of(' ') + 1 - code);
}

TableWriteResult TenKeyEditor::Apply(hid_device* device) const {
    return WriteTenKeyTable(device, mode_, modifiers_, arrays_.current);
}

} // namespace codetable
