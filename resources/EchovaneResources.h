#pragma once

// The pictures and texts compiled into the program (echovane.qrc).

namespace resources {

// Registers them with Qt's resource system; safe to call more than once. Every window that
// reads a ":/" path calls it first, which also keeps the linker from dropping them.
void InitEchovaneResources();

} // namespace resources
