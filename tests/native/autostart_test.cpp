#include "core/autostart.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// Stands in for the settings file, the Run key and the status line at once, writing every call
// into one log so the order of the steps shows.
class Recorder : public tk::IProfile,
                 public tk::IRunKey,
                 public tk::IStatusColour,
                 public tk::IStatusView {
public:
    std::vector<std::string> log;
    bool writeResult = true;
    bool openResult = true;
    bool valueResult = true;  // result of SetValue and DeleteValue

    int GetInt(const char* section, const char* key, int) override {
        log.push_back(std::string("read ") + section + "/" + key);
        return 0;
    }
    unsigned GetString(const char* section, const char* key, const char*, char* buf,
                       unsigned size) override {
        log.push_back(std::string("read ") + section + "/" + key);
        if (size > 0) buf[0] = '\0';
        return 0;
    }
    bool WriteString(const char* section, const char* key, const char* value) override {
        log.push_back(std::string("write ") + section + "/" + key + "=" + value);
        return writeResult;
    }
    bool Open() override {
        log.push_back("open");
        return openResult;
    }
    bool SetValue(const std::string& name, const std::string& data) override {
        log.push_back("set [" + name + "]=" + data);
        return valueResult;
    }
    bool DeleteValue(const std::string& name) override {
        log.push_back("delete [" + name + "]");
        return valueResult;
    }
    void Close() override { log.push_back("close"); }
    void SetStatusColourFlag(int flag) override { log.push_back("flag " + std::to_string(flag)); }
    void SetStatusText(const std::string& text) override { log.push_back("text " + text); }

    tk::AutostartPorts Ports() { return {*this, *this, *this, *this}; }
};

struct ClickCase {
    const char* what;
    int state;
    const char* modulePath;
    bool writeResult;
    bool openResult;
    bool valueResult;
    std::vector<std::string> expected;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.what; }

class AutostartClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(AutostartClick, StepsInOrder) {
    const ClickCase& c = GetParam();
    Recorder recorder;
    recorder.writeResult = c.writeResult;
    recorder.openResult = c.openResult;
    recorder.valueResult = c.valueResult;
    tk::ApplyStartWithWindows(c.state, c.modulePath, recorder.Ports());
    EXPECT_EQ(recorder.log, c.expected);
}

const char kSync[] = "C:\\Tools\\Sync\\TK.exe";

// One row per outcome; columns: state, module path, results of the settings write, of opening
// the key and of setting or deleting the value, then the log.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, AutostartClick,
    ::testing::Values(
        ClickCase{"TickSet", 1, kSync, true, true, true,
                  {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "flag 1",
                   "text 状态：设置自动启动成功！", "close"}},
        ClickCase{"TickSetFails", 1, kSync, true, true, false,
                  {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "flag 0",
                   "text 状态：设置自动启动失败！", "close"}},
        ClickCase{"ClearDeleted", 0, kSync, true, true, true,
                  {"write CONT/bStart=0", "open", "delete [Sync]", "flag 1",
                   "text 状态：关闭自动启动成功！", "close"}},
        ClickCase{"ClearDeleteFails", 0, kSync, true, true, false,
                  {"write CONT/bStart=0", "open", "delete [Sync]", "flag 0",
                   "text 状态：关闭自动启动失败！", "close"}},
        ClickCase{"TickOpenFails", 1, kSync, true, false, true,
                  {"write CONT/bStart=1", "open"}},
        ClickCase{"ClearOpenFails", 0, kSync, true, false, true,
                  {"write CONT/bStart=0", "open"}},
        ClickCase{"AnyNonzeroStateTicks", -7, kSync, true, true, true,
                  {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "flag 1",
                   "text 状态：设置自动启动成功！", "close"}},
        ClickCase{"SettingsWriteFailureIsNotLookedAt", 0, kSync, false, true, true,
                  {"write CONT/bStart=0", "open", "delete [Sync]", "flag 1",
                   "text 状态：关闭自动启动成功！", "close"}},
        ClickCase{"PathWithSpacesIsQuoted", 1, "C:\\Program Files\\Sync Tool\\TK.exe",
                  true, true, true,
                  {"write CONT/bStart=1", "open",
                   "set [Sync Tool]=\"C:\\Program Files\\Sync Tool\\TK.exe\"", "flag 1",
                   "text 状态：设置自动启动成功！", "close"}},
        ClickCase{"DriveRootUsesUnnamedValue", 0, "C:\\TK.exe", true, true, true,
                  {"write CONT/bStart=0", "open", "delete []", "flag 1",
                   "text 状态：关闭自动启动成功！", "close"}}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.what); });
// clang-format on

// The four texts are GBK bytes: "状态：" is D7 B4 CC AC A3 BA.
TEST(AutostartTexts, AreGbk) {
    for (const char* text : {tk::kAutostartSetText, tk::kAutostartSetFailedText,
                             tk::kAutostartClearedText, tk::kAutostartClearFailedText}) {
        EXPECT_EQ(std::string(text).substr(0, 6), "\xD7\xB4\xCC\xAC\xA3\xBA") << text;
    }
}

struct NameCase {
    const char* modulePath;
    const char* name;
};

TEST(RunValueName, IsTheLastComponentOfTheExecutablesDirectory) {
    const NameCase cases[] = {
        {"C:\\Tools\\Sync\\TK.exe", "Sync"},
        {"C:\\TK.exe", ""},
        {"\\\\?\\C:\\TK.exe", ""},
        {"\\\\?\\C:\\Tools\\Sync\\TK.exe", "Sync"},
        {"C:\\Program Files\\Sync Tool\\TK.exe", "Sync Tool"},
        {"C:\\同步\\TK.exe", "同步"},
        // 0x81 0x5C is one GBK character whose trail byte is a backslash.
        {"C:\\Tools\\ab\x81\x5C\\TK.exe", "ab\x81\x5C"},
        {"C:\\Tools\\\x81\x5C\\TK.exe", "\x81\x5C"},
        {"C:\\Sync\\\x81\x5C.exe", "Sync"},
        {"TK.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(tk::RunValueName(c.modulePath), c.name) << c.modulePath;
}

TEST(RunValueData, QuotesPathsWithSpacesOnly) {
    const std::string longDir(300, 'd');
    const NameCase cases[] = {
        {"C:\\Tools\\Sync\\TK.exe", "C:\\Tools\\Sync\\TK.exe"},
        {"C:\\Program Files\\x\\TK.exe", "\"C:\\Program Files\\x\\TK.exe\""},
        {"C:\\同步 工具\\TK.exe", "\"C:\\同步 工具\\TK.exe\""},
    };
    for (const auto& c : cases) EXPECT_EQ(tk::RunValueData(c.modulePath), c.name) << c.modulePath;

    const std::string longPath = "C:\\" + longDir + "\\a b\\TK.exe";
    EXPECT_EQ(tk::RunValueData(longPath), "\"" + longPath + "\"");
    const std::string longPlain = "C:\\" + longDir + "\\TK.exe";
    EXPECT_EQ(tk::RunValueData(longPlain), longPlain);
}

}  // namespace
