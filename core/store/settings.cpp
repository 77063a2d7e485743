#include "core/store/settings.h"

#include <cstdio>
#include <cstdlib>

#include "core/base/footprint.h"
#include "core/base/path_text.h"

namespace tk {

namespace {

// Global value as decimal text.
bool WriteGlobalInt(IProfile& settings, const char* key, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return settings.WriteString(kGlobalSection, key, text);
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string SettingsNotSavedText(const std::string& reason) {
    std::string text = kSettingsNotSavedFormat;
    return text.replace(text.find("%s"), 2, reason);
}

// The executable's folder plus "\TK100_Dll_Set.ini". Without a folder the file is taken from
// the current one: a bare name would send the Windows profile API to the Windows directory
// instead.
std::string SettingsPathFromModule(const std::string& modulePath) {
    return FolderOf(modulePath, kBackslash) + "\\" + kSettingsFileName;
}

int ReadScreenCount(IProfileReader& settings) {
    return settings.GetInt(kGlobalSection, kScreenCountKey, kDefaultScreenCount);
}

int ReadSel(IProfileReader& settings) {
    return settings.GetInt(kGlobalSection, kSelKey, kDefaultSel);
}

int ReadTimer(IProfileReader& settings) {
    return settings.GetInt(kGlobalSection, kTimerKey, kDefaultTimer);
}

int ReadStart(IProfileReader& settings) {
    return settings.GetInt(kGlobalSection, kStartKey, kDefaultStart);
}

std::string ReadTimeServerKey(IProfileReader& settings) {
    return GetProfileText(settings, kGlobalSection, kTimeServerKey, "", 256);
}

std::int64_t ReadMaxClockOffset(IProfileReader& settings) {
    return MaxClockOffsetOf(GetProfileText(settings, kGlobalSection, kMaxClockOffsetKey, "", 64));
}

// Whole seconds only: "60s" or "1e3" are no bound the operator could mean for sure.
std::int64_t MaxClockOffsetOf(const std::string& text) {
    const std::string digits = Trimmed(text);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return kMaxSpreadOffsetSeconds;
    }
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    return value >= 1 && value <= kMaxSpreadOffsetSeconds ? value : kMaxSpreadOffsetSeconds;
}

std::string ReadMetricsFilePath(IProfileReader& settings) {
    return GetProfileText(settings, kGlobalSection, kMetricsFileKey, "", 1024);
}

bool ReadEventsSwitchedOn(IProfileReader& settings) {
    return EventsSwitchedOn(GetProfileText(settings, kGlobalSection, kEventLogKey, "", 64));
}

// Blanks around the value are the profile API's to strip; a file read another way may keep them.
bool EventsSwitchedOn(const std::string& keyText) {
    return Trimmed(keyText) != "0";
}

bool WriteScreenCount(IProfile& settings, int count) {
    return WriteGlobalInt(settings, kScreenCountKey, count);
}

bool WriteSel(IProfile& settings, int sel) { return WriteGlobalInt(settings, kSelKey, sel); }

bool WriteTimer(IProfile& settings, int timer) {
    return WriteGlobalInt(settings, kTimerKey, timer);
}

bool WriteStart(IProfile& settings, int start) {
    return WriteGlobalInt(settings, kStartKey, start);
}

}  // namespace tk
