#include "link_lock.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace device {
namespace {

struct OpenHandle {
    hid_device* handle;
    bool nonBlocking;
};

// Almost always one entry; a vector keeps the lookup allocation-free.
std::vector<OpenHandle>& OpenHandles() {
    static std::vector<OpenHandle> handles;
    return handles;
}

std::atomic<int> bootLoaderUses{0};

std::vector<OpenHandle>::iterator Find(hid_device* handle) {
    auto& handles = OpenHandles();
    return std::find_if(handles.begin(), handles.end(),
                        [handle](const OpenHandle& entry) { return entry.handle == handle; });
}

} // namespace

std::recursive_mutex& LinkMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

void RegisterHandle(hid_device* handle, bool nonBlocking) {
    if (handle == nullptr) {
        return;
    }
    auto it = Find(handle);
    if (it != OpenHandles().end()) {
        it->nonBlocking = nonBlocking;
    } else {
        OpenHandles().push_back({handle, nonBlocking});
    }
}

void ForgetHandle(hid_device* handle) {
    auto it = Find(handle);
    if (it != OpenHandles().end()) {
        OpenHandles().erase(it);
    }
}

bool IsOpenHandle(hid_device* handle) {
    return Find(handle) != OpenHandles().end();
}

bool IsNonBlockingHandle(hid_device* handle) {
    auto it = Find(handle);
    return it != OpenHandles().end() && it->nonBlocking;
}

void BeginBootLoaderUse() {
    LinkLock lock = LockLink();
    bootLoaderUses.fetch_add(1);
}

void EndBootLoaderUse() {
    // An unmatched end must not leave the count negative and rescans allowed under a use.
    int current = bootLoaderUses.load();
    while (current > 0 && !bootLoaderUses.compare_exchange_weak(current, current - 1)) {
    }
}

bool BootLoaderInUse() {
    return bootLoaderUses.load() > 0;
}

} // namespace device
