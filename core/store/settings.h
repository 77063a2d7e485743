#pragma once

#include <cstdint>
#include <string>

#include "core/store/profile.h"
#include "core/store/screen_file_layout.h"

namespace tk {

// Keys of the global section (kGlobalSection, [CONT], beside ScreenCount), and when each is read.
// At start-up and when the window changes them: the interval and the start with Windows.
inline constexpr char kSelKey[] = "nSel";
inline constexpr char kTimerKey[] = "Timer";
inline constexpr char kStartKey[] = "bStart";
// Once at each pass's start, so that a change takes effect without a restart:
// the time server (also when a query ahead of a pass is due, at most once per 64 s between
// passes): a host name or IPv4 address, optionally with ":port"; "none" switches the check off;
inline constexpr char kTimeServerKey[] = "sTimeServer";
inline constexpr char kNoTimeServer[] = "none";
// the bound past which the PC's clock is not spread: whole seconds from 1 to
// kMaxSpreadOffsetSeconds (15 hours, more than a time-zone mistake explains and where the Windows
// time service itself stops correcting); anything else gives kMaxSpreadOffsetSeconds.
inline constexpr char kMaxClockOffsetKey[] = "nMaxClockOffset";
inline constexpr std::int64_t kMaxSpreadOffsetSeconds = 54000;
// At each write of the metrics file (after every pass, at each change of state): its full path,
// which must end in ".prom" (the only files the collectors read); missing or empty: no file.
inline constexpr char kMetricsFileKey[] = "sMetricsFile";
// At each event there is to write: "0" switches the events off; any other text, or none, leaves
// them on.
inline constexpr char kEventLogKey[] = "bEventLog";

inline constexpr int kDefaultScreenCount = 0;
inline constexpr int kDefaultSel = 2;  // hours
inline constexpr int kDefaultTimer = 1;
inline constexpr int kDefaultStart = 0;

// The status text of a setting that could not be written. "%s": why, as the system says it.
inline constexpr char kSettingsNotSavedFormat[] = "状态：设置无法保存：%s";
std::string SettingsNotSavedText(const std::string& reason);

// The settings file path (footprint.h: kSettingsFileName) for the executable at modulePath.
std::string SettingsPathFromModule(const std::string& modulePath);

int ReadScreenCount(IProfileReader& settings);
int ReadSel(IProfileReader& settings);
int ReadTimer(IProfileReader& settings);
int ReadStart(IProfileReader& settings);
// sTimeServer's text as written ("" when missing); time_server.h chooses the server from it.
std::string ReadTimeServerKey(IProfileReader& settings);
// nMaxClockOffset as the bound it gives.
std::int64_t ReadMaxClockOffset(IProfileReader& settings);
std::int64_t MaxClockOffsetOf(const std::string& text);
std::string ReadMetricsFilePath(IProfileReader& settings);
// bEventLog as the switch it gives.
bool ReadEventsSwitchedOn(IProfileReader& settings);
bool EventsSwitchedOn(const std::string& keyText);

bool WriteScreenCount(IProfile& settings, int count);
bool WriteSel(IProfile& settings, int sel);
bool WriteTimer(IProfile& settings, int timer);
bool WriteStart(IProfile& settings, int start);

}  // namespace tk
