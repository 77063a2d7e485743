#include "core/base/clock_win.h"

#include <windows.h>

#include <utility>

#include "core/base/call_hook.h"
#include "core/base/clock.h"

namespace tk {

namespace {

using PreciseTimeFunction = VOID(WINAPI*)(LPFILETIME);

// GetSystemTimePreciseAsFileTime from Windows 8 on; Windows 7's GetSystemTimeAsFileTime moves
// in steps of the timer tick (about 15.6 ms), too coarse for an offset to the millisecond.
PreciseTimeFunction FindPreciseTime() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const FARPROC found =
        kernel != nullptr ? ::GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime") : nullptr;
    return found != nullptr
               ? reinterpret_cast<PreciseTimeFunction>(reinterpret_cast<void (*)()>(found))
               : &::GetSystemTimeAsFileTime;
}

// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeToUnix = 116444736000000000;

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

// The interrupt time as the system gives it; tests put theirs in place.
CallHook<std::optional<std::uint64_t>()>& InterruptTimeHookSlot() {
    static CallHook<std::optional<std::uint64_t>()> hook;
    return hook;
}

// The interrupt time in 100 ns units, where the system has QueryInterruptTimePrecise.
std::optional<std::uint64_t> SystemInterruptTime() {
    static const InterruptTimeFunction interruptTime = FindInterruptTime();
    if (interruptTime == nullptr) return std::nullopt;
    ULONGLONG hundredNs = 0;
    interruptTime(&hundredNs);
    return hundredNs;
}

}  // namespace

// Installs a stand-in (tests) and hands back the one it replaces.
InterruptTimeHook SetInterruptTimeHook(InterruptTimeHook hook) {
    return InterruptTimeHookSlot().Set(std::move(hook));
}

std::int64_t PreciseClock::NowMicros() {
    static const PreciseTimeFunction now = FindPreciseTime();
    FILETIME time{};
    now(&time);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - kFileTimeToUnix) / 10;
}

std::int64_t UptimeClock::Milliseconds() {
    const std::optional<std::uint64_t> hundredNs =
        InterruptTimeHookSlot().Call(SystemInterruptTime);
    if (!hundredNs) return static_cast<std::int64_t>(::GetTickCount64());
    return static_cast<std::int64_t>(*hundredNs / 10000);
}

// The performance counter, which never fails on Windows XP and later. Whole seconds and the
// rest are scaled apart, so the product cannot overflow.
std::int64_t TickClock::Milliseconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    const std::uint64_t ticks = static_cast<std::uint64_t>(counter.QuadPart);
    const std::uint64_t perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
    return static_cast<std::int64_t>(ticks / perSecond * 1000u +
                                     ticks % perSecond * 1000u / perSecond);
}

}  // namespace tk
