#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "core/base/clock.h"

namespace tk {

// strftime formats of the main window's clock line.
inline constexpr char kClockStoppedFormat[] = "当前时间：%H:%M:%S 校时停止";
inline constexpr char kClockSyncingFormat[] = "当前时间：%H:%M:%S 正在校时...";
inline constexpr char kClockCountdownFormat[] = "当前时间：%H:%M:%S ";

// `format` applied to `local` (nullptr: the conversion failed); empty when either fails.
std::string FormatClock(const std::tm* local, const char* format);

// " 离校时还有%d秒" with the remaining seconds, appended to the countdown format's text.
std::string CountdownSuffix(int64_t remainingSeconds);

// The whole clock line while automatic synchronisation waits for its next pass.
std::string CountdownClockText(const std::tm* local, int64_t remainingSeconds);

}  // namespace tk
