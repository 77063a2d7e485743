// The metrics file end to end under Wine: TKAdjustTime.exe and the stand-in TK100_Dll.dll in a
// folder with a Chinese name, four network screens that ctlsim plays on loopback (three answer,
// one stays silent), a chronyd two seconds ahead as the time server, and Debian's node_exporter
// reading the folder that sMetricsFile points into; then two copies of the program in two
// folders, each with its own file in that one collector folder. The real main windows are
// driven as a user would; every check reads what node_exporter serves, one copy's series by its
// folder label. Run by tests/metrics/with-node-exporter inside tools/ctlsim/with-ctlsim and
// tests/chrony/with-chronyd (metrics_e2e.cmake), which hand over TK_NODE_EXPORTER,
// TK_TEXTFILE_DIR, TK_SCRAPE_DIR, CTLSIM_UDP and TK_CHRONY_SERVERS.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/gbk.h"
#include "core/screens/screen_section.h"
#include "core/store/atomic_file.h"
#include "core/store/screen_file_layout.h"
#include "core/store/win32_profile_win.h"
#include "resources/resource.h"
#include "tests/common/chrony_servers.h"
#include "tests/win/process_util.h"
#include "tests/win/socket_library.h"
#include "tests/win/win_test_util.h"

namespace {

testing::Environment* const kSocketLibrary =
    testing::AddGlobalTestEnvironment(new tk_test::SocketLibrary);

constexpr DWORD kTimeoutMs = 60000;
constexpr char kCaption[] = "TK自动校时(V3.4)";
// "大厅", "二楼" and "校时服务器:0" as UTF-8, the way the scrape must show them.
constexpr char kHallUtf8[] = "\xE5\xA4\xA7\xE5\x8E\x85";
constexpr char kUpstairsUtf8[] = "\xE4\xBA\x8C\xE6\xA5\xBC";  // "二楼"
constexpr char kNamedServerUtf8[] =
    "\xE6\xA0\xA1\xE6\x97\xB6\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8:0";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// GET /metrics of node_exporter at "address:port" over a plain HTTP/1.0 request; the body, or
// "" when it did not answer.
std::string Scrape(const std::string& endpoint) {
    const size_t colon = endpoint.find(':');
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr(endpoint.substr(0, colon).c_str());
    address.sin_port = htons(static_cast<u_short>(std::atoi(endpoint.c_str() + colon + 1)));
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    std::string response;
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET /metrics HTTP/1.0\r\nHost: " + endpoint + "\r\n\r\n";
        ::send(s, request.data(), static_cast<int>(request.size()), 0);
        char chunk[65536];
        int n;
        while ((n = ::recv(s, chunk, sizeof chunk, 0)) > 0) response.append(chunk, n);
    }
    ::closesocket(s);
    const size_t body = response.find("\r\n\r\n");
    return response.rfind("HTTP/1.0 200", 0) == 0 && body != std::string::npos
               ? response.substr(body + 4)
               : std::string();
}

// A scrape's samples: the series as node_exporter prints it (labels sorted by name) -> value.
std::map<std::string, double> Samples(const std::string& scrape) {
    std::map<std::string, double> samples;
    for (const std::string& line : Split(scrape, '\n')) {
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.rfind(' ');
        samples[line.substr(0, space)] = std::strtod(line.c_str() + space + 1, nullptr);
    }
    return samples;
}

// The samples of one metric name, any labels.
std::map<std::string, double> Family(const std::map<std::string, double>& samples,
                                     const std::string& name) {
    std::map<std::string, double> family;
    for (const auto& [series, value] : samples) {
        if (series == name || series.rfind(name + "{", 0) == 0) family[series] = value;
    }
    return family;
}

