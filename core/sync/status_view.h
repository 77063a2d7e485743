#pragma once

#include <string>

namespace tk {

// The main window's status line: its text, told by the pass and the scheduler.
class IStatusView {
public:
    virtual ~IStatusView() = default;
    virtual void SetStatusText(const std::string& text) = 0;
    // A pass that set no screen: its text is drawn red, whatever colour the line has, until the
    // next text.
    virtual void SetRefusalText(const std::string& text) = 0;
};

}  // namespace tk
