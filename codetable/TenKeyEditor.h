#pragma once

// What the ten-key code-table editor holds and how each of its controls changes it, without the
// widgets: the window forwards every click here and then shows the captions, texts and marks
// this class keeps. Keys and code slots are numbered from 1, as on the window.

#include "codetable/code_table.h"

#include <array>
#include <string>
#include <string_view>

namespace codetable {

// A key of the ten-key keypad on the editor: its button and its caption prefixes.
struct KeyLabel {
    std::string_view buttonName;    // "key1Btn"
    std::string_view openingPrefix; // "Volume "
    std::string_view pickPrefix;    // "Volume  ", once the user has picked a code for it
};
const std::array<KeyLabel, kKeyCount>& KeyLabels();
// The key's own name, its opening prefix without the blanks: "Jack IN"; empty for a number
// that is no key.
std::string_view KeyName(int key);

// Which code of which key a code box shows; key 0 when it shows none of them.
struct CodeBoxOwner {
    int key = 0;
    int code = 0;
    bool operator==(const CodeBoxOwner&) const = default;
};

class TenKeyEditor {
public:
    explicit TenKeyEditor(EditorMode mode, SharedCodeArrays& arrays = EditorCodeArrays());

    EditorMode mode() const { return mode_; }
    // keypadTypeSelected: 2 or 5.
    int tableKind() const { return TableKindOf(mode_); }

    // Opening: the table from the main window's copies, and the opening key captions.
    void LoadTable(std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                   std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray);
    // When the window first shows: keeps what Reset goes back to and names the modifiers.
    void Load();

    // Makes key (1..10) the selected one and shows its six codes in the code boxes.
    void SelectKey(int key);
    // The picked usage code (0..0x73) for code slot (1..6): into that code box, and into the
    // selected key's codes when a key is selected.
    void fillKeycodeToTextbox(int slot, int code);
    // Single-code mode's modifier buttons; true when the button is now toggled on (the window
    // then shows the modifier picker).
    bool ToggleModifierButton(int key);
    // Gives every toggled-on key the modifier index (0..8) and turns the buttons off.
    void PickModifier(int index);
    // A modifier check box ticked or unticked by the user: the bit on the selected key's mask.
    void setModifierCode(uint8_t bit, bool set);
    // Back to the table as it was when the window opened.
    void Reset();

    // Writes the whole table to the keypad.
    TableWriteResult Apply(hid_device* device) const;

    int keySelected() const { return keySelected_; }
    int modSelected() const { return modSelected_; }
    // 1..10, or 0 when no key is selected.
    int SelectedKey() const;

    int Modifier(int key) const { return modifiers_[Index(key)]; }
    // The modifier check boxes' bits for key: its mask in multi-code mode; in single-code mode
    // the one box of the modifier its index names (the items follow the bits' order), none for
    // no modifier or an index without an item.
    uint8_t ModifierBoxBits(int key) const;
    const KeyCodes& Codes(int key) const { return arrays_.current[Index(key)]; }
    const std::string& KeyCaption(int key) const { return captions_[Index(key)]; }
    // The code a key's caption shows, without the key's name: "0x3A".
    std::string KeyCodeText(int key) const;
    // The aqua mark a key gets when a code is picked for it.
    bool KeyMarked(int key) const { return marked_[Index(key)]; }
    const std::string& ModifierButtonText(int key) const { return modifierTexts_[Index(key)]; }
    bool ModifierButtonOn(int key) const { return (modSelected_ & KeyBit(key)) != 0; }
    const std::string& CodeBoxText(int slot) const { return codeBoxes_[SlotIndex(slot)]; }
    // With a key selected, box N shows its code N; with none selected, after Reset, box N
    // shows code 1 of key N; an empty box, or one picked with no key selected, shows none.
    CodeBoxOwner CodeBoxOf(int slot) const {
        return IsSlot(slot) ? boxOwners_[slot - 1] : CodeBoxOwner{};
    }

private:
    static bool IsKey(int key) { return key >= 1 && key <= kKeyCount; }
    static bool IsSlot(int slot) { return slot >= 1 && slot <= kCodesPerKey; }
    // Out-of-range numbers read key 1 / slot 1 rather than outside the arrays.
    static int Index(int key) { return IsKey(key) ? key - 1 : 0; }
    static int SlotIndex(int slot) { return IsSlot(slot) ? slot - 1 : 0; }
    static int KeyBit(int key) { return IsKey(key) ? 1 << (key - 1) : 0; }
    std::string ModifierText(int modifier) const;

    EditorMode mode_;
    SharedCodeArrays& arrays_;
    Modifiers modifiers_{};         // currentM1Code .. currentM10Code
    Modifiers originalModifiers_{}; // originalM1Code .. originalM10Code
    int keySelected_ = 0;
    int modSelected_ = 0;
    std::array<std::string, kKeyCount> captions_;
    std::array<std::string, kKeyCount> rememberedCaptions_; // key1Text .. key10Text
    std::array<bool, kKeyCount> marked_{};
    std::array<std::string, kKeyCount> modifierTexts_;
    std::array<std::string, kKeyCount> rememberedModifierTexts_; // modifier1Text ..
    std::array<std::string, kCodesPerKey> codeBoxes_;
    std::array<CodeBoxOwner, kCodesPerKey> boxOwners_{};
};

} // namespace codetable
