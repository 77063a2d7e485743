// The clock check under Wine against real NTP servers: chronyd on loopback, started by
// tests/chrony/with-chronyd (clock_check.cmake), which names them in TK_CHRONY_SERVERS. The
// SNTP client through Winsock, the choice of server from the settings file and the registry, and
// a manual pass of the real main window.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "core/timecheck/clock_check.h"
#include "core/timecheck/sntp_client.h"
#include "core/timecheck/time_server.h"
#include "tests/common/chrony_servers.h"
#include "tests/win/main_window_harness.h"
#include "tests/win/socket_library.h"

namespace {

testing::Environment* const kSocketLibrary =
    testing::AddGlobalTestEnvironment(new tk_test::SocketLibrary);

using tk_test::Chronyds;

tk::SntpOutcome Query(const std::string& server, int waitMs) {
    tk::SntpClient client(std::make_unique<tk::PreciseClock>());
    return client.Query(server, waitMs);
}

TEST(SntpUnderWine, OffsetsWithTheirSign) {
    const std::map<long, std::string> servers = Chronyds();
    ASSERT_EQ(servers.size(), 2u)
        << "run through tests/chrony/with-chronyd as clock_check.cmake does";
    for (const long shift : {3600L, 86400L}) {
        const tk::SntpOutcome outcome = Query(servers.at(shift), tk::kClockCheckWaitMs);
        ASSERT_EQ(outcome.status, tk::ClockCheckStatus::kMeasured) << shift;
        EXPECT_NEAR(static_cast<double>(outcome.sample.offsetMicros), shift * 1e6, 50000.0)
            << shift;
    }
}

// A port where nothing listens: no answer. (Windows ends the wait at once with WSAECONNRESET;
// Wine does not report the port-unreachable answer to a socket's first request, so here it is
// the whole wait, and the native tests show the failure ending it.)
TEST(SntpUnderWine, APortWhereNothingListens) {
    SOCKET probe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(0x7F00001B);  // 127.0.0.27
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&self), sizeof self), 0);
    int size = sizeof self;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&self), &size);
    ::closesocket(probe);
    const std::string server = "127.0.0.27:" + std::to_string(ntohs(self.sin_port));
    EXPECT_EQ(Query(server, 300).status, tk::ClockCheckStatus::kNoAnswer);
}

// The clock that carries a measurement counts milliseconds since the system started, as the
// tick count does (both go on while the PC sleeps).
TEST(SntpUnderWine, TheUptimeClockCountsMillisecondsSinceStart) {
    tk::UptimeClock uptime;
    const auto ticks = static_cast<std::int64_t>(::GetTickCount64());
    EXPECT_NEAR(static_cast<double>(uptime.Milliseconds()), static_cast<double>(ticks), 1000.0);
}

// Writes one NtpServer value under HKEY_LOCAL_MACHINE in the 64-bit view, and removes it again.
class MachineValue {
public:
    MachineValue(const char* keyPath, const char* value) : m_keyPath(keyPath) {
        HKEY key = nullptr;
        m_made = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0,
                                   KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                                   nullptr) == ERROR_SUCCESS &&
                 ::RegSetValueExA(key, "NtpServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                  static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
        if (key != nullptr) ::RegCloseKey(key);
    }
    ~MachineValue() {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_keyPath, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            &key) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key, "NtpServer");
            ::RegCloseKey(key);
        }
    }
    MachineValue(const MachineValue&) = delete;
    MachineValue& operator=(const MachineValue&) = delete;
    bool Made() const { return m_made; }

private:
    const char* m_keyPath;
    bool m_made = false;
};

constexpr char kPolicyKey[] = "SOFTWARE\\Policies\\Microsoft\\W32Time\\Parameters";
constexpr char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\W32Time\\Parameters";

