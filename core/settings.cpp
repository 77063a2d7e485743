#include "core/settings.h"

#include <cstdio>

#include "core/gbk.h"

namespace tk {

namespace {

// Global value as decimal text.
bool WriteGlobalInt(IProfile& settings, const char* key, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return settings.WriteString(kGlobalSection, key, text);
}

}  // namespace

// The executable's directory plus "\TK100_Dll_Set.ini". The scan steps over double-byte
// characters, whose trail byte may be 0x5C and is then no separator.
std::string SettingsNotSavedText(const std::string& reason) {
    std::string text = kSettingsNotSavedFormat;
    return text.replace(text.find("%s"), 2, reason);
}

std::string SettingsPathFromModule(const std::string& modulePath) {
    const std::string::size_type cut = FindLastOfGbk(modulePath, "\\");
    // Without a directory the file is taken from the current one: a bare name would send the
    // Windows profile API to the Windows directory instead.
    const std::string dir = cut == std::string::npos ? "." : modulePath.substr(0, cut);
    return dir + "\\" + kSettingsFileName;
}

// Per-screen section name, the GBK bytes of "地址：" and the index in decimal.
std::string ScreenSectionName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "地址：%d", index);
    return name;
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
