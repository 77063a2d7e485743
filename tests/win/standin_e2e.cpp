// The stand-in TK100_Dll.dll end to end: the program imports it at load time, writes the
// settings file beside it, and the DLL sets the clocks of controllers that ctlsim simulates on
// loopback (and on a pseudo-terminal mapped to a COM port). Run by tools/ctlsim/with-ctlsim
// with the controllers that standin_e2e.cmake lists; their endpoints arrive in CTLSIM_UDP.

// winsock2.h must come before windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/module_path_win.h"
#include "core/probe/probe.h"
#include "core/screens/roster.h"
#include "core/screens/screen_section.h"
#include "core/store/settings.h"
#include "core/store/win32_profile_win.h"
#include "core/sync/clock_text.h"
#include "core/sync/pass.h"
#include "core/sync/pass_texts.h"
#include "library/controller_library_win.h"
#include "library/frame.h"
#include "tests/common/probe_one.h"
#include "tests/win/win_test_util.h"

namespace {

namespace wire = tk::wire;

// The simulated endpoints, in the order standin_e2e.cmake declares them.
enum Endpoint {
    kPlain,     // address 0, an hour slow
    kShared,    // address 1 (an hour slow) and address 2, which never answers
    kRefusing,  // address 0 answers every request with an error
    kLate40,    // address 0 answers 40 ms late, two hours fast
    kLate1500,  // address 0 answers 1.5 s late
    kModel23,   // address 3, model code 23 only, ten minutes slow
    kEndpointCount
};

struct Udp {
    std::string ip;
    int port = 0;
};

// One screen section as the settings file holds it.
struct Screen {
    int mode = 1;  // CommunicationMode
    int address = 0;
    int model = 21;
    Udp udp;
    int serialNum = 1;
    int serialBaud = 57600;
};

std::vector<Udp> g_endpoints;
int g_com = 0;

std::string SettingsPath() { return tk::SettingsPathFromModule(tk::ModuleFilePath(nullptr)); }

void WriteInt(tk::IProfile& p, const std::string& section, const char* key, int value) {
    p.WriteString(section.c_str(), key, std::to_string(value).c_str());
}

// Writes ScreenCount and every key the library reads for each screen.
void WriteSettings(const std::vector<Screen>& screens) {
    tk::Win32Profile p(SettingsPath());
    WriteInt(p, tk::kGlobalSection, tk::kScreenCountKey, static_cast<int>(screens.size()));
    for (size_t i = 0; i < screens.size(); ++i) {
        const Screen& s = screens[i];
        const std::string section = tk::ScreenSectionName(static_cast<int>(i));
        WriteInt(p, section, tk::kCardTypeKey, s.model);
        WriteInt(p, section, tk::kCardAddressKey, s.address);
        WriteInt(p, section, tk::kCommunicationModeKey, s.mode);
        WriteInt(p, section, tk::kSerialBaudKey, s.serialBaud);
        WriteInt(p, section, tk::kSerialNumKey, s.serialNum);
        WriteInt(p, section, tk::kNetPortKey, s.udp.port);
        int octets[4] = {127, 0, 0, 1};
        std::sscanf(s.udp.ip.c_str(), "%d.%d.%d.%d", &octets[0], &octets[1], &octets[2],
                    &octets[3]);
        // Every address a test writes is on loopback.
        EXPECT_EQ(octets[0], 127);
        for (int k = 0; k < 4; ++k) WriteInt(p, section, tk::kIpAddressKeys[k], octets[k]);
    }
}

Screen Net(Endpoint e, int address, int model = 21) {
    Screen s;
    s.udp = g_endpoints[e];
    s.address = address;
    s.model = model;
    return s;
}

Screen Serial(int com, int address) {
    Screen s;
    s.mode = 0;
    s.serialNum = com;
    s.address = address;
    return s;
}

// The screens every test starts from, and whether each one's clock can be set.
struct ScreenCase {
    const char* what;
    Screen screen;
    bool settable;
};

std::vector<ScreenCase> Roster() {
    Screen nobodyListens = Net(kPlain, 0);
    nobodyListens.udp.ip = "127.0.0.9";
    Screen mode2 = Net(kPlain, 0);
    mode2.mode = 2;
    mode2.serialNum = 251;
    return {
        {"network controller", Net(kPlain, 0), true},
        {"second controller on a shared port", Net(kShared, 1), true},
        {"silent controller", Net(kShared, 2), false},
        {"address nobody has", Net(kShared, 5), false},
        {"controller that refuses", Net(kRefusing, 0), false},
        {"answer 40 ms late", Net(kLate40, 0), true},
        {"answer 1.5 s late", Net(kLate1500, 0), false},
        {"model code not the controller's", Net(kModel23, 3, 21), false},
        {"model code the controller's", Net(kModel23, 3, 23), true},
        {"no socket at the address", nobodyListens, false},
        {"serial controller on a mapped COM port", Serial(g_com, 4), true},
        {"COM port that does not exist", Serial(250, 0), false},
        {"CommunicationMode 2 is serial", mode2, false},
    };
}

std::vector<Screen> Screens(const std::vector<ScreenCase>& cases) {
    std::vector<Screen> screens;
    for (const ScreenCase& c : cases) screens.push_back(c.screen);
    return screens;
}

// Reads a simulated controller's clock with a read-time request; offset to GetLocalTime in ms.
bool ReadClockOffset(const Udp& udp, int address, int model, long long& offset) {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(udp.port));
    peer.sin_addr.s_addr = inet_addr(udp.ip.c_str());
    wire::Frame request;
    request.command = wire::Command::kReadTime;
    request.sequence = 7;
    request.address = static_cast<std::uint16_t>(address);
    request.model = static_cast<std::uint16_t>(model);
    const wire::FrameBytes bytes = wire::Encode(request);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0 &&
              send(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                   0) == static_cast<int>(bytes.size());
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{5, 0};
    std::uint8_t answer[64];
    wire::Frame frame;
    ok = ok && select(0, &readable, nullptr, nullptr, &wait) == 1 &&
         recv(s, reinterpret_cast<char*>(answer), sizeof answer, 0) ==
             static_cast<int>(wire::kFrameSize) &&
         wire::Decode(answer, wire::kFrameSize, frame) == wire::DecodeResult::kOk &&
         wire::AnswersRequest(frame, request) && frame.status == wire::Status::kOk;
    closesocket(s);
    if (!ok) return false;
    // Local time as milliseconds of the civil calendar since 1970 (FILETIME counts 100 ns
    // steps since 1601).
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    const long long host =
        static_cast<long long>(
            (ULARGE_INTEGER{{file.dwLowDateTime, file.dwHighDateTime}}.QuadPart) / 10000) -
        11644473600000LL;
    offset = wire::CivilMilliseconds(frame.time) - host;
    return true;
}

