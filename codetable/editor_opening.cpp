#include "editor_opening.h"

#include "codetable/My4way_layout.h"
#include "codetable/code_table.h"
#include "ui/Dialogs.h"

namespace codetable {

praxil_usb_encoder::My4way_layout*
OpenCodeTableEditor(QWidget* owner, int statusReadResult, int tableKind,
                    std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                    std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray) {
    const EditorOpening opening = DecideEditorOpening(statusReadResult, tableKind);
    if (!opening.mode) {
        ui::ShowWarning(owner, QString::fromStdString(opening.refusal));
        return nullptr;
    }
    auto* editor = new praxil_usb_encoder::My4way_layout(*opening.mode, owner);
    editor->LoadTable(keyCodeArray, multipleKeyCodeArray);
    editor->show();
    return editor;
}

} // namespace codetable
