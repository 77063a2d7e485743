#include "ui/framework/window_services.h"

#include <string>
#include <utility>

#include "core/base/call_hook.h"
#include "core/base/failure_report.h"

namespace tk::ui {

namespace {

// The installed hook; none means ChangeWindowMessageFilterEx.
CallHook<BOOL(HWND, UINT, DWORD)>& FilterHook() {
    static CallHook<BOOL(HWND, UINT, DWORD)> hook;
    return hook;
}

}  // namespace

// A window that does not exist yet has no timers either.
void SystemWindowTimers::SetTimer(HWND window, uintptr_t id, uint32_t periodMs) {
    if (window == nullptr || ::SetTimer(window, id, periodMs, nullptr) == 0) {
        ReportFailure(("setting timer " + std::to_string(id)).c_str());
    }
}

void SystemWindowTimers::KillTimer(HWND window, uintptr_t id) {
    if (window != nullptr) ::KillTimer(window, id);
}

// A quit request belongs to the outermost loop, so one taken out of the queue here is put back.
void PumpOneMessage() {
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

MessageFilterHook SetMessageFilterHook(MessageFilterHook hook) {
    return FilterHook().Set(std::move(hook));
}

// An elevated window drops messages that processes of lower integrity post to it, unless it
// lets them through one by one.
bool AcceptPostedMessage(HWND window, UINT message) {
    return FilterHook().Call(
               [](HWND target, UINT allowed, DWORD action) {
                   return ::ChangeWindowMessageFilterEx(target, allowed, action, nullptr);
               },
               window, message, MSGFLT_ALLOW) != FALSE;
}

}  // namespace tk::ui
