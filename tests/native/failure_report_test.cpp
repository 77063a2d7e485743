#include "core/base/failure_report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "core/base/file_failure.h"
#include "tests/common/failure_recorder.h"

namespace {

// A note carries what failed and the last error as it was when the failure was reported.
TEST(FailureReport, HookGetsWhatFailedAndTheLastError) {
    std::vector<std::pair<std::string, std::string>> notes;
    const tk::FailureHook previous =
        tk::SetFailureHook([&](const std::string& what, const std::string& error) {
            notes.emplace_back(what, error);
        });
    errno = ENOENT;
    tk::ReportFailure("writing nSel");
    tk::SetFailureHook(previous);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].first, "writing nSel");
    EXPECT_EQ(notes[0].second.rfind("error 2: ", 0), 0u) << notes[0].second;
}

// Without a hook the note goes to the debug output (standard error here) as one line.
TEST(FailureReport, WithoutAHookTheNoteIsOneLineOfDebugOutput) {
    testing::internal::CaptureStderr();
    errno = EACCES;
    tk::ReportFailure("opening the Run key");
    const std::string line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line.rfind("TKAdjustTime: opening the Run key failed: error 13: ", 0), 0u) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
}

// A test's recorder takes the notes while it lives and puts the previous hook back.
TEST(FailureReport, RecordersNest) {
    tk_test::FailureRecorder outer;
    {
        tk_test::FailureRecorder inner;
        tk::ReportFailure("inner");
        EXPECT_EQ(inner.notes, std::vector<std::string>{"inner"});
    }
    tk::ReportFailure("outer");
    EXPECT_EQ(outer.notes, std::vector<std::string>{"outer"});
}

// The operator's words for each kind of failure; a failed call that left no system error (a
// short write) says that the system gave no reason, not "error 0: Success".
TEST(FailureReason, EachKindInTheOperatorsWords) {
    using Kind = tk::FileFailure::Kind;
    const struct {
        Kind kind;
        int error;  // errno when the failure is taken (the program's own kinds ignore it)
        const char* reason;
    } cases[] = {
        {Kind::kSystem, EACCES, "error 13: Permission denied"},
        {Kind::kMissing, ENOENT, "error 2: No such file or directory"},
        {Kind::kSystem, 0, "系统没有说明原因。"},
        {Kind::kMissing, 0, "系统没有说明原因。"},
        {Kind::kNotAnsi, EACCES,
         "文件不是ANSI（GBK）编码（例如被保存成了Unicode），本程序不能改写它。"},
        {Kind::kTooLarge, EIO, "文件大于1MB，不是控制卡参数文件，本程序不读取它。"},
        {Kind::kUnstorable, 0, "有参数含有不能写入INI文件的字符（例如换行）。"},
    };
    for (const auto& c : cases) {
        errno = c.error;
        EXPECT_EQ(tk::FailureReason(tk::FileFailure::FromSystem(c.kind)), c.reason) << c.error;
    }
}

}  // namespace
