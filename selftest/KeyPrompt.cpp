#include "KeyPrompt.h"

#include "ui/Dialogs.h"

namespace praxil_usb_encoder {
namespace {

// The caption of the three-button message box.
const QString kPromptCaption = QStringLiteral(" Velt Message ");

KeyPromptFunction& Installed() {
    static KeyPromptFunction prompt;
    return prompt;
}

} // namespace

void ShowKeyPrompt(QWidget* parent, const QString& text) {
    if (Installed()) {
        Installed()(parent, text);
        return;
    }
    ui::ShowMessage(parent, {text, kPromptCaption, ui::Buttons::Ok, ui::Icon::None});
}

void SetKeyPromptFunction(KeyPromptFunction prompt) {
    Installed() = std::move(prompt);
}

} // namespace praxil_usb_encoder
