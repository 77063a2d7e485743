#include <windows.h>

#include "core/timecheck/sntp_client.h"

namespace tk {

namespace {

using PreciseTimeFunction = VOID(WINAPI*)(LPFILETIME);

// GetSystemTimePreciseAsFileTime from Windows 8 on; Windows 7's GetSystemTimeAsFileTime moves
// in steps of the timer tick (about 15.6 ms), too coarse for an offset to the millisecond.
PreciseTimeFunction FindPreciseTime() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const FARPROC found =
        kernel != nullptr ? ::GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime") : nullptr;
    return found != nullptr ? reinterpret_cast<PreciseTimeFunction>(
                                  reinterpret_cast<void (*)()>(found))
                            : &::GetSystemTimeAsFileTime;
}

// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeToUnix = 116444736000000000;

}  // namespace

std::int64_t PreciseClock::NowMicros() {
    static const PreciseTimeFunction now = FindPreciseTime();
    FILETIME time{};
    now(&time);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - kFileTimeToUnix) / 10;
}

}  // namespace tk