// Takes the endpoints from the environment and writes the first settings file before the
// library is first called: it must load the file without being asked.
class SimulatorEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        const char* udp = std::getenv("CTLSIM_UDP");
        const char* com = std::getenv("CTLSIM_WINE_COM");
        ASSERT_TRUE(udp != nullptr && com != nullptr)
            << "run through tools/ctlsim/with-ctlsim as standin_e2e.cmake does";
        g_com = std::atoi(com);
        for (std::string rest = udp; !rest.empty();) {
            const auto comma = rest.find(',');
            const std::string item = rest.substr(0, comma);
            rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
            const auto colon = item.rfind(':');
            g_endpoints.push_back({item.substr(0, colon), std::atoi(item.c_str() + colon + 1)});
        }
        ASSERT_EQ(g_endpoints.size(), static_cast<size_t>(kEndpointCount));
        WriteSettings(Screens(Roster()));
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new SimulatorEnvironment);

// The two imports, called as the tool calls them: through the thunk that works with a library
// of either calling convention. The program runs once beside each build of the stand-in.
tk::ImportedControllerLibrary g_library;

class StandinE2e : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(g_endpoints.size(), static_cast<size_t>(kEndpointCount)); }
    // Later tests start from the first settings file again.
    void TearDown() override {
        WriteSettings(Screens(Roster()));
        g_library.ReloadIniFile();
    }
};

TEST_F(StandinE2e, SetsTheClockOfEveryScreenThatAnswers) {
    const std::vector<ScreenCase> cases = Roster();
    for (size_t i = 0; i < cases.size(); ++i) {
        const ULONGLONG start = GetTickCount64();
        const int result = g_library.AdjustTime(static_cast<int>(i) + 1);
        const ULONGLONG took = GetTickCount64() - start;
        EXPECT_EQ(result != 0, cases[i].settable) << "screen " << i + 1 << ": " << cases[i].what;
        // No call blocks the window for long; one that hears nothing has tried twice.
        EXPECT_LT(took, 1000u) << "screen " << i + 1;
        if (std::string(cases[i].what) == "silent controller") {
            EXPECT_GE(took, 250u);
        }
    }
    const int count = static_cast<int>(cases.size());
    for (int n : {0, -1, count + 1, 300}) EXPECT_EQ(g_library.AdjustTime(n), 0) << n;

    // The clocks the library set run within a second of the PC's, though each started far off.
    struct Clock {
        Endpoint endpoint;
        int address;
        int model;
    };
    for (const Clock& c : {Clock{kPlain, 0, 21}, Clock{kShared, 1, 21}, Clock{kLate40, 0, 21},
                           Clock{kModel23, 3, 23}}) {
        long long offset = 0;
        ASSERT_TRUE(ReadClockOffset(g_endpoints[c.endpoint], c.address, c.model, offset))
            << c.endpoint;
        EXPECT_LT(std::llabs(offset), 1000) << "endpoint " << c.endpoint;
    }
}

