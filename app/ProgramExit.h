#pragma once

// What "Exit" and the main window's close box do before the program ends: the windows that
// are still at work on the keypad either finish it or say why the program cannot end yet.

namespace app {

// False while a firmware download runs: the upgrade window has said so with its own message
// and every window stays as it is. Otherwise a running self test has been stopped and has put
// the keypad's code table and brightness back (the handle is still open), and true.
bool PrepareForExit();

// Ends the program's event loops, whatever window might still refuse to close. Outside a
// running loop it does nothing.
void EndEventLoops();

} // namespace app
