#pragma once

// The self test's "press each key" prompt: an OK-only box that returns once dismissed. It
// goes through one replaceable function so the three-button message box (mode 1) can be
// used in its place.

#include <QString>

#include <functional>

class QWidget;

namespace praxil_usb_encoder {

using KeyPromptFunction = std::function<void(QWidget* parent, const QString& text)>;

// Shows the prompt on the window thread and returns when it is dismissed.
void ShowKeyPrompt(QWidget* parent, const QString& text);
// Replaces the box (nullptr or an empty function puts the default back).
void SetKeyPromptFunction(KeyPromptFunction prompt);

} // namespace praxil_usb_encoder
