#pragma once

// The terminal echovane-cli runs on: whether progress may be drawn as a bar and whether a
// question can be put to someone.

#include <functional>
#include <string>

namespace cli {

struct Console {
    // Standard output is a terminal: the upgrade draws a progress bar.
    bool progressBar = false;
    // Standard input is a terminal: questions may be asked.
    bool interactive = false;
    // Puts the question and returns the answer (true = yes). Used only when interactive.
    std::function<bool(const std::string& question)> ask;
    // Called once, before the command first looks at the keypads (after its arguments were
    // found right): false when there are none to be had, the reason already said. The demo
    // takes its simulated keypads here, so a usage error leaves them alone.
    std::function<bool()> beforeKeypads;
};

} // namespace cli
