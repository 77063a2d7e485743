// The main window's icon in the notification area and its right-click menu.
#pragma once

#include <windows.h>
// shellapi.h needs the declarations of windows.h first (WIN32_LEAN_AND_MEAN leaves it out).
#include <shellapi.h>

#include <functional>

namespace tk::ui {

// Message the shell sends the main window for mouse events on the icon.
inline constexpr UINT kTrayMessage = WM_USER + 1;
// ID of the icon within the main window: the application icon's resource number.
inline constexpr UINT kTrayIconId = 5;
// Tool tip of the icon.
inline constexpr char kTrayTip[] = "TK校时软件";
// The tray menu's only item, which sends the Cancel command.
inline constexpr char kTrayExitText[] = "退出";
inline constexpr UINT kTrayExitCommand = IDCANCEL;

// Shell_NotifyIconA with a message (NIM_ADD, NIM_DELETE) and a record; returns its result.
using NotifyIconHook = std::function<BOOL(DWORD message, NOTIFYICONDATAA& record)>;

// Replaces the hook and returns the previous one; an empty hook restores Shell_NotifyIconA.
// A process-wide hook rather than a service: the shell refuses or re-creates the icon at times
// a test cannot bring about, and the icon record is what a test must read.
NotifyIconHook SetNotifyIconHook(NotifyIconHook hook);

// The icon record, filled once, and the two calls that put it into the notification area and
// take it out again. A refusal is only noted for a developer: nothing can be done without the
// shell.
class TrayIcon {
public:
    TrayIcon();

    // Fills the record: notifications go to owner, which shows icon.
    void Init(HWND owner, HICON icon);
    void Add();
    void Remove();
    const NOTIFYICONDATAA& Record() const { return m_record; }

private:
    NOTIFYICONDATAA m_record;
};

// Builds the tray menu, tracks it at the cursor with owner as its owner, and destroys it; the
// item chosen reaches owner as WM_COMMAND.
void ShowTrayMenu(HWND owner);

}  // namespace tk::ui
