#include <windows.h>

#include "core/timecheck/clock_check.h"

namespace tk {

namespace {

using InterruptTimeFunction = VOID(WINAPI*)(PULONGLONG);

// QueryInterruptTimePrecise from Windows 10 on; before it GetTickCount64, which also counts
// sleep but moves in steps of the timer tick. QueryPerformanceCounter, which the probe reads,
// may stop while the system sleeps.
InterruptTimeFunction FindInterruptTime() {
    const HMODULE kernel = ::GetModuleHandleA("kernelbase.dll");
    const FARPROC found =
        kernel != nullptr ? ::GetProcAddress(kernel, "QueryInterruptTimePrecise") : nullptr;
    return found != nullptr
               ? reinterpret_cast<InterruptTimeFunction>(reinterpret_cast<void (*)()>(found))
               : nullptr;
}

}  // namespace

std::int64_t UptimeClock::Milliseconds() {
    static const InterruptTimeFunction interruptTime = FindInterruptTime();
    if (interruptTime == nullptr) return static_cast<std::int64_t>(::GetTickCount64());
    ULONGLONG hundredNs = 0;
    interruptTime(&hundredNs);
    return static_cast<std::int64_t>(hundredNs / 10000);
}

}  // namespace tk
