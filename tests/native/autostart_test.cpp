#include "core/autostart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/failure_recorder.h"

namespace {

using Log = std::vector<std::string>;

// Stands in for the settings file, the Run key and the status line at once, writing every call
// into one log so the order of the steps shows.
class Recorder : public tk::IProfile,
                 public tk::IRunKey,
                 public tk::IStatusColour,
                 public tk::IStatusView {
public:
    Log log;
    bool writeResult = true;
    bool openResult = true;
    bool valueResult = true;  // result of SetValue and DeleteValue

    int GetInt(const char*, const char*, int def) override { return def; }
    unsigned GetString(const char*, const char*, const char*, char* buf, unsigned size) override {
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
};

TEST(StartWithWindows, ClickStepsInOrder) {
    const char* const sync = "C:\\Tools\\Sync\\TK.exe";
    const char* const spaced = "C:\\Program Files\\Sync Tool\\TK.exe";
    const struct {
        const char* what;
        int state;
        const char* modulePath;
        bool writeResult, openResult, valueResult;
        Log expected;
    } cases[] = {
        {"tick, path with spaces quoted",
         1,
         spaced,
         true,
         true,
         true,
         {"write CONT/bStart=1", "open", "set [Sync Tool]=\"C:\\Program Files\\Sync Tool\\TK.exe\"",
          "flag 1", "text 状态：设置自动启动成功！", "close"}},
        {"tick, set fails",
         1,
         sync,
         true,
         true,
         false,
         {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "flag 0",
          "text 状态：设置自动启动失败！", "close"}},
        {"any nonzero state ticks",
         -7,
         sync,
         true,
         true,
         true,
         {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "flag 1",
          "text 状态：设置自动启动成功！", "close"}},
        // A failed settings write changes nothing else; it is only noted.
        {"clear",
         0,
         sync,
         false,
         true,
         true,
         {"write CONT/bStart=0", "failed: writing bStart", "open", "delete [Sync]", "flag 1",
          "text 状态：关闭自动启动成功！", "close"}},
        {"clear, delete fails",
         0,
         sync,
         true,
         true,
         false,
         {"write CONT/bStart=0", "open", "delete [Sync]", "flag 0", "text 状态：关闭自动启动失败！",
          "close"}},
        {"key not opened",
         1,
         sync,
         true,
         false,
         true,
         {"write CONT/bStart=1", "open", "failed: opening the Run key"}},
    };
    for (const auto& c : cases) {
        Recorder r;
        const tk_test::FailureRecorder failures(&r.log);
        r.writeResult = c.writeResult;
        r.openResult = c.openResult;
        r.valueResult = c.valueResult;
        tk::ApplyStartWithWindows(c.state, c.modulePath, {r, r, r, r});
        EXPECT_EQ(r.log, c.expected) << c.what;
    }
}

TEST(StartWithWindows, ValueNameIsTheExecutablesFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Tools\\Sync\\TK.exe", "Sync"},
        {"C:\\TK.exe", ""},  // a drive root: the key's unnamed value
        {"\\\\?\\C:\\TK.exe", ""},
        {"\\\\?\\C:\\Tools\\Sync\\TK.exe", "Sync"},
        // 0x81 0x5C is one GBK character whose trail byte is a backslash.
        {"C:\\Tools\\ab\x81\x5C\\TK.exe", "ab\x81\x5C"},
        {"C:\\Tools\\\x81\x5C\\TK.exe", "\x81\x5C"},
        {"C:\\Sync\\\x81\x5C.exe", "Sync"},
        {"TK.exe", ""},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(tk::RunValueName(path), name) << path;
    EXPECT_EQ(tk::RunValueData("C:\\同步 工具\\TK.exe"), "\"C:\\同步 工具\\TK.exe\"");
}

}  // namespace
