#include "core/autostart/autostart.h"

#include "core/base/failure_report.h"
#include "core/base/footprint.h"
#include "core/store/profile_file.h"
#include "core/store/settings.h"

namespace tk {

namespace {

// Closes the Run key when the action ends, on every path.
class RunKeyCloser {
public:
    explicit RunKeyCloser(IRunKey& key) : m_key(key) {}
    ~RunKeyCloser() { m_key.Close(); }
    RunKeyCloser(const RunKeyCloser&) = delete;
    RunKeyCloser& operator=(const RunKeyCloser&) = delete;

private:
    IRunKey& m_key;
};

AutostartReport Report(bool success, const char* successText, const char* failureText) {
    return {success, success ? successText : failureText, {}};
}

}  // namespace

// Success is said only when bStart was written too: a Run value without it would start the
// program at logon without its automatic synchronisation. A Run key that cannot be opened (a
// profile locked down by policy) fails the click as a value that cannot be written does.
AutostartReport ApplyStartWithWindows(int state, const std::string& modulePath,
                                      const AutostartServices& services) {
    const bool on = state != 0;
    std::string notSaved;  // why bStart could not be written
    if (!WriteStart(services.settings, on ? 1 : 0)) {
        notSaved = FailureReason(FileFailure::FromSystem());
        ReportFailure("writing bStart");
    }
    const RegistryValue value = RunValue(modulePath);
    bool changed = false;
    if (!services.runKey.Open()) {
        ReportFailure("opening the Run key");
    } else {
        const RunKeyCloser closer(services.runKey);
        changed = on ? services.runKey.SetValue(value.name, value.text)
                     : services.runKey.DeleteValue(value.name);
    }
    AutostartReport report = on ? Report(changed, kAutostartSetText, kAutostartSetFailedText)
                                : Report(changed, kAutostartClearedText, kAutostartClearFailedText);
    if (changed && !notSaved.empty()) report = {false, SettingsNotSavedText(notSaved), {}};
    report.notSaved = notSaved;
    return report;
}

}  // namespace tk
