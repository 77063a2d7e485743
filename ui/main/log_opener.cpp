#include "ui/main/log_opener.h"

// After windows.h (log_opener.h), which it needs.
#include <shellapi.h>

// ShellExecute's results above 32 are success. A fresh system (and a fresh Wine prefix) may
// associate no program with ".log": Notepad opens it then.
bool ShellLogOpener::Open(HWND owner, const std::string& path) {
    const auto opened = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened > 32) return true;
    if (opened != SE_ERR_NOASSOC && opened != SE_ERR_ASSOCINCOMPLETE) return false;
    const std::string quoted = "\"" + path + "\"";
    return reinterpret_cast<INT_PTR>(::ShellExecuteA(owner, "open", "notepad.exe", quoted.c_str(),
                                                     nullptr, SW_SHOWNORMAL)) > 32;
}
