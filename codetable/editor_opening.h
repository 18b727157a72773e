#pragma once

// "Customise Code Table" in the main window: opens the code-table editor over the table the
// main window has just read from the keypad, or says why it cannot.

#include "codetable/keycodes.h"

#include <cstdint>
#include <span>

class QWidget;

namespace praxil_usb_encoder {
class My4way_layout;
}

namespace codetable {

// statusReadResult is the status read just made for this (0 success; for kind 5 it includes
// CmdReadMulticodeTable), tableKind the kind it reported, and the two arrays the main window's
// copies of the key code block and the extra code block. Shows "Load Table-Unable to get device
// status.." or "Please select a customise table.." and returns null when no editor may open;
// otherwise shows a new editor modeless with owner as its owner and returns it (it deletes
// itself when closed).
praxil_usb_encoder::My4way_layout*
OpenCodeTableEditor(QWidget* owner, int statusReadResult, int tableKind,
                    std::span<const uint8_t, kKeyCodeArraySize> keyCodeArray,
                    std::span<const uint8_t, kExtraCodeBlockSize> multipleKeyCodeArray);

} // namespace codetable
