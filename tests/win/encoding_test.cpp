#include <gtest/gtest.h>
#include <windows.h>

#include <string>

TEST(WinEncoding, NarrowLiteralsAreGbk) {
    EXPECT_EQ(std::string("状态：校时停止"),
              "\xD7\xB4\xCC\xAC\xA3\xBA\xD0\xA3\xCA\xB1\xCD\xA3\xD6\xB9");
}

// The tests and the tool assume the Chinese ANSI code page; without it dialog texts become '?'.
TEST(WinEncoding, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }
