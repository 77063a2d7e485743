#pragma once

#include <string>

#include "core/sync/pass_record.h"

namespace tk {

// The main window's status line: its text, told by the scheduler.
class IStatusView {
public:
    virtual ~IStatusView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
};

// The status line as a pass tells it: each screen's result as it comes, then the pass's end
// (a pass that set no screen is shown as such until the next text).
class IPassView {
public:
    virtual ~IPassView() = default;
    virtual void ShowScreen(const ScreenOutcome& screen) = 0;
    virtual void ShowPassEnded(const PassRecord& record) = 0;
};

}  // namespace tk
