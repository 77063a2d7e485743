#include "core/settings.h"

#include <gtest/gtest.h>

#include <string>

namespace tk {
namespace {

TEST(SettingsPath, CutAtLastSeparator) {
    // "乗" is the GBK pair 0x81 0x5C: its trail byte is a backslash that separates nothing.
    ASSERT_EQ(std::string("乗"), "\x81\x5C");
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Program Files\\TK\\app.exe", "C:\\Program Files\\TK\\TK100_Dll_Set.ini"},
        {"C:\\x.exe", "C:\\TK100_Dll_Set.ini"},
        {"\\\\server\\share\\app.exe", "\\\\server\\share\\TK100_Dll_Set.ini"},
        {"D:\\乗\\app.exe", "D:\\乗\\TK100_Dll_Set.ini"},
        {"D:\\tools\\乗app.exe", "D:\\tools\\TK100_Dll_Set.ini"},
        {"D:\\tools\\app乗.exe", "D:\\tools\\TK100_Dll_Set.ini"},
        // A lead byte as the last byte must not step past the end.
        {"D:\\tools\\app\x81", "D:\\tools\\TK100_Dll_Set.ini"},
        {"乗.exe", ".\\TK100_Dll_Set.ini"},
        {"", ".\\TK100_Dll_Set.ini"},
    };
    for (const auto& [module, expected] : cases) {
        EXPECT_EQ(SettingsPathFromModule(module), expected) << module;
    }
}

TEST(SettingsPath, ScreenSectionNamesAreGbk) {
    EXPECT_EQ(ScreenSectionName(0),
              "\xB5\xD8\xD6\xB7\xA3\xBA"
              "0");
    EXPECT_EQ(ScreenSectionName(299),
              "\xB5\xD8\xD6\xB7\xA3\xBA"
              "299");
}

}  // namespace
}  // namespace tk
