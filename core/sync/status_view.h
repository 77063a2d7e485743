#pragma once

#include <string>

namespace tk {

// The main window's status line: its text, told by the pass, the scheduler and the
// start-with-Windows box.
class IStatusView {
public:
    virtual ~IStatusView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
};

// The status line's colour flag: nonzero draws the status line green, 0 red. Only the
// start-with-Windows box sets it.
class IStatusColour {
public:
    virtual ~IStatusColour() = default;
    virtual void SetStatusColourFlag(int flag) = 0;
};

}  // namespace tk
