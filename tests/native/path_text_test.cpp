#include "core/base/path_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tk {
namespace {

// Each path cut with one separator set: its folder with the drive root's separator cut and
// kept, and its name. "乗" is the GBK pair 0x81 0x5C, and 0x95 0x5C another pair: a trail
// byte 0x5C is no separator.
TEST(PathText, FolderAndName) {
    ASSERT_EQ(std::string("乗"), "\x81\x5C");
    struct Case {
        std::string path;
        std::string_view separators;
        std::string folder;  // DriveRoot::kCut
        std::string kept;    // DriveRoot::kKept
        std::string name;
    };
    const Case cases[] = {
        {"C:\\Tools\\TK.exe", kWindowsSeparators, "C:\\Tools", "C:\\Tools", "TK.exe"},
        {"C:\\TK.exe", kWindowsSeparators, "C:", "C:\\", "TK.exe"},
        {"C:/TK.exe", kWindowsSeparators, "C:", "C:/", "TK.exe"},
        {"\\\\?\\C:\\TK.exe", kWindowsSeparators, "\\\\?\\C:", "\\\\?\\C:", "TK.exe"},
        {"\\TK.exe", kWindowsSeparators, "", "", "TK.exe"},
        {"..\\TK.exe", kWindowsSeparators, "..", "..", "TK.exe"},
        {"C:\\Tools\\", kWindowsSeparators, "C:\\Tools", "C:\\Tools", ""},
        {"TK.exe", kWindowsSeparators, ".", ".", "TK.exe"},
        {"", kBackslash, ".", ".", ""},
        {"C:\\Tools/TK.exe", kWindowsSeparators, "C:\\Tools", "C:\\Tools", "TK.exe"},
        {"C:\\Tools/TK.exe", kBackslash, "C:", "C:\\", "Tools/TK.exe"},
        {"D:\\乗\\TK.exe", kBackslash, "D:\\乗", "D:\\乗", "TK.exe"},
        {"D:\\Tools\\乗", kBackslash, "D:\\Tools", "D:\\Tools", "乗"},
        {"D:\\\x95\x5C"
         "TK.exe",
         kWindowsSeparators, "D:", "D:\\",
         "\x95\x5C"
         "TK.exe"},
        {"\x95\x5C", kBackslash, ".", ".", "\x95\x5C"},
        // A lead byte as the last byte must not step past the end.
        {"D:\\Tools\\TK\x81", kWindowsSeparators, "D:\\Tools", "D:\\Tools", "TK\x81"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOf(c.path, c.separators), c.folder) << c.path;
        EXPECT_EQ(FolderOf(c.path, c.separators, DriveRoot::kKept), c.kept) << c.path;
        EXPECT_EQ(NameOf(c.path, c.separators), c.name) << c.path;
    }
}

}  // namespace
}  // namespace tk
