#pragma once

#include <string>

#include "core/store/profile.h"
#include "core/store/screen_file_layout.h"

namespace tk {

// Keys of the global section (kGlobalSection, beside ScreenCount).
inline constexpr char kSelKey[] = "nSel";
inline constexpr char kTimerKey[] = "Timer";
inline constexpr char kStartKey[] = "bStart";

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

bool WriteScreenCount(IProfile& settings, int count);
bool WriteSel(IProfile& settings, int sel);
bool WriteTimer(IProfile& settings, int timer);
bool WriteStart(IProfile& settings, int start);

}  // namespace tk
