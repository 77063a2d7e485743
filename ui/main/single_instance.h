// One running copy per folder: a start of the program whose settings file a running copy
// already works on hands over to that copy and ends, before anything is built or written.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/unique_handle.h"

namespace tk::ui {

// Number of the message a later start posts to the running copy's windows; the main window
// answers it with ComeBack. 0 until a SingleInstance has registered it (matches nothing).
extern UINT g_comeBackMessage;

// The claim of one process on the folder of a settings file: a named section, named after
// the file's full path in upper case, holding the ID of the process that created it.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& settingsPath);

    // False: a copy for the same settings file runs already.
    bool IsFirst() const { return m_first; }
    // Lets the running copy take the foreground and asks its main window to come back;
    // nothing happens while that copy has no window yet.
    void WakeFirst() const;

private:
    UniqueKernelHandle m_section;
    bool m_first = true;
};

// What the main window does when a later start asks for it: what a tray double-click does
// (shown, restored from minimised or hidden), and to the front with its open popup, if any.
void ComeBack(HWND mainWindow);

}  // namespace tk::ui
