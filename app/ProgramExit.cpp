#include "ProgramExit.h"

#include "firmware/firmware_upgrade.h"
#include "selftest/self_test.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <vector>

namespace app {
namespace {

// Every window of that class, owned by another window or not.
template <class Window> std::vector<QPointer<Window>> OpenWindows() {
    std::vector<QPointer<Window>> found;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* wanted = qobject_cast<Window*>(window)) {
            found.emplace_back(wanted);
        }
    }
    return found;
}

} // namespace

bool PrepareForExit() {
    for (const auto& upgrade : OpenWindows<praxil_usb_encoder::firmware_upgrade>()) {
        if (upgrade && upgrade->RefuseClosingDuringDownload()) {
            return false;
        }
    }
    for (const auto& selfTest : OpenWindows<praxil_usb_encoder::self_test>()) {
        if (selfTest) {
            selfTest->EndForExit();
        }
    }
    return true;
}

void EndEventLoops() {
    // Called outside a loop, exit would make the next loop return at once.
    if (QThread::currentThread()->loopLevel() > 0) {
        QCoreApplication::exit(0);
    }
}

} // namespace app