TEST_F(StandinE2e, ReloadMakesLaterCallsUseTheFileAsItNowStands) {
    g_library.ReloadIniFile();
    ASSERT_NE(g_library.AdjustTime(1), 0);

    WriteSettings({Net(kShared, 2), Net(kPlain, 0)});
    g_library.ReloadIniFile();
    EXPECT_EQ(g_library.AdjustTime(1), 0);  // now the silent controller
    EXPECT_NE(g_library.AdjustTime(2), 0);
    EXPECT_EQ(g_library.AdjustTime(3), 0);  // beyond the new ScreenCount

    WriteSettings({Net(kShared, 2), Net(kRefusing, 0)});
    g_library.ReloadIniFile();
    EXPECT_EQ(g_library.AdjustTime(2), 0);  // NetPort now leads to the refusing controller

    // Saved as Unicode by an editor: read as the profile API reads it.
    WriteSettings({Net(kShared, 2), Net(kPlain, 0)});
    const std::string gbk = tk_test::ReadFileBytes(SettingsPath()).value_or("");
    tk_test::WriteFileBytes(SettingsPath(), tk_test::Utf16File(gbk));
    g_library.ReloadIniFile();
    EXPECT_EQ(g_library.AdjustTime(1), 0);
    EXPECT_NE(g_library.AdjustTime(2), 0);
    ::DeleteFileA(SettingsPath().c_str());  // the next test's file starts as GBK again
}

// An octet outside 0-255 names no address: the screen fails and nothing is sent, not even to
// the loopback address that carrying the octet into its neighbour would make.
TEST_F(StandinE2e, AnOctetOutside0To255IsRefusedWithoutAPacket) {
    const struct {
        const char* written;
        const char* carried;
    } cases[] = {{"127.0.0.300", "127.0.1.44"}, {"127.0.256.5", "127.1.0.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        const SOCKET sink = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = inet_addr(c.carried);
        int size = sizeof at;
        ASSERT_EQ(bind(sink, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
        ASSERT_EQ(getsockname(sink, reinterpret_cast<sockaddr*>(&at), &size), 0);
        Screen screen;
        screen.mode = 1;
        screen.udp = {c.written, ntohs(at.sin_port)};
        WriteSettings({screen});
        g_library.ReloadIniFile();
        EXPECT_EQ(g_library.AdjustTime(1), 0);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sink, &readable);
        timeval now{0, 0};
        EXPECT_EQ(select(0, &readable, nullptr, nullptr, &now), 0);
        closesocket(sink);
    }
}

// Records the status line.
class StatusLine final : public tk::IPassView {
public:
    std::vector<std::string> texts;
    void ShowScreen(const tk::ScreenOutcome& screen) override {
        texts.push_back(
            tk::ScreenResultText(screen.number, screen.failure == tk::ScreenFailure::kNone));
    }
    void ShowPassEnded(const tk::PassRecord& record) override {
        texts.push_back(tk::PassEndStatusText(record));
    }
};

class NoPump final : public tk::IMessagePump {
public:
    void PumpOne() override {}
};

std::string Format(const char* format, int a, int b = 0, int c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// A whole pass as the main window runs it: roster from the file, real echo probe, the DLL.
TEST_F(StandinE2e, PassReportsEachScreenAndTheSummary) {
    tk::IcmpProbe probe;
    if (!tk_test::ProbeOne(probe, "127.0.0.1"))
        GTEST_SKIP() << "ICMP echo is not permitted to this user";
    tk::Win32Profile settings(SettingsPath());
    tk::ScreenRoster roster;
    tk::LoadRoster(settings, roster);
    tk::SyncState state;
    tk::ImportedControllerLibrary library;
    StatusLine status;
    NoPump pump;
    tk::SystemClock clock;
    tk::TickClock ticks;
    tk::RunPass(roster, state, tk::PassServices{library, probe, status, pump, clock, ticks});

    const std::vector<ScreenCase> cases = Roster();
    std::vector<std::string> expected;
    int failures = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        expected.push_back(
            Format(cases[i].settable ? "状态：%d号屏校时成功！" : "状态：%d号屏校时失败！", n));
        if (!cases[i].settable) ++failures;
    }
    const int count = static_cast<int>(cases.size());
    expected.push_back(
        Format("此次校时共：%d张卡，其中%d张成功，%d张失败！", count, count - failures, failures));
    EXPECT_EQ(status.texts, expected);
    EXPECT_EQ(state.busy, 0);
}

}  // namespace
