// How the status line's double-click shows the pass log to the operator.
#pragma once

#include <windows.h>

#include <string>

// Shows the pass log to the operator.
class ILogOpener {
public:
    virtual ~ILogOpener() = default;
    virtual bool Open(HWND owner, const std::string& path) = 0;  // false: nothing could show it
};

// The shell's "open" of the log, with Notepad where no program is associated with ".log".
class ShellLogOpener : public ILogOpener {
public:
    bool Open(HWND owner, const std::string& path) override;
};
