// One running copy per folder: a start of the program whose settings folder a running copy
// already works in hands over to that copy and ends, before anything is built or written.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/framework/unique_handle.h"

namespace tk::ui {

// Number of the message a later start posts to the running copy's windows; the main window
// answers it with ComeBack. 0 until AcceptComeBack or a SingleInstance has registered it
// (matches nothing).
extern UINT g_comeBackMessage;

// Makes the named section of the running copy, or finds it, as CreateFileMappingA does: null
// with the last error on failure, ERROR_ALREADY_EXISTS when it was there.
using SectionCreator = HANDLE (*)(SECURITY_ATTRIBUTES* security, const char* name);
HANDLE CreateSection(SECURITY_ATTRIBUTES* security, const char* name);

// The claim of one process on the folder of a settings file: a named section holding the ID of
// the process that created it, named after the folder's identity (volume serial number and
// file index), so that every spelling of the folder (a mapped drive beside the UNC path, a
// subst drive, a link or junction, an 8.3 name) finds the same one.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& settingsPath, SectionCreator create = CreateSection);

    // False: a copy for the same folder runs already.
    bool IsFirst() const { return m_first; }
    // Lets the running copy take the foreground and asks its main window to come back;
    // nothing happens while that copy has no window yet.
    void WakeFirst() const;

private:
    UniqueKernelHandle m_section;
    bool m_first = true;
};

// Stands in for ChangeWindowMessageFilterEx(window, message, action, nullptr) while set.
using MessageFilterHook = std::function<BOOL(HWND window, UINT message, DWORD action)>;
// Replaces the hook and returns the previous one; an empty hook restores the system call.
MessageFilterHook SetMessageFilterHook(MessageFilterHook hook);

// Readies the main window for come-back requests: the message registered, and let through to
// the window even when it runs with more rights (elevated) than the start that posts it.
void AcceptComeBack(HWND mainWindow);

// What the main window does when a later start asks for it: what a tray double-click does
// (shown, restored from minimised or hidden), and to the front with its open popup, if any.
void ComeBack(HWND mainWindow);

}  // namespace tk::ui
