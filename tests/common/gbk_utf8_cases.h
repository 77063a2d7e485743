// GBK texts and their UTF-8, checked against the conversion of each platform: iconv natively,
// code page 936 under Wine. The literals on the left are GBK (the compiler's execution
// character set); the right is spelled in bytes.
#pragma once

#include <string>

namespace tk_test {

struct GbkUtf8Case {
    const char* what;
    std::string gbk;
    std::string utf8;
};

inline const GbkUtf8Case kGbkUtf8Cases[] = {
    {"empty", "", ""},
    {"ASCII as it is", "C:\\LED\\hall 1", "C:\\LED\\hall 1"},
    {"a folder in Chinese", "C:\\LED\\大厅", "C:\\LED\\\xE5\xA4\xA7\xE5\x8E\x85"},
    {"a second byte that is a backslash", "乗\\x", "\xE4\xB9\x97\\x"},
    {"a full-width colon and a space", "校时：A B",
     "\xE6\xA0\xA1\xE6\x97\xB6\xEF\xBC\x9A"
     "A B"},
    {"a lead byte at the end", std::string("ab\xB4", 3), "ab?"},
    {"a lead byte before a digit or a space keeps them",
     std::string("\xB4"
                 "1\xB4\x20",
                 4),
     "?1? "},
    {"a letter can be a second byte",
     std::string("\xB4"
                 "A",
                 2),
     "\xE7\xA2\x85"},
    {"a lead byte before a line feed", std::string("\xB4\n", 2), "?\n"},
    {"DEL and 0xFF are no second byte", std::string("\xB4\x7F\xB4\xFF", 4), "?\x7F??"},
    {"0x80 and 0xFF start no character",
     std::string("\x80"
                 "a\xFF",
                 3),
     "?a?"},
    {"a NUL after a lead byte stays", std::string("\xB4\0z", 3), std::string("?\0z", 3)},
};

}  // namespace tk_test
