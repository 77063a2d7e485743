#include "ui/framework/window_services.h"

#include <string>

#include "core/failure_report.h"

namespace tk::ui {

void WindowTimers::SetTimer(uintptr_t id, uint32_t periodMs) {
    const HWND window = m_window != nullptr ? m_window->Hwnd() : nullptr;
    if (window == nullptr || ::SetTimer(window, id, periodMs, nullptr) == 0) {
        ReportFailure(("setting timer " + std::to_string(id)).c_str());
    }
}

void WindowTimers::KillTimer(uintptr_t id) {
    if (m_window != nullptr) ::KillTimer(m_window->Hwnd(), id);
}

// A quit request belongs to the outermost loop, so one taken out of the queue here is put back.
void MessagePump::PumpOne() {
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

}  // namespace tk::ui
