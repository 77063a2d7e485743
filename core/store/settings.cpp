#include "core/store/settings.h"

#include <cstdio>

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
