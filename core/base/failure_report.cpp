#include "core/base/failure_report.h"

#include <mutex>
#include <utility>

namespace tk {

namespace {

// The installed hook; empty means the debug output. Guarded: the time server's worker thread
// leaves notes too.
FailureHook& Hook() {
    static FailureHook hook;
    return hook;
}

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

// Installs a hook (tests) and hands back the one it replaces.
FailureHook SetFailureHook(FailureHook hook) {
    const std::lock_guard<std::mutex> lock(HookMutex());
    return std::exchange(Hook(), std::move(hook));
}

// The error text is taken first, before anything else can overwrite the last error. A note
// that cannot be written (out of memory) is dropped.
void ReportFailure(const char* what) noexcept {
    try {
        const std::string error = LastErrorText();
        const std::lock_guard<std::mutex> lock(HookMutex());
        if (const FailureHook& hook = Hook()) {
            hook(what, error);
        } else {
            WriteDebugLine(std::string("TKAdjustTime: ") + what + " failed: " + error + "\n");
        }
    } catch (...) {
    }
}

}  // namespace tk
