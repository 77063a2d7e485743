// The texts of a pass, each built in one place for all that show it.
#pragma once

#include <string>

#include "core/sync/pass_record.h"

namespace tk {

// "状态：%d号屏校时成功！" or "状态：%d号屏校时失败！".
std::string ScreenResultText(int screenNumber, bool success);
// "此次校时共：%d张卡，其中%d张成功，%d张失败！".
std::string PassSummaryText(int count, int failures);
// Why a screen failed: "网络不通" or "控制卡无应答".
const char* ScreenFailureText(ScreenFailure failure);
// Where a screen is: a network screen's address text, "串口" for a serial one.
std::string ScreenPlaceText(const ScreenOutcome& screen);

// The end of a pass in the log and the tooltip: the summary, or in full why no screen was set.
std::string PassEndText(const PassRecord& record);
// The same on the status line, where a refusal is told in short.
std::string PassEndStatusText(const PassRecord& record);

}  // namespace tk
