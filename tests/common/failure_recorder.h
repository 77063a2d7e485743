// Failure notes recorded instead of written to the debug output, for native and Windows tests.
#pragma once

#include <string>
#include <vector>

#include "core/base/failure_report.h"

namespace tk_test {

// Records what failed, for the life of the object; also into log ("failed: <what>") when one
// is given, so a test sees the note among the other steps.
class FailureRecorder {
public:
    explicit FailureRecorder(std::vector<std::string>* log = nullptr) {
        m_previous = tk::SetFailureHook([this, log](const std::string& what, const std::string&) {
            notes.push_back(what);
            if (log != nullptr) log->push_back("failed: " + what);
        });
    }
    ~FailureRecorder() { tk::SetFailureHook(m_previous); }
    FailureRecorder(const FailureRecorder&) = delete;
    FailureRecorder& operator=(const FailureRecorder&) = delete;

    std::vector<std::string> notes;

private:
    tk::FailureHook m_previous;
};

}  // namespace tk_test
