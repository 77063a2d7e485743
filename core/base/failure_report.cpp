#include "core/base/failure_report.h"

#include <utility>

namespace tk {

namespace {

// The installed hook; empty means the debug output.
FailureHook& Hook() {
    static FailureHook hook;
    return hook;
}

}  // namespace

// Installs a hook (tests) and hands back the one it replaces.
FailureHook SetFailureHook(FailureHook hook) { return std::exchange(Hook(), std::move(hook)); }

// The error text is taken first, before anything else can overwrite the last error. A note
// that cannot be written (out of memory) is dropped.
void ReportFailure(const char* what) noexcept {
    try {
        const std::string error = LastErrorText();
        if (const FailureHook& hook = Hook()) {
            hook(what, error);
        } else {
            WriteDebugLine(std::string("TKAdjustTime: ") + what + " failed: " + error + "\n");
        }
    } catch (...) {
    }
}

}  // namespace tk
