#include "ui/main/tray_icon.h"

#include <cstring>
#include <utility>

#include "core/base/call_hook.h"
#include "core/base/failure_report.h"
#include "ui/framework/unique_handle.h"

namespace tk::ui {

namespace {

// The installed hook; none means Shell_NotifyIconA.
CallHook<BOOL(DWORD, NOTIFYICONDATAA&)>& Hook() {
    static CallHook<BOOL(DWORD, NOTIFYICONDATAA&)> hook;
    return hook;
}

// Hands one request to the shell, or to the test's hook.
void Notify(DWORD message, const NOTIFYICONDATAA& record, const char* what) {
    NOTIFYICONDATAA copy = record;
    const BOOL done = Hook().Call(
        [](DWORD request, NOTIFYICONDATAA& data) { return ::Shell_NotifyIconA(request, &data); },
        message, copy);
    if (!done) ReportFailure(what);
}

}  // namespace

// Installs a hook (tests) and hands back the one it replaces.
NotifyIconHook SetNotifyIconHook(NotifyIconHook hook) { return Hook().Set(std::move(hook)); }

// The record starts all zero; only the fields its flags name are filled in later.
TrayIcon::TrayIcon() { std::memset(&m_record, 0, sizeof m_record); }

// cbSize is the whole record of this build (balloon, GUID and balloon-icon fields included),
// which every shell since Vista accepts.
void TrayIcon::Init(HWND owner, HICON icon) {
    std::memset(&m_record, 0, sizeof m_record);
    m_record.cbSize = sizeof m_record;
    m_record.hWnd = owner;
    m_record.uID = kTrayIconId;
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_record.uCallbackMessage = kTrayMessage;
    m_record.hIcon = icon;
    static_assert(sizeof kTrayTip <= sizeof m_record.szTip, "tip too long");
    std::memcpy(m_record.szTip, kTrayTip, sizeof kTrayTip);
}

// Puts the icon into the notification area.
void TrayIcon::Add() { Notify(NIM_ADD, m_record, "adding the tray icon"); }

// Takes the icon out of the notification area.
void TrayIcon::Remove() { Notify(NIM_DELETE, m_record, "removing the tray icon"); }

// A tray menu does not close when the user clicks elsewhere unless its owner is the foreground
// window while it is tracked, and the next menu may then fail to show unless the owner gets a
// message after tracking: hence SetForegroundWindow before and WM_NULL after (the documented
// companions of TrackPopupMenu for notification-area menus).
void ShowTrayMenu(HWND owner) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu) {
        ReportFailure("creating the tray menu");
        return;
    }
    ::AppendMenuA(menu.Get(), MF_STRING, kTrayExitCommand, kTrayExitText);
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(menu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y,
                     0, owner, nullptr);
    ::PostMessageA(owner, WM_NULL, 0, 0);
}

}  // namespace tk::ui
