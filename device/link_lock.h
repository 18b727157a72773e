#pragma once

// One lock for everything that touches the keypad link: each exchange holds it from the write of
// the request to the last read, and a rescan holds it while it closes hidapi down and opens the
// keypad again, so no exchange can run on a handle that is being closed.

#include <mutex>

struct hid_device_;
typedef struct hid_device_ hid_device;

namespace device {

// Recursive so a window may hold it across a short sequence of exchanges.
std::recursive_mutex& LinkMutex();

using LinkLock = std::unique_lock<std::recursive_mutex>;
inline LinkLock LockLink() {
    return LinkLock(LinkMutex());
}

// Handles opened by a scan are remembered with their read mode until hid_exit_safely closes
// them; an exchange on a handle that is no longer open fails instead of touching freed memory.
// All four must be called with the link lock held.
void RegisterHandle(hid_device* handle, bool nonBlocking);
void ForgetHandle(hid_device* handle);
bool IsOpenHandle(hid_device* handle);
bool IsNonBlockingHandle(hid_device* handle);

// The boot-loader layer shares hidapi with the keypad link, and a rescan shuts hidapi down. The
// layer holds a use while it has a device open or a transfer running; rescans are refused
// meanwhile instead of blocking the window thread for minutes. Begin takes the link lock, so it
// waits for a running rescan to finish and the two never overlap. Counted: uses may nest.
void BeginBootLoaderUse();
void EndBootLoaderUse();
// Call with the link lock held for an answer that stays true while it is held.
bool BootLoaderInUse();

class BootLoaderUse {
public:
    BootLoaderUse() { BeginBootLoaderUse(); }
    ~BootLoaderUse() { EndBootLoaderUse(); }
    BootLoaderUse(const BootLoaderUse&) = delete;
    BootLoaderUse& operator=(const BootLoaderUse&) = delete;
};

} // namespace device
