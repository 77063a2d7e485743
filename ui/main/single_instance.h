// One running copy per folder: a start of the program whose settings folder a running copy
// already works in hands over to that copy and ends, before anything is built or written.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/unique_handle.h"

namespace tk::ui {

// Name of the message a later start posts to the running copy's windows, registered by both
// sides; the main window answers it by coming back.
inline constexpr char kComeBackMessageName[] = "TKAdjustTime.ComeBack";

// Makes the named section of the running copy, or finds it, as CreateFileMappingA does: null
// with the last error on failure, ERROR_ALREADY_EXISTS when it was there.
using SectionCreator = HANDLE (*)(SECURITY_ATTRIBUTES* security, const char* name);
HANDLE CreateSection(SECURITY_ATTRIBUTES* security, const char* name);

// Hands this process's right to set the foreground window on, as AllowSetForegroundWindow does
// (a test's stand-in records it: Wine has no foreground lock to show it).
using ForegroundGrant = BOOL(WINAPI*)(DWORD processId);

// The claim of one process on the folder of a settings file: a named section holding the ID of
// the process that created it, named after the folder's identity (volume serial number and
// file index), so that every spelling of the folder (a mapped drive beside the UNC path, a
// subst drive, a link or junction, an 8.3 name) finds the same one.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& settingsPath, SectionCreator create = CreateSection,
                            ForegroundGrant grant = ::AllowSetForegroundWindow);

    // False: a copy for the same folder runs already.
    bool IsFirst() const { return m_first; }
    // Lets the running copy take the foreground and asks its main window to come back;
    // nothing happens while that copy has no window yet.
    void WakeFirst() const;

private:
    UniqueKernelHandle m_section;
    ForegroundGrant m_grant;
    bool m_first = true;
};

}  // namespace tk::ui
