// What adapts the main window's timers and the thread's message queue to the scheduler's and
// the pass's interfaces.
#pragma once

#include "core/sync/pass.h"
#include "core/sync/scheduler.h"
#include "ui/framework/dialog.h"
#include "ui/framework/window_services.h"

namespace tk::ui {

// The timers of one dialog, set on its window as it is when a timer is set: the dialog makes
// them in its constructor, before its window exists.
class WindowTimers final : public ITimerService {
public:
    WindowTimers(IWindowTimerService& timers, const Dialog& window)
        : m_timers(timers), m_window(window) {}
    void SetTimer(uintptr_t id, uint32_t periodMs) override {
        m_timers.SetTimer(m_window.Hwnd(), id, periodMs);
    }
    void KillTimer(uintptr_t id) override { m_timers.KillTimer(m_window.Hwnd(), id); }

private:
    IWindowTimerService& m_timers;
    const Dialog& m_window;
};

// The pass's one waiting message after each screen.
class MessagePump final : public IMessagePump {
public:
    void PumpOne() override { PumpOneMessage(); }
};

}  // namespace tk::ui
