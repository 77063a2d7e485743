#include "core/autostart/autostart.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/common/failure_recorder.h"
#include "tests/common/fakes.h"

namespace {

using Log = std::vector<std::string>;

// The settings file as the click uses it: writes go into the log and succeed as told; a failed
// one leaves "access denied" as the system's error.
class SettingsRecorder : public tk::IProfile {
public:
    explicit SettingsRecorder(Log& log) : m_log(log) {}
    bool writeResult = true;

    int GetInt(const char*, const char*, int def) override { return def; }
    unsigned GetString(const char*, const char*, const char*, char* buf, unsigned size) override {
        if (size > 0) buf[0] = '\0';
        return 0;
    }
    bool WriteString(const char* section, const char* key, const char* value) override {
        m_log.push_back(std::string("write ") + section + "/" + key + "=" + value);
        if (!writeResult) errno = EACCES;
        return writeResult;
    }

private:
    Log& m_log;
};

// The click's services, every step in one log so the order shows.
struct ClickFakes {
    Log log;
    SettingsRecorder settings{log};
    tk_test::FakeRunKey runKey{&log};
    tk::AutostartServices Services() { return {settings, runKey}; }
    // The click, with what the status line is told at the end of the log.
    void Click(int state, const char* modulePath) {
        const tk::AutostartReport report = tk::ApplyStartWithWindows(state, modulePath, Services());
        log.push_back(std::string("colour ") + (report.good ? "1" : "0"));
        log.push_back("status " + report.text);
    }
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
          "close", "colour 1", "status 状态：设置自动启动成功！"}},
        {"tick, set fails",
         1,
         sync,
         true,
         true,
         false,
         {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "close", "colour 0",
          "status 状态：设置自动启动失败！"}},
        {"any nonzero state ticks",
         -7,
         sync,
         true,
         true,
         true,
         {"write CONT/bStart=1", "open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "close", "colour 1",
          "status 状态：设置自动启动成功！"}},
        // bStart not written: the Run value still follows the click, but success is not said.
        {"clear, bStart not written",
         0,
         sync,
         false,
         true,
         true,
         {"write CONT/bStart=0", "failed: writing bStart", "open", "delete [Sync]", "close",
          "colour 0", "status 状态：设置无法保存：error 13: Permission denied"}},
        {"tick, bStart not written",
         1,
         sync,
         false,
         true,
         true,
         {"write CONT/bStart=1", "failed: writing bStart", "open",
          "set [Sync]=C:\\Tools\\Sync\\TK.exe", "close", "colour 0",
          "status 状态：设置无法保存：error 13: Permission denied"}},
        {"tick, neither written",
         1,
         sync,
         false,
         true,
         false,
         {"write CONT/bStart=1", "failed: writing bStart", "open",
          "set [Sync]=C:\\Tools\\Sync\\TK.exe", "close", "colour 0",
          "status 状态：设置自动启动失败！"}},
        {"clear, delete fails",
         0,
         sync,
         true,
         true,
         false,
         {"write CONT/bStart=0", "open", "delete [Sync]", "close", "colour 0",
          "status 状态：关闭自动启动失败！"}},
        // A Run key that cannot be opened fails the click as a value not written does.
        {"tick, key not opened",
         1,
         sync,
         true,
         false,
         true,
         {"write CONT/bStart=1", "open", "failed: opening the Run key", "colour 0",
          "status 状态：设置自动启动失败！"}},
        {"clear, neither bStart written nor key opened",
         0,
         sync,
         false,
         false,
         true,
         {"write CONT/bStart=0", "failed: writing bStart", "open", "failed: opening the Run key",
          "colour 0", "status 状态：关闭自动启动失败！"}},
    };
    for (const auto& c : cases) {
        ClickFakes f;
        const tk_test::FailureRecorder failures(&f.log);
        f.settings.writeResult = c.writeResult;
        f.runKey.opens = c.openResult;
        f.runKey.setWorks = c.valueResult;
        f.runKey.deleteWorks = c.valueResult;
        f.Click(c.state, c.modulePath);
        EXPECT_EQ(f.log, c.expected) << c.what;
    }
}

}  // namespace
