#include "core/sync/pass_texts.h"

#include <cstdio>

#include "core/sync/clock_texts.h"

namespace tk {

std::string ScreenResultText(int screenNumber, bool success) {
    char text[64];
    std::snprintf(text, sizeof text, success ? "状态：%d号屏校时成功！" : "状态：%d号屏校时失败！",
                  screenNumber);
    return text;
}

std::string PassSummaryText(int count, int failures) {
    char text[128];
    std::snprintf(text, sizeof text, "此次校时共：%d张卡，其中%d张成功，%d张失败！", count,
                  count - failures, failures);
    return text;
}

const char* ScreenFailureText(ScreenFailure failure) {
    return failure == ScreenFailure::kNoAnswer ? "网络不通" : "控制卡无应答";
}

std::string ScreenPlaceText(const ScreenOutcome& screen) {
    return screen.network ? screen.address : std::string("串口");
}

std::string PassEndText(const PassRecord& record) {
    if (record.Refused() && record.clock) return ClockRefusalText(*record.clock, record.clockRules);
    return PassSummaryText(record.count, record.failures);
}

std::string PassEndStatusText(const PassRecord& record) {
    if (record.Refused() && record.clock)
        return ClockRefusalStatusText(*record.clock, record.clockRules);
    return PassSummaryText(record.count, record.failures);
}

}  // namespace tk
