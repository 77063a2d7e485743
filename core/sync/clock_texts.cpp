#include "core/sync/clock_texts.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "core/base/magnitude.h"
#include "core/base/text_format.h"

namespace tk {

namespace {

constexpr std::int64_t kMicros = 1000000;

// "+0.412": seconds to the millisecond, rounded half away from zero; what rounds to zero is
// "+0.000", never "-0.000".
std::string OffsetText(std::int64_t micros) {
    const std::uint64_t ms = (Magnitude(micros) + 500) / 1000;
    char text[40];
    std::snprintf(text, sizeof text, "%c%llu.%03llu", micros < 0 && ms != 0 ? '-' : '+',
                  static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

// "+54001": whole seconds, rounded to the nearest; a figure that would then lie within the bound
// it broke (54,000.4 s past a bound of 54,000) is the first past it, so a refusal never names a
// figure that the bound allows.
std::string RefusedOffsetText(std::int64_t micros, std::int64_t boundSeconds) {
    std::uint64_t seconds = (Magnitude(micros) + kMicros / 2) / kMicros;
    const auto bound = static_cast<std::uint64_t>(std::max<std::int64_t>(boundSeconds, 0));
    if (seconds <= bound) seconds = bound + 1;
    char text[32];
    std::snprintf(text, sizeof text, "%c%llu", micros < 0 ? '-' : '+',
                  static_cast<unsigned long long>(seconds));
    return text;
}

std::int64_t OffsetOf(const ClockReading& reading) {
    return reading.measurement ? reading.measurement->offsetMicros : 0;
}

}  // namespace

const ClockStatusWords& WordsOf(ClockCheckStatus status) {
    static const ClockStatusWords kMeasured{"measured", "没有应答"};
    static const ClockStatusWords kNoAnswer{"no_answer", "没有应答"};
    static const ClockStatusWords kNotFound{"not_found", "找不到服务器"};
    static const ClockStatusWords kDenied{"denied", "服务器拒绝查询"};
    static const ClockStatusWords kUnusable{"unusable", "服务器时间不可用"};
    switch (status) {
        case ClockCheckStatus::kMeasured:
            return kMeasured;
        case ClockCheckStatus::kNotFound:
            return kNotFound;
        case ClockCheckStatus::kDenied:
            return kDenied;
        case ClockCheckStatus::kUnusable:
        case ClockCheckStatus::kRateLimited:
            return kUnusable;
        case ClockCheckStatus::kNoAnswer:
            break;
    }
    return kNoAnswer;
}

const std::string& MeasuredBy(const ClockReading& reading) {
    return reading.measurement && !reading.measurement->server.empty() ? reading.measurement->server
                                                                       : reading.server;
}

// A failed query, or none, is followed by the measurement that still stands, which the verdict
// used, with its server when another one gave it. A fresh answer, which no pass read before,
// is told as fresh however long ago it came.
std::string ClockCheckLine(const ClockReading& reading) {
    if (reading.server.empty() && !reading.measurement) return {};
    if (reading.server.empty() || reading.status != ClockCheckStatus::kMeasured) {
        std::string line = reading.server.empty()
                               ? std::string("电脑时间未能比对：未设置时间服务器")
                               : Formatted("电脑时间未能与%s比对：%s", reading.server.c_str(),
                                           WordsOf(reading.status).reason);
        if (reading.measurement) {
            line += "；" + std::to_string(reading.ageSeconds) + "秒前";
            if (MeasuredBy(reading) != reading.server) line += "与" + MeasuredBy(reading);
            line += "测得相差" + OffsetText(OffsetOf(reading)) + "秒";
        }
        return line;
    }
    std::string line = Formatted("电脑时间与%s相差%s秒", reading.server.c_str(),
                                 OffsetText(OffsetOf(reading)).c_str());
    if (reading.reused) line += "（" + std::to_string(reading.ageSeconds) + "秒前测得）";
    return line;
}

std::string ClockRefusalText(const ClockReading& reading, const ClockRules& rules) {
    switch (VerdictOf(reading, rules)) {
        case ClockVerdict::kOffsetTooLarge:
            return Formatted("状态：电脑时间与%s相差%s秒，本次未校时！",
                             MeasuredBy(reading).c_str(),
                             RefusedOffsetText(OffsetOf(reading), rules.maxOffsetSeconds).c_str());
        case ClockVerdict::kBeforeRelease:
            return "状态：电脑时间早于本程序的发布日期，本次未校时！";
        case ClockVerdict::kSpread:
            break;
    }
    return {};
}

std::string ClockRefusalStatusText(const ClockReading& reading, const ClockRules& rules) {
    switch (VerdictOf(reading, rules)) {
        case ClockVerdict::kOffsetTooLarge:
            return "状态：时间相差" + RefusedOffsetText(OffsetOf(reading), rules.maxOffsetSeconds) +
                   "秒，本次未校时！";
        case ClockVerdict::kBeforeRelease:
            return "状态：电脑日期有误，本次未校时！";
        case ClockVerdict::kSpread:
            break;
    }
    return {};
}

}  // namespace tk
