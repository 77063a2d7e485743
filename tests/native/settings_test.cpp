#include "core/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/profile_file.h"

namespace tk {
namespace {

TEST(SettingsPath, CutAtLastSeparator) {
    // "乗" is the GBK pair 0x81 0x5C: its trail byte is a backslash that separates nothing.
    ASSERT_EQ(std::string("乗"), "\x81\x5C");
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Program Files\\TK\\app.exe", "C:\\Program Files\\TK\\TK100_Dll_Set.ini"},
        {"C:\\x.exe", "C:\\TK100_Dll_Set.ini"},
        {"\\\\server\\share\\app.exe", "\\\\server\\share\\TK100_Dll_Set.ini"},
        {"D:\\校时\\app.exe", "D:\\校时\\TK100_Dll_Set.ini"},
        {"D:\\乗\\app.exe", "D:\\乗\\TK100_Dll_Set.ini"},
        {"D:\\tools\\乗app.exe", "D:\\tools\\TK100_Dll_Set.ini"},
        {"D:\\tools\\app乗.exe", "D:\\tools\\TK100_Dll_Set.ini"},
        // A lead byte as the last byte must not step past the end.
        {"D:\\tools\\app\x81", "D:\\tools\\TK100_Dll_Set.ini"},
        {"app.exe", ".\\TK100_Dll_Set.ini"},
        {"乗.exe", ".\\TK100_Dll_Set.ini"},
        {"", ".\\TK100_Dll_Set.ini"},
    };
    for (const auto& [module, expected] : cases) {
        EXPECT_EQ(SettingsPathFromModule(module), expected) << module;
    }
}

TEST(SettingsPath, ScreenSectionNamesAreGbk) {
    const std::string prefix = "\xB5\xD8\xD6\xB7\xA3\xBA";
    const std::pair<int, std::string> cases[] = {
        {0, prefix + "0"}, {1, prefix + "1"}, {12, prefix + "12"}, {299, prefix + "299"}};
    for (const auto& [index, expected] : cases) EXPECT_EQ(ScreenSectionName(index), expected);
}

// Each test gets its own directory with a settings file path in it.
class GlobalValues : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tk-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_path = (m_dir / kSettingsFileName).string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void WriteFile(const std::string& bytes) { std::ofstream(m_path, std::ios::binary) << bytes; }

    std::filesystem::path m_dir;
    std::string m_path;
};

TEST_F(GlobalValues, MissingFileGivesDefaults) {
    PortableProfile settings(m_path);
    EXPECT_EQ(ReadScreenCount(settings), 0);
    EXPECT_EQ(ReadSel(settings), 2);
    EXPECT_EQ(ReadTimer(settings), 1);
    EXPECT_EQ(ReadStart(settings), 0);
}

TEST_F(GlobalValues, ReadFromCont) {
    WriteFile(
        "[CONT]\r\nScreenCount=4\r\nnSel=0\r\nTimer=30\r\nbStart=1\r\n"
        "[nSel]\r\nnSel=3\r\n");
    PortableProfile settings(m_path);
    EXPECT_EQ(ReadScreenCount(settings), 4);
    EXPECT_EQ(ReadSel(settings), 0);
    EXPECT_EQ(ReadTimer(settings), 30);
    EXPECT_EQ(ReadStart(settings), 1);
}

TEST_F(GlobalValues, WritesDecimalTextIntoCont) {
    struct Case {
        bool (*write)(IProfile&, int);
        int (*read)(IProfile&);
        const char* key;
        int value;
        const char* text;
    };
    const Case cases[] = {
        {WriteScreenCount, ReadScreenCount, "ScreenCount", 3, "3"},
        {WriteSel, ReadSel, "nSel", 0, "0"},
        {WriteTimer, ReadTimer, "Timer", -5, "-5"},
        {WriteTimer, ReadTimer, "Timer", 2147483647, "2147483647"},
        {WriteStart, ReadStart, "bStart", 1, "1"},
    };
    for (const Case& c : cases) {
        PortableProfile settings(m_path);
        EXPECT_TRUE(c.write(settings, c.value)) << c.key;
        EXPECT_EQ(GetProfileText(settings, "CONT", c.key, "", 64), c.text) << c.key;
        EXPECT_EQ(c.read(settings), c.value) << c.key;
    }
    // Every write kept the values written before it.
    PortableProfile settings(m_path);
    EXPECT_EQ(ReadScreenCount(settings), 3);
    EXPECT_EQ(ReadSel(settings), 0);
    EXPECT_EQ(ReadTimer(settings), 2147483647);
    EXPECT_EQ(ReadStart(settings), 1);
}

}  // namespace
}  // namespace tk
