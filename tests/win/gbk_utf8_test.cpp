// The GBK texts the metrics file carries, converted through code page 936 as Windows does,
// whatever the system's code page; the same cases as the native conversion through iconv.
#include "core/base/gbk_utf8.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

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
