#include "ui/framework/window_services.h"

#include <string>
#include <utility>

#include "core/base/failure_report.h"

namespace tk::ui {

namespace {

MessageFilterHook& FilterHook() {
    static MessageFilterHook hook;
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
    return std::exchange(FilterHook(), std::move(hook));
}

// An elevated window drops messages that processes of lower integrity post to it, unless it
// lets them through one by one.
bool AcceptPostedMessage(HWND window, UINT message) {
    const MessageFilterHook& hook = FilterHook();
    return (hook ? hook(window, message, MSGFLT_ALLOW)
                 : ::ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr)) != FALSE;
}

}  // namespace tk::ui
