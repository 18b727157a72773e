#include "code_table.h"

#include "device/commands.h"
#include "device/frame.h"
#include "keypad/Exchange.h"
#include "keypad/KeypadCommands.h"

namespace codetable {

std::string MessageText(const char* literal) {
    return std::string(literal) + "\n";
}

SharedCodeArrays& EditorCodeArrays() {
    static SharedCodeArrays arrays;
    return arrays;
}

int TableKindOf(EditorMode mode) {
    return mode == EditorMode::MultiCode ? CustomiseMulticodeTable : CustomiseTable;
}

EditorOpening DecideEditorOpening(int statusReadResult, int tableKind) {
    EditorOpening opening;
    if (statusReadResult != 0) {
        opening.refusal = MessageText(kLoadTableStatusFailedText);
    } else if (tableKind == CustomiseTable) {
        opening.mode = EditorMode::SingleCode;
    } else if (tableKind == CustomiseMulticodeTable) {
        opening.mode = EditorMode::MultiCode;
    } else {
        opening.refusal = MessageText(kSelectCustomiseTableText);
    }
    return opening;
}

void LoadTenKeyTable(EditorMode mode, std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                     std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray,
                     Modifiers& modifiers, TenKeyCodes& codes) {
    for (int key = 0; key < kKeyCount; ++key) {
        const uint8_t modifier =
            keyCodeArray[key * kKeyCodeBlockStride + kKeyCodeBlockModifierOffset];
        codes[key][0] = keyCodeArray[key * kKeyCodeBlockStride + kKeyCodeBlockCodeOffset];
        if (mode == EditorMode::SingleCode) {
            modifiers[key] = ModifierCodeToModifierBits(modifier);
        } else {
            modifiers[key] = modifier;
            copyMultipleKeyCode(codes[key], multipleKeyCodeArray, key * kExtraCodeBlockStride);
        }
    }
}

KeyCodeBlock BuildKeyCodeBlock(EditorMode mode, const Modifiers& modifiers,
                               const TenKeyCodes& codes) {
    KeyCodeBlock block{};
    const int kind = TableKindOf(mode);
    for (int key = 0; key < kKeyCount; ++key) {
        block[key * kKeyCodeBlockStride + kKeyCodeBlockModifierOffset] =
            static_cast<uint8_t>(ModifierBitsToModifierCode(modifiers[key], kind) & 0xFF);
        block[key * kKeyCodeBlockStride + kKeyCodeBlockCodeOffset] =
            static_cast<uint8_t>(codes[key][0] & 0xFF);
    }
    return block;
}

ExtraCodeBlock BuildExtraCodeBlock(const TenKeyCodes& codes) {
    ExtraCodeBlock block{};
    for (int key = 0; key < kKeyCount; ++key) {
        copyMultipleKeycodeToTxBuffer(
            std::span<uint8_t, kExtraCodesPerKey>(block.data() + key * kExtraCodeBlockStride,
                                                  kExtraCodesPerKey),
            codes[key]);
    }
    return block;
}

int32_t SendKeyCodeBlock(hid_device* device, const KeyCodeBlock& block) {
    return keypad::Send(CmdWriteCodeTable, block, nullptr, device);
}

int32_t SendExtraCodeBlock(hid_device* device, const ExtraCodeBlock& block) {
    return keypad::Send(CmdWriteMulticodeTable, block, nullptr, device);
}

TableWriteResult WriteTenKeyTable(hid_device* device, EditorMode mode, const Modifiers& modifiers,
                                  const TenKeyCodes& codes) {
    if (SendKeyCodeBlock(device, BuildKeyCodeBlock(mode, modifiers, codes)) != kExchangeOk) {
        return TableWriteResult::CodeTableFailed;
    }
    if (mode == EditorMode::MultiCode &&
        SendExtraCodeBlock(device, BuildExtraCodeBlock(codes)) != kExchangeOk) {
        return TableWriteResult::MulticodeTableFailed;
    }
    return TableWriteResult::Written;
}

std::string TableWriteMessage(TableWriteResult result) {
    switch (result) {
    case TableWriteResult::CodeTableFailed:
        return MessageText(keypad::kLoadTableFailedText);
    case TableWriteResult::MulticodeTableFailed:
        return MessageText(kUnableToLoadMulticodeTableText);
    case TableWriteResult::Written:
        break;
    }
    return {};
}

} // namespace codetable
