// Small adapters that give a window's timers and the thread's message queue to logic that knows
// them only through core's interfaces (the scheduler's timers, the pass's one-message pump).
#pragma once

#include <windows.h>

#include <functional>

#include "core/sync/pass.h"
#include "core/sync/scheduler.h"
#include "ui/framework/dialog.h"

namespace tk::ui {

// Sets and kills the timers of the window given with each call.
class IWindowTimerService {
public:
    virtual ~IWindowTimerService() = default;
    virtual void SetTimer(HWND window, uintptr_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(HWND window, uintptr_t id) = 0;
};

// The system's SetTimer and KillTimer. A timer the system refuses is noted; there is no place
// to say so.
class SystemWindowTimers final : public IWindowTimerService {
public:
    void SetTimer(HWND window, uintptr_t id, uint32_t periodMs) override;
    void KillTimer(HWND window, uintptr_t id) override;
};

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

// One waiting message of the calling thread, if any, dispatched as the message loop would.
class MessagePump final : public IMessagePump {
public:
    void PumpOne() override;
};

// Stands in for ChangeWindowMessageFilterEx(window, message, action, nullptr) while set.
using MessageFilterHook = std::function<BOOL(HWND window, UINT message, DWORD action)>;
// Replaces the hook and returns the previous one; an empty hook restores the system call.
MessageFilterHook SetMessageFilterHook(MessageFilterHook hook);

// Lets message through to window even when the window runs with more rights (elevated) than
// the process that posts it; false when the system refuses.
bool AcceptPostedMessage(HWND window, UINT message);

}  // namespace tk::ui
