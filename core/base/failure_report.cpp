#include "core/base/failure_report.h"

#include <utility>

#include "core/base/call_hook.h"

namespace tk {

namespace {

// The installed hook; none means the debug output. The time server's worker thread leaves
// notes too.
CallHook<void(const std::string&, const std::string&)>& Hook() {
    static CallHook<void(const std::string&, const std::string&)> hook;
    return hook;
}

}  // namespace

// Installs a hook (tests) and hands back the one it replaces.
FailureHook SetFailureHook(FailureHook hook) { return Hook().Set(std::move(hook)); }

// The error text is taken first, before anything else can overwrite the last error. A note
// that cannot be written (out of memory) is dropped.
void ReportFailure(const char* what) noexcept {
    try {
        const std::string error = LastErrorText();
        Hook().Call(
            [](const std::string& failed, const std::string& why) {
                WriteDebugLine("TKAdjustTime: " + failed + " failed: " + why + "\n");
            },
            what, error);
    } catch (...) {
    }
}

}  // namespace tk
