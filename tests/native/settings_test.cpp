#include "core/store/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/store/profile_file.h"
#include "tests/native/temp_dir.h"

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

// The [CONT] accessors on a real file through the portable store: key names, first-start
// defaults and the bytes the writes leave.
using GlobalSettingsTest = test::SettingsDirTest;

TEST_F(GlobalSettingsTest, ReadsTheirOwnKeyOrTheFirstStartDefault) {
    const struct {
        const char* file;  // nullptr: no file
        int screenCount, sel, timer, start;
    } cases[] = {
        {nullptr, 0, 2, 1, 0},
        {"[CONT]\r\n", 0, 2, 1, 0},
        {"[CONT]\r\nScreenCount=7\r\n", 7, 2, 1, 0},
        {"[CONT]\r\nnSel=0\r\n", 0, 0, 1, 0},
        {"[CONT]\r\nTimer=60\r\n", 0, 2, 60, 0},
        {"[CONT]\r\nbStart=1\r\n", 0, 2, 1, 1},
        {"[CONT]\r\nScreenCount=300\r\nnSel=1\r\nTimer=0\r\nbStart=1\r\n", 300, 1, 0, 1},
        // Empty and quoted-empty values read as missing.
        {"[CONT]\r\nScreenCount=\r\nnSel=\"\"\r\nTimer=''\r\nbStart=\r\n", 0, 2, 1, 0},
        // The keys belong to [CONT] only.
        {"[Other]\r\nScreenCount=7\r\nnSel=0\r\nTimer=60\r\nbStart=1\r\n", 0, 2, 1, 0},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(m_path);
        if (c.file) WriteFile(c.file);
        PortableProfile settings(m_path);
        EXPECT_EQ(ReadScreenCount(settings), c.screenCount) << (c.file ? c.file : "(no file)");
        EXPECT_EQ(ReadSel(settings), c.sel) << (c.file ? c.file : "(no file)");
        EXPECT_EQ(ReadTimer(settings), c.timer) << (c.file ? c.file : "(no file)");
        EXPECT_EQ(ReadStart(settings), c.start) << (c.file ? c.file : "(no file)");
        if (!c.file) {
            EXPECT_FALSE(std::filesystem::exists(m_path)) << "a read created the file";
        }
    }
}

TEST_F(GlobalSettingsTest, WritesChangeOnlyTheirOwnKey) {
    const std::string start =
        "[CONT]\r\nScreenCount=2\r\nnSel=1\r\nTimer=5\r\nbStart=0\r\n[Other]\r\nk=v\r\n";
    const struct {
        std::function<bool(IProfile&)> write;
        const char* after;
    } cases[] = {
        {[](IProfile& p) { return WriteScreenCount(p, 300); },
         "[CONT]\r\nScreenCount=300\r\nnSel=1\r\nTimer=5\r\nbStart=0\r\n[Other]\r\nk=v\r\n"},
        {[](IProfile& p) { return WriteSel(p, 0); },
         "[CONT]\r\nScreenCount=2\r\nnSel=0\r\nTimer=5\r\nbStart=0\r\n[Other]\r\nk=v\r\n"},
        {[](IProfile& p) { return WriteTimer(p, 60); },
         "[CONT]\r\nScreenCount=2\r\nnSel=1\r\nTimer=60\r\nbStart=0\r\n[Other]\r\nk=v\r\n"},
        {[](IProfile& p) { return WriteStart(p, 1); },
         "[CONT]\r\nScreenCount=2\r\nnSel=1\r\nTimer=5\r\nbStart=1\r\n[Other]\r\nk=v\r\n"},
        {[](IProfile& p) { return WriteTimer(p, -1); },
         "[CONT]\r\nScreenCount=2\r\nnSel=1\r\nTimer=-1\r\nbStart=0\r\n[Other]\r\nk=v\r\n"},
    };
    for (const auto& c : cases) {
        WriteFile(start);
        PortableProfile settings(m_path);
        EXPECT_TRUE(c.write(settings));
        EXPECT_EQ(ReadFile(), c.after);
    }
}

TEST_F(GlobalSettingsTest, FirstWritesMakeTheSection) {
    PortableProfile settings(m_path);
    EXPECT_TRUE(WriteSel(settings, 3));
    EXPECT_TRUE(WriteTimer(settings, 25));
    EXPECT_TRUE(WriteStart(settings, 1));
    EXPECT_TRUE(WriteScreenCount(settings, 0));
    EXPECT_EQ(ReadFile(), "[CONT]\r\nnSel=3\r\nTimer=25\r\nbStart=1\r\nScreenCount=0\r\n");
    EXPECT_EQ(ReadSel(settings), 3);
    EXPECT_EQ(ReadTimer(settings), 25);
    EXPECT_EQ(ReadStart(settings), 1);
    EXPECT_EQ(ReadScreenCount(settings), 0);

    // Into a folder that does not exist the writes fail.
    PortableProfile nowhere(m_dir + "/missing/TK100_Dll_Set.ini");
    EXPECT_FALSE(WriteSel(nowhere, 3));
    EXPECT_FALSE(WriteTimer(nowhere, 3));
    EXPECT_FALSE(WriteStart(nowhere, 1));
    EXPECT_FALSE(WriteScreenCount(nowhere, 1));
}

// nMaxClockOffset's text: whole seconds from 1 to 54000, else the default.
TEST(MaxClockOffset, TextsAndTheirBounds) {
    const struct {
        const char* text;
        std::int64_t bound;
    } cases[] = {{"60", 60},     {" 1 ", 1},       {"54000", 54000}, {"", 54000},
                 {"0", 54000},   {"54001", 54000}, {"-5", 54000},    {"12abc", 54000},
                 {"1e3", 54000}, {"0x10", 54000},  {"abc", 54000},   {"99999999999", 54000}};
    for (const auto& c : cases) EXPECT_EQ(tk::MaxClockOffsetOf(c.text), c.bound) << c.text;
}

}  // namespace
}  // namespace tk
