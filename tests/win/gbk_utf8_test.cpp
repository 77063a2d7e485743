// The GBK texts the metrics file carries, converted through code page 936 as Windows does,
// whatever the system's code page; the same cases as the native conversion through iconv.
#include "core/base/gbk_utf8.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/base/gbk_utf16_win.h"
#include "core/sync/metrics_file.h"
#include "tests/common/gbk_utf8_cases.h"

namespace {

// The system's code page is the one the run asked for: 936, as every Windows test has it, or
// another that gbk_utf8.cmake names in TK_TEST_ACP, where the conversion must not follow it.
TEST(GbkUtf8, RunUnderTheCodePageAskedFor) {
    const char* asked = std::getenv("TK_TEST_ACP");
    EXPECT_EQ(::GetACP(), asked != nullptr ? std::strtoul(asked, nullptr, 10) : 936ul);
}

TEST(GbkUtf8, ConvertedThroughCodePage936) {
    for (const tk_test::GbkUtf8Case& c : tk_test::kGbkUtf8Cases) {
        EXPECT_EQ(tk::Utf8FromGbk(c.gbk), c.utf8) << c.what;
    }
}

// One conversion to UTF-16 for every caller: the metrics file's marks a byte that starts no
// character with '?' and reads the byte after it on its own, the events' leave it to code page
// 936, where 0x80 is the euro sign and a lead byte takes the byte after it along.
TEST(GbkUtf16, ABadByteFollowsTheRuleItsCallerNames) {
    const struct {
        std::string gbk;
        std::wstring questionMark;
        std::wstring codePage;
    } cases[] = {
        {"", L"", L""},
        {"TK 3.4", L"TK 3.4", L"TK 3.4"},
        {"地址", L"\u5730\u5740", L"\u5730\u5740"},
        {std::string("\x80", 1), L"?", L"\u20AC"},
        {std::string("a\x80z", 3), L"a?z", L"a\u20ACz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tk::Utf16FromGbk(c.gbk, tk::BadGbkByte::kQuestionMark), c.questionMark) << c.gbk;
        EXPECT_EQ(tk::Utf16FromGbk(c.gbk, tk::BadGbkByte::kCodePage), c.codePage) << c.gbk;
    }
}

// A folder whose second byte is a backslash, in the file's first sample.
TEST(GbkUtf8, TheMetricsFileShowsAFolderInUtf8) {
    tk::MetricsProgram program;
    program.version = "3.4";
    program.folder = "D:\\乗\\大厅";
    const std::string text = tk::MetricsText(program, tk::PassTally());
    const std::string first = text.substr(text.find("tk_sync_info{"));
    EXPECT_EQ(first.substr(0, first.find('\n')),
              "tk_sync_info{folder=\"D:"
              "\\\\\xE4\xB9\x97\\\\\xE5\xA4\xA7\xE5\x8E\x85\",version=\"3.4\"} 1");
}

}  // namespace
