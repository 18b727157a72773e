#include "EchovaneResources.h"

#include <QtCore/qglobal.h>

#include <mutex>

static void RegisterEchovaneResources() {
    Q_INIT_RESOURCE(echovane);
}

namespace resources {

void InitEchovaneResources() {
    static std::once_flag once;
    std::call_once(once, RegisterEchovaneResources);
}

} // namespace resources