// The settings file's key first; without it the group policy's first server, then the time
// service's; "none" switches the check off whatever the registry says.
TEST(TimeServerUnderWine, SettingsKeyThenPolicyThenService) {
    tk_test::TempDir dir;
    const std::string path = dir.File("TK100_Dll_Set.ini");
    tk::Win32Profile profile(path);
    tk::W32TimeSetting registry;
    tk::TimeServerSetting setting(profile, registry);

    const MachineValue service(kServiceKey, "time.service.example,0x9 second.example,0x9");
    ASSERT_TRUE(service.Made());
    tk_test::WriteFileBytes(path, "[CONT]\r\nScreenCount=0\r\n");
    EXPECT_EQ(setting.Current(), "time.service.example");
    {
        const MachineValue policy(kPolicyKey, "policy.example,0x1 other.example");
        ASSERT_TRUE(policy.Made());
        EXPECT_EQ(setting.Current(), "policy.example");
        tk_test::WriteFileBytes(path, "[CONT]\r\nsTimeServer=127.0.0.21:12311\r\n");
        EXPECT_EQ(setting.Current(), "127.0.0.21:12311");
        tk_test::WriteFileBytes(path, "[CONT]\r\nsTimeServer=none\r\n");
        EXPECT_EQ(setting.Current(), "");
        tk_test::WriteFileBytes(path, "[CONT]\r\nsTimeServer=\r\n");
        EXPECT_EQ(setting.Current(), "policy.example");
    }
    EXPECT_EQ(setting.Current(), "time.service.example");
}

// A manual pass of the real window against a chronyd an hour ahead: the clock line in the log
// after the start line and in the tooltip after its first line, and the screen set. Against
// one a day ahead, or an hour ahead with nMaxClockOffset below an hour: no library call, the
// status line says so in red in short, the log and the tooltip in full.
TEST(ClockCheckWindow, ManualPassComparesAndRefuses) {
    const std::map<long, std::string> servers = Chronyds();
    ASSERT_EQ(servers.size(), 2u);
    const struct {
        long shift;
        const char* bound;
        bool refused;
    } cases[] = {{3600, "", false}, {3600, "nMaxClockOffset=3599\r\n", true}, {86400, "", true}};
    for (const auto& c : cases) {
        const std::string server = servers.at(c.shift);
        tk_test::WindowOptions options;
        options.realClockCheck = true;
        tk_test::MainWindow w(
            tk_test::SettingsText("sTimeServer=" + server + "\r\n" + c.bound, {{false, ""}}),
            options);
        ASSERT_TRUE(w.created);
        w.Click(IDC_MANUAL);
        const std::string log = tk_test::ReadFileBytes(w.logPath).value_or("");
        const std::string tip = tk_test::StatusTip(w);
        const std::string shift = std::to_string(c.shift);
        const std::string line = "电脑时间与" + server + "相差+" + shift + ".0";
        const std::string nearly =
            "电脑时间与" + server + "相差+" + std::to_string(c.shift - 1) + ".9";
        const size_t start = log.find("\t手动校时开始\r\n");
        ASSERT_NE(start, std::string::npos) << log;
        const size_t clockLine = log.find('\t', start + 1);
        ASSERT_NE(clockLine, std::string::npos);
        const std::string logged =
            log.substr(clockLine + 1, log.find("\r\n", clockLine) - clockLine - 1);
        EXPECT_TRUE(logged.rfind(line, 0) == 0 || logged.rfind(nearly, 0) == 0) << logged;
        EXPECT_EQ(tip.find("\r\n" + logged + "\r\n"), tip.find("\r\n")) << tip;
        if (!c.refused) {
            EXPECT_EQ(w.library.adjusted, std::vector<int>{1});
            EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：1张卡，其中1张成功，0张失败！");
            continue;
        }
        // The figure is rounded up: the shift, or one more when the server was a little ahead.
        const std::string status = w.Text(IDC_STATUS);
        const std::string head = "状态：时间相差+";
        const std::string figure = status.substr(head.size(), status.find("秒") - head.size());
        EXPECT_TRUE(figure == shift || figure == std::to_string(c.shift + 1)) << status;
        EXPECT_EQ(status, head + figure + "秒，本次未校时！");
        const std::string refusal =
            "状态：电脑时间与" + server + "相差+" + figure + "秒，本次未校时！";
        EXPECT_TRUE(w.library.adjusted.empty());
        EXPECT_NE(log.find("\t" + refusal + "\r\n"), std::string::npos) << log;
        EXPECT_NE(tip.find(refusal), std::string::npos) << tip;
        const tk_test::CtlColour colour =
            tk_test::AskColour(w.hwnd, w.Item(IDC_STATUS), WM_CTLCOLORSTATIC);
        EXPECT_EQ(colour.text, RGB(255, 0, 0));
    }
}

}  // namespace
