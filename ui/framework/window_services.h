// Small adapters that give a window's timers and the thread's message queue to logic that knows
// them only through core's interfaces (the scheduler's timers, the pass's one-message pump).
#pragma once

#include <windows.h>

#include "core/pass.h"
#include "core/scheduler.h"
#include "ui/framework/dialog.h"

namespace tk::ui {

// The window timers of one dialog, set on its window as it is when a timer is set: the
// program's entry makes them before the window exists and binds them to it.
class WindowTimers final : public ITimerService {
public:
    void Bind(const Dialog& window) { m_window = &window; }
    // A timer the system refuses is noted; there is no place to say so.
    void SetTimer(uintptr_t id, uint32_t periodMs) override;
    void KillTimer(uintptr_t id) override;

private:
    const Dialog* m_window = nullptr;
};

// One waiting message of the calling thread, if any, dispatched as the message loop would.
class MessagePump final : public IMessagePump {
public:
    void PumpOne() override;
};

}  // namespace tk::ui
