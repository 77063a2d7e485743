// A window's timers and the thread's message queue as services: set and kill timers of a
// window, let one waiting message through, let a posted message reach an elevated window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

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

// Removes one waiting message of the calling thread, if any, and dispatches it as the message
// loop would.
void PumpOneMessage();

// Stands in for ChangeWindowMessageFilterEx(window, message, action, nullptr) while set.
using MessageFilterHook = std::function<BOOL(HWND window, UINT message, DWORD action)>;
// Replaces the hook and returns the previous one; an empty hook restores the system call.
MessageFilterHook SetMessageFilterHook(MessageFilterHook hook);

// Lets message through to window even when the window runs with more rights (elevated) than
// the process that posts it; false when the system refuses.
bool AcceptPostedMessage(HWND window, UINT message);

}  // namespace tk::ui
