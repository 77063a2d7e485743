#include "core/base/failure_report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace
