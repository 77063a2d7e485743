// What the program writes outside its folder, printed as an installer would read it: every
// value against the literal line it must be.
#include "core/base/footprint.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::vector<tk::RegistryValue>& values) {
    std::vector<std::string> lines;
    for (const tk::RegistryValue& value : values) lines.push_back(tk::RegistryValueLine(value));
    return lines;
}

TEST(Footprint, EventSourceNamesTheExecutableForEveryType) {
    const char* const kKey =
        "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\TKAdjustTime\t";
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"C:\\Tools\\TK\\TKAdjustTime.exe",
         {std::string(kKey) + "EventMessageFile\tREG_EXPAND_SZ\tC:\\Tools\\TK\\TKAdjustTime.exe",
          std::string(kKey) + "TypesSupported\tREG_DWORD\t7"}},
        // Spaces are no concern of the event log: the path goes in as it is.
        {"C:\\Program Files\\同步\\tk.exe",
         {std::string(kKey) + "EventMessageFile\tREG_EXPAND_SZ\tC:\\Program Files\\同步\\tk.exe",
          std::string(kKey) + "TypesSupported\tREG_DWORD\t7"}},
    };
    for (const auto& [exe, lines] : cases) {
        EXPECT_EQ(Lines(tk::EventSourceValues(exe)), lines) << exe;
    }
    EXPECT_EQ(Lines(tk::EventSourceValues("D:\\x.exe", "Other")),
              (std::vector<std::string>{
                  "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Other\t"
                  "EventMessageFile\tREG_EXPAND_SZ\tD:\\x.exe",
                  "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Other\t"
                  "TypesSupported\tREG_DWORD\t7"}));
}

TEST(Footprint, RunValueIsNamedAfterTheExecutablesFolder) {
    const char* const kKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\t";
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Tools\\Sync\\TK.exe", "Sync\tREG_SZ\tC:\\Tools\\Sync\\TK.exe"},
        // A drive root: the key's unnamed value.
        {"C:\\TK.exe", "\tREG_SZ\tC:\\TK.exe"},
        {"\\\\?\\C:\\TK.exe", "\tREG_SZ\t\\\\?\\C:\\TK.exe"},
        {"\\\\?\\C:\\Tools\\Sync\\TK.exe", "Sync\tREG_SZ\t\\\\?\\C:\\Tools\\Sync\\TK.exe"},
        // 0x81 0x5C is one GBK character whose trail byte is a backslash.
        {"C:\\Tools\\ab\x81\x5C\\TK.exe", "ab\x81\x5C\tREG_SZ\tC:\\Tools\\ab\x81\x5C\\TK.exe"},
        {"C:\\Tools\\\x81\x5C\\TK.exe", "\x81\x5C\tREG_SZ\tC:\\Tools\\\x81\x5C\\TK.exe"},
        {"C:\\Sync\\\x81\x5C.exe", "Sync\tREG_SZ\tC:\\Sync\\\x81\x5C.exe"},
        {"TK.exe", "\tREG_SZ\tTK.exe"},
        // Quoted for its space, which would otherwise end the program's name.
        {"C:\\同步 工具\\TK.exe", "同步 工具\tREG_SZ\t\"C:\\同步 工具\\TK.exe\""},
    };
    for (const auto& [exe, line] : cases) {
        EXPECT_EQ(tk::RegistryValueLine(tk::RunValue(exe)), std::string(kKey) + line) << exe;
    }
}

TEST(Footprint, SettingsFileName) { EXPECT_STREQ(tk::kSettingsFileName, "TK100_Dll_Set.ini"); }

}  // namespace