// One copy's samples: those whose folder label is folder (as the scrape escapes it), with that
// label taken out, and the exporter's own series, which have no folder. Every sample of the
// program's families must carry a folder.
std::map<std::string, double> OfFolder(const std::map<std::string, double>& samples,
                                       const std::string& folder) {
    const std::string label = "folder=\"" + folder + "\"";
    std::map<std::string, double> copy;
    for (const auto& [series, value] : samples) {
        const bool program = series.rfind("tk_sync_", 0) == 0;
        EXPECT_TRUE(!program || series.find("folder=\"") != std::string::npos) << series;
        const size_t at = series.find(label);
        if (at == std::string::npos) {
            if (!program) copy[series] = value;
            continue;
        }
        std::string rest = series;
        const size_t end = at + label.size();
        if (rest[end] == ',') {
            rest.erase(at, label.size() + 1);  // a label follows
        } else if (rest[at - 1] == ',') {
            rest.erase(at - 1, label.size() + 1);  // the last label
        } else {
            rest.erase(at - 1, label.size() + 2);  // the only one, with its braces
        }
        copy[rest] = value;
    }
    return copy;
}

// Keeps every scrape for promtool, which with-node-exporter runs on them afterwards.
void KeepForPromtool(const std::string& scrape, int number) {
    tk_test::WriteFileBytes(
        tk_test::WindowsPath(Env("TK_SCRAPE_DIR")) + "\\scrape-" + std::to_string(number) + ".txt",
        scrape);
}

double SecondsNow() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks) / 1e7 - 11644473600.0;
}

// The scrape once ready(samples) holds; the last one when it never did.
std::map<std::string, double> ScrapeUntil(
    const std::function<bool(const std::map<std::string, double>&)>& ready, std::string& scrape) {
    std::map<std::string, double> samples;
    tk_test::PollUntil(
        [&] {
            scrape = Scrape(Env("TK_NODE_EXPORTER"));
            samples = Samples(scrape);
            return ready(samples);
        },
        kTimeoutMs, 100);
    return samples;
}

const std::string kManualPasses = "tk_sync_passes_total{kind=\"manual\",outcome=\"set\"}";

// Waits for the count of manual passes to reach count.
auto ManualPasses(double count) {
    return [count](const std::map<std::string, double>& s) {
        return s.count(kManualPasses) != 0 && s.at(kManualPasses) == count;
    };
}

// Four network screens on ctlsim's endpoints, a chronyd, the metrics file in the collector's
// folder; automatic synchronisation on from the start, every five minutes, so that no automatic
// pass comes while the test runs.
void WriteSettings(const std::string& path, const std::vector<std::string>& endpoints,
                   const std::string& server, const std::string& metricsFile) {
    tk::Win32Profile p(path);
    p.WriteString(tk::kGlobalSection, tk::kScreenCountKey,
                  std::to_string(endpoints.size()).c_str());
    p.WriteString(tk::kGlobalSection, "bStart", "1");
    p.WriteString(tk::kGlobalSection, "nSel", "1");
    p.WriteString(tk::kGlobalSection, "Timer", "5");
    p.WriteString(tk::kGlobalSection, "sTimeServer", server.c_str());
    p.WriteString(tk::kGlobalSection, "sMetricsFile", metricsFile.c_str());
    for (size_t i = 0; i < endpoints.size(); ++i) {
        const std::string section = tk::ScreenSectionName(static_cast<int>(i));
        const size_t colon = endpoints[i].find(':');
        const std::vector<std::string> octets = Split(endpoints[i].substr(0, colon), '.');
        ASSERT_EQ(octets.size(), 4u);
        ASSERT_EQ(octets[0], "127");  // every address a test writes is on loopback
        p.WriteString(section.c_str(), tk::kCardTypeKey, "21");
        p.WriteString(section.c_str(), tk::kCardAddressKey, "0");
        p.WriteString(section.c_str(), tk::kCommunicationModeKey, "1");
        p.WriteString(section.c_str(), tk::kNetPortKey, endpoints[i].substr(colon + 1).c_str());
        for (int k = 0; k < 4; ++k) {
            p.WriteString(section.c_str(), tk::kIpAddressKeys[k], octets[k].c_str());
        }
    }
}

// The folder label of a folder as node_exporter prints it: UTF-8, backslashes escaped; the
// temporary folder is ASCII.
std::string FolderLabel(const std::string& asciiTemp, const char* nameUtf8) {
    std::string escaped;
    for (const char c : asciiTemp) escaped += c == '\\' ? "\\\\" : std::string(1, c);
    return escaped + "\\\\" + nameUtf8;
}

