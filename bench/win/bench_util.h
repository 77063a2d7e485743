// What the benchmarks under Wine share: a millisecond clock, the median of runs, and a file
// dated back so that Wine's profile API trusts its cache of it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tk_bench {

// Milliseconds on the performance counter.
inline double NowMs() {
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds one run of work takes.
inline double TimeMs(const std::function<void()>& work) {
    const double start = NowMs();
    work();
    return NowMs() - start;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Dates the file an hour back. Under Wine the profile API re-reads a file on every call while
// it is less than about two seconds old; a file dated back is one that has not changed since.
inline void DateBack(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= 3600ull * 10000000ull;  // 100 ns units
    const FILETIME past = {t.LowPart, t.HighPart};
    ::SetFileTime(file, nullptr, nullptr, &past);
    ::CloseHandle(file);
}

}  // namespace tk_bench
