// The pass log's bound when the log cannot be moved aside, the journal's word on the status
// line, and the start-up check of the program's folder.
#include "core/sync/pass_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/store/atomic_file.h"
#include "core/sync/pass_journal.h"
#include "tests/common/failure_recorder.h"
#include "tests/common/fakes.h"
#include "tests/native/temp_dir.h"

namespace {

using Steps = std::vector<std::string>;
constexpr int64_t kLimit = tk::kPassLogLimit;

// A log whose steps succeed as told and are recorded; a failed step leaves "busy" as the
// system's error, as a viewer holding the file would.
class ScriptedLog : public tk::ILogFile {
public:
    int64_t size = 0;
    bool moves = true, copies = true, appends = true;
    Steps steps;
    std::string written;

    const std::string& Path() const override { return m_path; }
    int64_t Size() override { return size; }
    bool MoveAside() override { return Step("move", moves, 0); }
    bool CopyAside() override { return Step("copy", copies, 0); }
    bool Append(const std::string& bytes) override {
        if (appends) written += bytes;
        return Step("append " + std::to_string(bytes.size()), appends,
                    std::max<int64_t>(size, 0) + static_cast<int64_t>(bytes.size()));
    }

private:
    bool Step(const std::string& name, bool works, int64_t sizeAfter) {
        steps.push_back(name);
        if (works) size = sizeAfter;
        if (!works) errno = EBUSY;
        return works;
    }
    std::string m_path = "C:\\Tools\\TK.log";
};

// A log past its limit is moved aside; one a viewer holds is copied aside and emptied; one that
// can be neither grows up to twice the limit and then takes no more lines.
TEST(PassLogBound, MovedOrCopiedAsideAndNeverPastTwiceTheLimit) {
    const std::string lines(10, 'l');
    const struct {
        const char* what;
        int64_t size;
        bool moves, copies, appends;
        Steps steps;
        bool written;
        int64_t sizeAfter;
        const char* why;
    } cases[] = {
        {"no log yet", -1, true, true, true, {"append 10"}, true, 10, ""},
        {"up to the limit", kLimit - 10, true, true, true, {"append 10"}, true, kLimit, ""},
        {"past it: moved", kLimit - 9, true, true, true, {"move", "append 10"}, true, 10, ""},
        {"held: copied",
         kLimit - 9,
         false,
         true,
         true,
         {"move", "copy", "append 10"},
         true,
         10,
         ""},
        {"neither, up to twice",
         2 * kLimit - 10,
         false,
         false,
         true,
         {"move", "copy", "append 10"},
         true,
         2 * kLimit,
         ""},
        {"neither, past twice",
         2 * kLimit - 9,
         false,
         false,
         true,
         {"move", "copy"},
         false,
         2 * kLimit - 9,
         "error 16: Device or resource busy"},
        {"append fails",
         0,
         true,
         true,
         false,
         {"append 10"},
         false,
         0,
         "error 16: Device or resource busy"},
    };
    for (const auto& c : cases) {
        const tk_test::FailureRecorder failures;
        ScriptedLog log;
        log.size = c.size;
        log.moves = c.moves;
        log.copies = c.copies;
        log.appends = c.appends;
        std::string why;
        EXPECT_EQ(tk::AppendPassLog(log, lines, &why), c.written) << c.what;
        EXPECT_EQ(log.steps, c.steps) << c.what;
        EXPECT_EQ(log.size, c.sizeAfter) << c.what;
        EXPECT_EQ(why, c.why) << c.what;
        EXPECT_EQ(failures.notes.empty(), c.moves && c.appends) << c.what;
    }
}

// What the status line's double-click says instead of opening the log, before and after a
// pass: why the folder or the last lines could not be written, or that there is no log yet;
// the tooltip says an unwritable folder first.
TEST(PassJournal, DoubleClickAndTooltipFollowTheLastPass) {
    const char kPassTip[] =
        "上次校时：2023-11-14 12:34:56　共0张卡，0张成功，0张失败\r\n双击状态栏打开校时日志";
    const char kFolderTip[] = "程序所在文件夹不可写：设置和日志无法保存\r\n";
    const struct {
        std::string folder;  // why the program's folder cannot be written
        int64_t size;        // of the log before the pass; -1: none
        bool appends;
        std::string before, tipBefore, after, tipAfter;
    } cases[] = {
        {"", -1, true, "还没有校时日志。", "尚未校时", "", kPassTip},
        {"", 5, false, "", "尚未校时",
         "校时日志无法写入：C:\\Tools\\TK.log\r\nerror 16: Device or resource busy", kPassTip},
        {"error 5: 访问被拒绝。", -1, true,
         "校时日志无法写入：C:\\Tools\\TK.log\r\nerror 5: 访问被拒绝。",
         std::string(kFolderTip) + "尚未校时", "", kFolderTip + std::string(kPassTip)},
    };
    for (const auto& c : cases) {
        const tk_test::FailureRecorder failures;
        ScriptedLog log;
        log.size = c.size;
        log.appends = c.appends;
        tk_test::FixedClock clock{12, 34, 56};
        tk::PassJournal journal(log, clock, c.folder);
        EXPECT_EQ(journal.LogNotShownText(), c.before) << c.folder << c.size;
        EXPECT_EQ(journal.TipText(), c.tipBefore) << c.folder << c.size;
        journal.PassEnded(tk::PassRecord{});
        EXPECT_EQ(journal.LogNotShownText(), c.after) << c.folder << c.size;
        EXPECT_EQ(journal.TipText(), c.tipAfter) << c.folder << c.size;
        EXPECT_EQ(journal.LogPath(), "C:\\Tools\\TK.log");
    }
}

// Other sinks' notes go into the log at once and into the tooltip until the next pass; the
// program's start and end each have a line, and so has each switch of automatic synchronisation
// (one at the start when it starts switched on), but no other change of the state.
TEST(PassJournal, NotesTheProgramsStartAndEndAndEachSwitch) {
    ScriptedLog log;
    tk_test::FixedClock clock{12, 34, 56};
    tk::PassJournal journal(log, clock, "", "3.4");
    journal.ProgramStarted({true, 600, 2});
    journal.StateChanged({true, 600, 3});
    journal.StateChanged({false, 600, 3});
    journal.StateChanged({false, 20, 3});
    journal.StateChanged({true, 20, 3});
    journal.AddNote("指标文件无法写入：error 5");
    EXPECT_EQ(journal.TipText(), "尚未校时\r\n指标文件无法写入：error 5");
    journal.PassEnded(tk::PassRecord{});
    EXPECT_EQ(journal.TipText(),
              "上次校时：2023-11-14 12:34:56　共0张卡，0张成功，0张失败\r\n双击状态栏打开校时日志");
    journal.AddNote("指标文件无法写入：error 32");
    EXPECT_EQ(journal.TipText(),
              "上次校时：2023-11-14 12:34:56　共0张卡，0张成功，0张失败\r\n"
              "指标文件无法写入：error 32\r\n双击状态栏打开校时日志");
    journal.ProgramEnding({});
    EXPECT_EQ(log.written,
              "2023-11-14 12:34:56\t程序启动，版本3.4\r\n"
              "2023-11-14 12:34:56\t自动校时已启用，间隔600秒\r\n"
              "2023-11-14 12:34:56\t自动校时已停止\r\n"
              "2023-11-14 12:34:56\t自动校时已启用，间隔20秒\r\n"
              "2023-11-14 12:34:56\t指标文件无法写入：error 5\r\n"
              "2023-11-14 12:34:56\t自动校时开始\r\n"
              "2023-11-14 12:34:56\t此次校时共：0张卡，其中0张成功，0张失败！\r\n"
              "2023-11-14 12:34:56\t指标文件无法写入：error 32\r\n"
              "2023-11-14 12:34:56\t程序退出\r\n");
    EXPECT_TRUE(journal.LogWritable());
}

class PassLogFolderTest : public tk::test::SettingsDirTest {};

// The real file, copied aside: the older part holds what the log held, the log the new lines.
TEST_F(PassLogFolderTest, PassLogCopiedAsideAndEmptied) {
    const std::string path = m_dir + "/TK.log";
    std::ofstream(path, std::ios::binary) << "first\r\n";
    std::ofstream(path + ".1", std::ios::binary) << "older";
    tk::PassLogFile file(path);
    ASSERT_TRUE(file.CopyAside());
    EXPECT_EQ(file.Size(), 0);
    EXPECT_EQ(std::filesystem::file_size(path + ".1"), 7u);
}

// The folder check leaves nothing behind where it may write, and says no where it may not:
// a folder that does not exist, and one of the kernel's that takes no files even from root.
TEST_F(PassLogFolderTest, FolderCheckLeavesNothingBehind) {
    EXPECT_TRUE(tk::CanCreateFileBeside(m_path));
    EXPECT_TRUE(std::filesystem::is_empty(m_dir));
    errno = 0;
    EXPECT_FALSE(tk::CanCreateFileBeside(m_dir + "/missing/TK100_Dll_Set.ini"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(tk::CanCreateFileBeside("/sys/TK100_Dll_Set.ini"));
}

}  // namespace