// A copy of the program and the stand-in library in a folder of its own (name as GBK) under
// temp, with its settings file; its metrics file in the collector's folder is removed with it.
class ProgramCopy {
public:
    ProgramCopy(const tk_test::TempDir& temp, const char* name, const std::string& metricsName,
                const std::vector<std::string>& endpoints, const std::string& server)
        : folder(temp.Path() + "\\" + name),
          exe(folder + "\\TKAdjustTime.exe"),
          settings(folder + "\\TK100_Dll_Set.ini"),
          metricsFile(tk_test::WindowsPath(Env("TK_TEXTFILE_DIR")) + "\\" + metricsName) {
        made = ::CreateDirectoryA(folder.c_str(), nullptr) &&
               ::CopyFileA(tk_test::WindowsPath(Env("TK_PROGRAM")).c_str(), exe.c_str(), FALSE) &&
               ::CopyFileA(tk_test::WindowsPath(Env("TK_LIBRARY")).c_str(),
                           (folder + "\\TK100_Dll.dll").c_str(), FALSE);
        WriteSettings(settings, endpoints, server, metricsFile);
    }
    ~ProgramCopy() {
        ::DeleteFileA(metricsFile.c_str());
        ::DeleteFileA(tk::TemporaryFileOf(metricsFile).c_str());
    }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    const std::string folder;
    const std::string exe;
    const std::string settings;
    const std::string metricsFile;
    bool made = false;
};

HWND MainWindowOf(const tk_test::ChildProcess& program) {
    HWND window = nullptr;
    tk_test::PollUntil(
        [&] {
            window = tk_test::VisibleWindowOf(program.Pid(), [](HWND candidate) {
                return tk_test::TextOf(candidate) == kCaption;
            });
            return window != nullptr || program.Ended(0);
        },
        kTimeoutMs, 50);
    return window;
}

