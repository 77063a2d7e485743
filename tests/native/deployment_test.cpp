// /register and /unregister against a recording system: which steps each command's values call
// for, in which order, where a failure stops them, the exit code and the log's one line. And
// the example settings the program writes, against what the release zips hold.
#include "core/sync/deployment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "generated/example_settings.h"

namespace {

constexpr char kExe[] = "C:\\TK\\TKAdjustTime.exe";

// Records each step as a line; a step named in failures fails with its code.
class RecordingSystem final : public tk::IDeploymentSystem {
public:
    std::vector<std::string> calls;
    std::map<std::string, std::uint32_t> failures;
    bool settingsThere = false;
    bool libraryThere = false;
    tk::SourceRegistration source = tk::SourceRegistration::kMissing;

    std::uint32_t RegisterEventSource() override { return Step("event source"); }
    std::uint32_t CreateSettingsFile(bool& created) override {
        created = !settingsThere;
        return Step("settings file");
    }
    std::uint32_t WriteSetting(const char* key, const std::string& value) override {
        return Step(std::string("write ") + key + "=" + value);
    }
    std::uint32_t CopyControllerLibrary(const std::string& path) override {
        return Step("copy " + path);
    }
    std::uint32_t PlaceStandIn(bool& placed) override {
        placed = !libraryThere;
        return Step("stand-in");
    }
    std::uint32_t GrantFolder() override { return Step("grant"); }
    std::uint32_t UnregisterEventSource(tk::SourceRegistration& found) override {
        found = source;
        return Step("remove event source");
    }
    std::string ErrorText(std::uint32_t code) override {
        return "error " + std::to_string(code) + ": 原因";
    }

private:
    std::uint32_t Step(const std::string& name) {
        calls.push_back(name);
        const auto failure = failures.find(name);
        return failure == failures.end() ? 0 : failure->second;
    }
};

tk::RegisterArguments Given(std::optional<std::string> timeServer,
                            std::optional<std::string> metricsFile,
                            std::optional<std::string> maxClockOffset,
                            std::optional<std::string> controllerDll) {
    return {timeServer, metricsFile, maxClockOffset, controllerDll};
}

TEST(Register, CallsTheStepsItsValuesAskForInOrder) {
    const std::nullopt_t none = std::nullopt;
    const struct {
        const char* what;
        tk::RegisterArguments arguments;
        bool settingsThere, libraryThere;
        std::vector<std::string> calls;
        std::string line;
    } cases[] = {
        {"nothing given, a fresh folder",
         Given(none, none, none, none),
         false,
         false,
         {"event source", "settings file", "stand-in", "grant"},
         "已注册事件源：C:\\TK\\TKAdjustTime.exe；设置文件：已新建；已写入：无；控制卡库：已放入"
         "替代库；文件夹已授权"},
        {"nothing given, the operator's files there",
         Given(none, none, none, none),
         true,
         true,
         {"event source", "settings file", "stand-in", "grant"},
         "已注册事件源：C:\\TK\\TKAdjustTime.exe；设置文件：已有；已写入：无；控制卡库：保留现有；"
         "文件夹已授权"},
        {"every value",
         Given("ntp.local", "C:\\m\\tk.prom", "300", "D:\\v\\TK100_Dll.dll"),
         true,
         true,
         {"event source", "settings file", "write sTimeServer=ntp.local",
          "write sMetricsFile=C:\\m\\tk.prom", "write nMaxClockOffset=300",
          "copy D:\\v\\TK100_Dll.dll", "grant"},
         "已注册事件源：C:\\TK\\TKAdjustTime."
         "exe；设置文件：已有；已写入：sTimeServer、sMetricsFile、"
         "nMaxClockOffset；控制卡库：已复制D:\\v\\TK100_Dll.dll；文件夹已授权"},
        {"one value",
         Given(none, none, "60", none),
         false,
         true,
         {"event source", "settings file", "write nMaxClockOffset=60", "stand-in", "grant"},
         "已注册事件源：C:\\TK\\TKAdjustTime."
         "exe；设置文件：已新建；已写入：nMaxClockOffset；控制卡库："
         "保留现有；文件夹已授权"},
        // A value with a '%' goes into the line as it is.
        {"a percent sign",
         Given("%s%d", none, none, none),
         true,
         true,
         {"event source", "settings file", "write sTimeServer=%s%d", "stand-in", "grant"},
         "已注册事件源：C:\\TK\\TKAdjustTime."
         "exe；设置文件：已有；已写入：sTimeServer；控制卡库：保留现"
         "有；文件夹已授权"},
    };
    for (const auto& c : cases) {
        RecordingSystem system;
        system.settingsThere = c.settingsThere;
        system.libraryThere = c.libraryThere;
        const tk::DeploymentOutcome outcome = tk::RunRegister(system, c.arguments, kExe);
        EXPECT_EQ(system.calls, c.calls) << c.what;
        EXPECT_EQ(outcome.error, 0u) << c.what;
        EXPECT_EQ(outcome.logText, c.line) << c.what;
    }
}

TEST(Register, StopsAtTheFirstFailureWithItsCode) {
    const tk::RegisterArguments all = Given("t", "m.prom", "5", "v.dll");
    const struct {
        const char* failing;
        std::uint32_t code;
        tk::RegisterArguments arguments;
        std::vector<std::string> calls;
        std::string line;
    } cases[] = {
        {"event source", 5, all, {"event source"}, "注册失败：注册事件源：error 5: 原因"},
        {"settings file",
         32,
         all,
         {"event source", "settings file"},
         "注册失败：新建设置文件：error 32: 原因"},
        {"write sTimeServer=t",
         5,
         all,
         {"event source", "settings file", "write sTimeServer=t"},
         "注册失败：写入sTimeServer：error 5: 原因"},
        {"write nMaxClockOffset=5",
         29,
         all,
         {"event source", "settings file", "write sTimeServer=t", "write sMetricsFile=m.prom",
          "write nMaxClockOffset=5"},
         "注册失败：写入nMaxClockOffset：error 29: 原因"},
        {"copy v.dll",
         2,
         all,
         {"event source", "settings file", "write sTimeServer=t", "write sMetricsFile=m.prom",
          "write nMaxClockOffset=5", "copy v.dll"},
         "注册失败：复制控制卡库：error 2: 原因"},
        {"stand-in",
         2,
         Given(std::nullopt, std::nullopt, std::nullopt, std::nullopt),
         {"event source", "settings file", "stand-in"},
         "注册失败：放入替代库：error 2: 原因"},
        {"grant",
         1307,
         Given(std::nullopt, std::nullopt, std::nullopt, std::nullopt),
         {"event source", "settings file", "stand-in", "grant"},
         "注册失败：授予文件夹权限：error 1307: 原因"},
    };
    for (const auto& c : cases) {
        RecordingSystem system;
        system.failures[c.failing] = c.code;
        const tk::DeploymentOutcome outcome = tk::RunRegister(system, c.arguments, kExe);
        EXPECT_EQ(system.calls, c.calls) << c.failing;
        EXPECT_EQ(outcome.error, c.code) << c.failing;
        EXPECT_EQ(outcome.logText, c.line) << c.failing;
    }
}

TEST(Unregister, RemovesOnlyTheSourceAndSaysWhatItFound) {
    const struct {
        tk::SourceRegistration found;
        std::uint32_t code;
        std::string line;
    } cases[] = {
        {tk::SourceRegistration::kThisProgram, 0, "已注销事件源"},
        {tk::SourceRegistration::kOtherPath, 0, "事件源属于其他程序，未注销"},
        {tk::SourceRegistration::kMissing, 0, "事件源未注册，无需注销"},
        {tk::SourceRegistration::kThisProgram, 5, "注销失败：删除事件源：error 5: 原因"},
    };
    for (const auto& c : cases) {
        RecordingSystem system;
        system.source = c.found;
        if (c.code != 0) system.failures["remove event source"] = c.code;
        const tk::DeploymentOutcome outcome = tk::RunUnregister(system);
        EXPECT_EQ(system.calls, std::vector<std::string>{"remove event source"}) << c.line;
        EXPECT_EQ(outcome.error, c.code) << c.line;
        EXPECT_EQ(outcome.logText, c.line);
    }
}

TEST(Deployment, ACommandLineItDoesNotKnowIsAnInvalidParameter) {
    EXPECT_EQ(tk::kInvalidCommandError, 87u);
    EXPECT_EQ(tk::InvalidCommandText("/instal"), "命令行参数无效：/instal");
    EXPECT_EQ(tk::InvalidCommandText("A=%s"), "命令行参数无效：A=%s");
}

// The bytes the program writes into a new settings file are those scripts/package puts into the
// zips (its own function, run at build time into TK_PACKAGED_SETTINGS).
TEST(Deployment, ExampleSettingsAreTheZipsBytes) {
    std::ifstream file(TK_PACKAGED_SETTINGS, std::ios::binary);
    ASSERT_TRUE(file) << TK_PACKAGED_SETTINGS;
    const std::string packaged((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    EXPECT_EQ(std::string(kExampleSettings, sizeof kExampleSettings - 1), packaged);
    // GBK and CRLF: the first screen's section, 地址：0.
    EXPECT_NE(packaged.find("\r\n[\xB5\xD8\xD6\xB7\xA3\xBA"
                            "0]\r\n"),
              std::string::npos);
    EXPECT_EQ(packaged.substr(0, 8), "[CONT]\r\n");
}

}  // namespace