// The program as an operator runs it: started, a manual pass, the time server changed to a name
// in Chinese and a second pass, closed; node_exporter is scraped after each step.
TEST(MetricsUnderWine, NodeExporterServesTheProgramsFile) {
    const std::vector<std::string> endpoints = Split(Env("CTLSIM_UDP"), ',');
    ASSERT_EQ(endpoints.size(), 4u) << "run through metrics_e2e.cmake's wrappers";
    const std::map<long, std::string> chronyds = tk_test::Chronyds();
    ASSERT_EQ(chronyds.count(2), 1u);
    const std::string server = chronyds.at(2);
    ASSERT_FALSE(Env("TK_TEXTFILE_DIR").empty());

    const tk_test::TempDir temp;
    ASSERT_TRUE(tk::IsAscii(temp.Path()));
    const ProgramCopy copy(temp, "大厅", "tk_sync.prom", endpoints, server);
    ASSERT_TRUE(copy.made);
    const std::string folder = FolderLabel(temp.Path(), kHallUtf8);
    const std::string& exe = copy.exe;
    const std::string& settings = copy.settings;
    // This copy's series, found by its folder.
    const auto ofHall = [&](const std::map<std::string, double>& all) {
        return OfFolder(all, folder);
    };

    const double launched = SecondsNow();
    std::string scrape;
    {
        tk_test::ChildProcess program(exe, copy.folder);
        ASSERT_TRUE(program.Started()) << program.StartError();
        const HWND window = MainWindowOf(program);
        ASSERT_NE(window, nullptr);

        // Before the first pass: the program and zero counts, no pass families.
        auto samples = ofHall(
            ScrapeUntil([&](const auto& s) { return ofHall(s).count("tk_sync_running"); }, scrape));
        KeepForPromtool(scrape, 1);
        EXPECT_EQ(samples["tk_sync_info{version=\"3.4\"}"], 1.0) << scrape;
        EXPECT_EQ(samples["tk_sync_running"], 1.0);
        EXPECT_GE(samples["tk_sync_start_time_seconds"], launched - 2);
        EXPECT_LE(samples["tk_sync_start_time_seconds"], SecondsNow() + 1);
        EXPECT_EQ(samples["tk_sync_automatic"], 1.0);
        EXPECT_EQ(samples["tk_sync_interval_seconds"], 300.0);
        EXPECT_EQ(samples["tk_sync_screens"], 4.0);
        EXPECT_EQ(samples.count("tk_sync_last_pass_end_time_seconds"), 0u);
        EXPECT_EQ(Family(samples, "tk_sync_screen_set").size(), 0u);
        EXPECT_EQ(Family(samples, "tk_sync_passes_total"),
                  (std::map<std::string, double>{
                      {"tk_sync_passes_total{kind=\"automatic\",outcome=\"refused\"}", 0},
                      {"tk_sync_passes_total{kind=\"automatic\",outcome=\"set\"}", 0},
                      {"tk_sync_passes_total{kind=\"manual\",outcome=\"refused\"}", 0},
                      {"tk_sync_passes_total{kind=\"manual\",outcome=\"set\"}", 0}}));
        EXPECT_EQ(samples["node_textfile_scrape_error"], 0.0);

        // A manual pass, clicked as a user clicks.
        const double clicked = SecondsNow();
        ::PostMessageA(::GetDlgItem(window, IDC_MANUAL), BM_CLICK, 0, 0);
        samples =
            ofHall(ScrapeUntil([&](const auto& s) { return ManualPasses(1)(ofHall(s)); }, scrape));
        KeepForPromtool(scrape, 2);
        const double passEnded = SecondsNow();
        EXPECT_EQ(samples["node_textfile_scrape_error"], 0.0) << scrape;
        EXPECT_EQ(samples["tk_sync_info{version=\"3.4\"}"], 1.0);
        EXPECT_EQ(samples["tk_sync_running"], 1.0);
        const double end = samples["tk_sync_last_pass_end_time_seconds"];
        EXPECT_GE(end, clicked - 1);
        EXPECT_LE(end, passEnded + 1);
        EXPECT_GE(samples["tk_sync_last_pass_duration_seconds"], 0.0);
        EXPECT_LE(samples["tk_sync_last_pass_duration_seconds"], 10.0);
        EXPECT_EQ(
            Family(samples, "tk_sync_last_pass_screens"),
            (std::map<std::string, double>{{"tk_sync_last_pass_screens{result=\"no_answer\"}", 0},
                                           {"tk_sync_last_pass_screens{result=\"no_reply\"}", 1},
                                           {"tk_sync_last_pass_screens{result=\"not_set\"}", 0},
                                           {"tk_sync_last_pass_screens{result=\"set\"}", 3}}));
        EXPECT_EQ(samples["tk_sync_last_pass_refused"], 0.0);
        std::map<std::string, double> screenSet;
        for (size_t i = 0; i < endpoints.size(); ++i) {
            screenSet["tk_sync_screen_set{address=\"" +
                      endpoints[i].substr(0, endpoints[i].find(':')) + "\",screen=\"" +
                      std::to_string(i + 1) + "\"}"] = i < 3 ? 1 : 0;
        }
        EXPECT_EQ(Family(samples, "tk_sync_screen_set"), screenSet);
        const auto lastSet = Family(samples, "tk_sync_screen_last_set_time_seconds");
        EXPECT_EQ(lastSet.size(), 3u);
        for (const char* screen : {"1", "2", "3"}) {
            const std::string series =
                std::string("tk_sync_screen_last_set_time_seconds{screen=\"") + screen + "\"}";
            ASSERT_EQ(lastSet.count(series), 1u) << series;
            EXPECT_GE(lastSet.at(series), clicked - 1);
            EXPECT_LE(lastSet.at(series), end);
        }
        EXPECT_EQ(Family(samples, "tk_sync_passes_total"),
                  (std::map<std::string, double>{
                      {"tk_sync_passes_total{kind=\"automatic\",outcome=\"refused\"}", 0},
                      {"tk_sync_passes_total{kind=\"automatic\",outcome=\"set\"}", 0},
                      {"tk_sync_passes_total{kind=\"manual\",outcome=\"refused\"}", 0},
                      {"tk_sync_passes_total{kind=\"manual\",outcome=\"set\"}", 1}}));
        const std::string byServer = "{server=\"" + server + "\"}";
        EXPECT_NEAR(samples["tk_sync_clock_offset_seconds" + byServer], 2.0, 0.1) << scrape;
        EXPECT_GE(samples["tk_sync_clock_measured_time_seconds" + byServer], clicked - 1);
        EXPECT_LE(samples["tk_sync_clock_measured_time_seconds" + byServer], end);
        EXPECT_EQ(Family(samples, "tk_sync_clock_check"),
                  (std::map<std::string, double>{
                      {"tk_sync_clock_check{server=\"" + server + "\",status=\"measured\"}", 1}}));
        EXPECT_EQ(samples["tk_sync_settings_writable"], 1.0);
        EXPECT_EQ(samples["tk_sync_log_writable"], 1.0);

        // A server named in Chinese (with a port that is none, so nothing is asked): shown as
        // it reads, and the measurement of the other server still stands, named by it.
        tk::Win32Profile(settings).WriteString(tk::kGlobalSection, "sTimeServer", "校时服务器:0");
        ::PostMessageA(::GetDlgItem(window, IDC_MANUAL), BM_CLICK, 0, 0);
        samples =
            ofHall(ScrapeUntil([&](const auto& s) { return ManualPasses(2)(ofHall(s)); }, scrape));
        KeepForPromtool(scrape, 3);
        EXPECT_EQ(Family(samples, "tk_sync_clock_check"),
                  (std::map<std::string, double>{{std::string("tk_sync_clock_check{server=\"") +
                                                      kNamedServerUtf8 + "\",status=\"not_found\"}",
                                                  1}}))
            << scrape;
        EXPECT_EQ(Family(samples, "tk_sync_clock_offset_seconds").size(), 1u);
        EXPECT_NEAR(samples["tk_sync_clock_offset_seconds" + byServer], 2.0, 0.1) << scrape;
        EXPECT_EQ(samples["node_textfile_scrape_error"], 0.0);

        // Closed as the close box closes it: the file says it no longer runs.
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(program.Ended(kTimeoutMs));
        EXPECT_EQ(program.ExitCode(), 0u);
    }
    auto samples = ofHall(Samples(scrape = Scrape(Env("TK_NODE_EXPORTER"))));
    KeepForPromtool(scrape, 4);
    EXPECT_EQ(samples["tk_sync_running"], 0.0) << scrape;
    EXPECT_EQ(samples[kManualPasses], 2.0);
    EXPECT_EQ(samples["node_textfile_scrape_error"], 0.0);
}

// Two copies of the program, in two folders with their own settings and their own files in the
// one collector folder: node_exporter serves both side by side, told apart by the folder label
// alone (with-node-exporter fails the run if node_exporter met a series twice). A pass in one
// copy moves its series only; closing one leaves the other running.
TEST(MetricsUnderWine, TwoCopiesInOneCollectorFolder) {
    const std::vector<std::string> endpoints = Split(Env("CTLSIM_UDP"), ',');
    ASSERT_EQ(endpoints.size(), 4u) << "run through metrics_e2e.cmake's wrappers";
    const std::map<long, std::string> chronyds = tk_test::Chronyds();
    ASSERT_EQ(chronyds.count(2), 1u);
    ASSERT_FALSE(Env("TK_TEXTFILE_DIR").empty());

    const tk_test::TempDir temp;
    ASSERT_TRUE(tk::IsAscii(temp.Path()));
    const ProgramCopy hall(temp, "大厅", "hall.prom", endpoints, chronyds.at(2));
    const ProgramCopy upstairs(temp, "二楼", "upstairs.prom", endpoints, chronyds.at(2));
    ASSERT_TRUE(hall.made && upstairs.made);
    const std::string hallFolder = FolderLabel(temp.Path(), kHallUtf8);
    const std::string upstairsFolder = FolderLabel(temp.Path(), kUpstairsUtf8);
    // Every sample of the program's families belongs to one of the two.
    const auto ownedByOne = [&](const std::map<std::string, double>& all) {
        size_t owned = 0;
        size_t programs = 0;
        for (const auto& entry : all) {
            if (entry.first.rfind("tk_sync_", 0) != 0) continue;
            ++programs;
            owned += entry.first.find("folder=\"" + hallFolder + "\"") != std::string::npos;
            owned += entry.first.find("folder=\"" + upstairsFolder + "\"") != std::string::npos;
        }
        return owned == programs;
    };
    const std::string running = "tk_sync_running";

    std::string scrape;
    {
        tk_test::ChildProcess hallProgram(hall.exe, hall.folder);
        tk_test::ChildProcess upstairsProgram(upstairs.exe, upstairs.folder);
        ASSERT_TRUE(hallProgram.Started()) << hallProgram.StartError();
        ASSERT_TRUE(upstairsProgram.Started()) << upstairsProgram.StartError();
        const HWND hallWindow = MainWindowOf(hallProgram);
        const HWND upstairsWindow = MainWindowOf(upstairsProgram);
        ASSERT_NE(hallWindow, nullptr);
        ASSERT_NE(upstairsWindow, nullptr);

        const auto bothServed = [&](const std::map<std::string, double>& s) {
            return OfFolder(s, hallFolder).count(running) != 0 &&
                   OfFolder(s, upstairsFolder).count(running) != 0;
        };
        auto all = ScrapeUntil(bothServed, scrape);
        KeepForPromtool(scrape, 11);
        // Without both, nothing further can be told apart.
        ASSERT_TRUE(bothServed(all)) << scrape;
        for (const std::string& folder : {hallFolder, upstairsFolder}) {
            auto copy = OfFolder(all, folder);
            EXPECT_EQ(copy["tk_sync_info{version=\"3.4\"}"], 1.0) << folder << scrape;
            EXPECT_EQ(copy[running], 1.0) << folder;
            EXPECT_EQ(copy[kManualPasses], 0.0) << folder;
        }
        EXPECT_EQ(Family(all, running).size(), 2u) << scrape;
        EXPECT_TRUE(ownedByOne(all)) << scrape;

        // A pass in the hall: its count and its screens move, upstairs nothing.
        ::PostMessageA(::GetDlgItem(hallWindow, IDC_MANUAL), BM_CLICK, 0, 0);
        all = ScrapeUntil([&](const auto& s) { return ManualPasses(1)(OfFolder(s, hallFolder)); },
                          scrape);
        KeepForPromtool(scrape, 12);
        auto hallSeries = OfFolder(all, hallFolder);
        auto upstairsSeries = OfFolder(all, upstairsFolder);
        EXPECT_EQ(hallSeries[kManualPasses], 1.0) << scrape;
        EXPECT_EQ(Family(hallSeries, "tk_sync_screen_set").size(), 4u);
        EXPECT_EQ(hallSeries["tk_sync_last_pass_screens{result=\"set\"}"], 3.0);
        EXPECT_EQ(upstairsSeries[kManualPasses], 0.0);
        EXPECT_EQ(Family(upstairsSeries, "tk_sync_screen_set").size(), 0u);
        EXPECT_EQ(upstairsSeries.count("tk_sync_last_pass_end_time_seconds"), 0u);
        EXPECT_TRUE(ownedByOne(all)) << scrape;

        // Upstairs closed: its file says so, the hall's still runs with its pass.
        ::PostMessageA(upstairsWindow, WM_CLOSE, 0, 0);
        ASSERT_TRUE(upstairsProgram.Ended(kTimeoutMs));
        EXPECT_EQ(upstairsProgram.ExitCode(), 0u);
        all = ScrapeUntil(
            [&](const auto& s) {
                const auto copy = OfFolder(s, upstairsFolder);
                return copy.count(running) != 0 && copy.at(running) == 0;
            },
            scrape);
        KeepForPromtool(scrape, 13);
        hallSeries = OfFolder(all, hallFolder);
        upstairsSeries = OfFolder(all, upstairsFolder);
        EXPECT_EQ(upstairsSeries[running], 0.0) << scrape;
        EXPECT_EQ(hallSeries[running], 1.0);
        EXPECT_EQ(hallSeries[kManualPasses], 1.0);
        EXPECT_EQ(all["node_textfile_scrape_error"], 0.0);
        EXPECT_TRUE(ownedByOne(all)) << scrape;

        ::PostMessageA(hallWindow, WM_CLOSE, 0, 0);
        ASSERT_TRUE(hallProgram.Ended(kTimeoutMs));
        EXPECT_EQ(hallProgram.ExitCode(), 0u);
    }
}

}  // namespace
