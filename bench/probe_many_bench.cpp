// Times the probe of many network screens and checks its answers against probing them one at a
// time. Built for the host and for Windows; bench/probe_many runs it as root in a network
// namespace where 127.1.0.0/16 answers and 127.2.0.0/16 stays silent (its replies blackholed):
//   probe_many_bench [runs]   prints one key=value line per figure and per mix, exits 1 when a
//                             mix's answers differ
//   probe_many_bench --hosts  prints the 300 addresses of the mixed roster, for fping
//   probe_many_bench --unprivileged [runs]
//                             the same through the means that needs no rights (the ICMP helper
//                             on Windows, a ping socket elsewhere) instead of the raw socket
#ifdef _WIN32
#include <winsock2.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/probe/probe.h"
#include "core/screens/roster.h"
#include "core/sync/clock_text.h"
#include "core/sync/pass.h"
#include "tests/common/probe_one.h"

namespace {

constexpr int kScreens = 300;
constexpr int kSilentOfMixed = 50;
// The old way, one probe after another, is timed on this many silent hosts and scaled.
constexpr int kOneAtATimeHosts = 20;

// One screen of a layout: the k-th answering or silent address.
std::string Address(bool silent, int k) {
    char text[32];
    std::snprintf(text, sizeof text, "127.%d.%d.%d", silent ? 2 : 1, k / 250, k % 250 + 1);
    return text;
}

// Addresses for a pattern of silent screens, each address used once.
std::vector<std::string> Hosts(const std::vector<bool>& silent) {
    std::vector<std::string> hosts;
    int answering = 0, quiet = 0;
    for (const bool s : silent) hosts.push_back(Address(s, s ? quiet++ : answering++));
    return hosts;
}

// The hosts' addresses, read as the pass reads them.
std::vector<std::uint32_t> Addresses(const std::vector<std::string>& hosts) {
    std::vector<std::uint32_t> addresses(hosts.size());
    for (std::size_t k = 0; k < hosts.size(); ++k) {
        const auto octets = tk::ReadDottedAddress(hosts[k], tk::DottedRule::kExact);
        if (octets) addresses[k] = tk::NetworkOrder(*octets);
    }
    return addresses;
}

// 300 screens, 50 of them silent at irregular places (37 is prime to 300, so exactly 50 of the
// products fall below 50).
std::vector<bool> ScatteredSilent() {
    std::vector<bool> silent(kScreens);
    for (int i = 0; i < kScreens; ++i) silent[i] = (i * 37) % kScreens < kSilentOfMixed;
    return silent;
}

// The system's probe with the means that needs no rights in place of the raw socket.
class UnprivilegedSystem : public tk::IProbeSystem {
public:
    std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
        return tk::OpenUnprivilegedEchoSocket();
    }
};

// The system every probe of this run uses.
tk::IProbeSystem* g_system = &tk::SystemProbe();

// A library that sets every clock at once, and a window that shows nothing.
class InstantServices : public tk::IControllerLibrary,
                        public tk::IPassView,
                        public tk::IMessagePump,
                        public tk::IClock,
                        public tk::IPassSink {
public:
    int AdjustTime(int) override { return 1; }
    void ReloadIniFile() override {}
    void ShowScreen(const tk::ScreenOutcome&) override {}
    void ShowPassEnded(const tk::PassRecord&) override {}
    void PumpOne() override {}
    int64_t Now() override { return 0; }
    bool ToLocalTime(int64_t, std::tm&) override { return false; }
    void PassEnded(const tk::PassRecord& record) override { m_record = record; }

    const tk::PassRecord& Record() const { return m_record; }

private:
    tk::PassRecord m_record;
};

// One pass over network screens at these addresses; element k tells whether screen k+1 passed.
std::vector<bool> RunPass(const std::vector<std::string>& hosts) {
    auto roster = std::make_unique<tk::ScreenRoster>();
    roster->count = static_cast<int32_t>(hosts.size());
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        tk::ScreenEntry& entry = roster->entries[i];
        entry.number = static_cast<int32_t>(i + 1);
        entry.network = 1;
        tk::SetAddress(entry, hosts[i]);
    }
    tk::IcmpProbe probe(*g_system);
    InstantServices services;
    tk::TickClock ticks;
    const tk::PassServices passServices{services, probe, services, services, services, ticks};
    tk::SyncState state;
    const tk::PassRecord record = tk::RunPass(*roster, state, passServices);
    std::vector<bool> passed;
    for (const tk::ScreenOutcome& screen : record.screens)
        passed.push_back(screen.failure == tk::ScreenFailure::kNone);
    return passed;
}

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Milliseconds of each of `runs` runs of work, sorted.
std::vector<double> TimesMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(Ms(std::chrono::steady_clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times;
}

void PrintTimes(const std::vector<double>& sorted) {
    std::printf(" median_ms=%.2f min_ms=%.2f max_ms=%.2f", sorted[sorted.size() / 2],
                sorted.front(), sorted.back());
}

int Count(const std::vector<bool>& values) {
    return static_cast<int>(std::count(values.begin(), values.end(), true));
}

// The whole pass over 300 silent screens, and the old way on a few of them.
void TimeAllSilent(int runs) {
    const std::vector<std::string> hosts = Hosts(std::vector<bool>(kScreens, true));
    std::vector<bool> passed;
    std::printf("silent-pass screens=%d runs=%d", kScreens, runs);
    PrintTimes(TimesMs(runs, [&] { passed = RunPass(hosts); }));
    std::printf(" passed=%d\n", Count(passed));

    tk::IcmpProbe probe(*g_system);
    int answered = 0;
    std::vector<double> each;
    for (int i = 0; i < kOneAtATimeHosts; ++i) {
        each.push_back(
            TimesMs(1, [&] { answered += tk_test::ProbeOne(probe, hosts[i].c_str()); }).front());
    }
    std::sort(each.begin(), each.end());
    std::printf("silent-one-at-a-time hosts=%d", kOneAtATimeHosts);
    PrintTimes(each);
    std::printf(" scaled_%d_ms=%.0f answered=%d\n", kScreens, each[each.size() / 2] * kScreens,
                answered);
}

// 300 screens with 50 silent among them: one batch probe (what fping is set against), and the
// pass over the same screens.
void TimeMixed(int runs) {
    const std::vector<std::string> hosts = Hosts(ScatteredSilent());
    const std::vector<std::uint32_t> addresses = Addresses(hosts);
    tk::IcmpProbe probe(*g_system);
    std::vector<bool> answered;
    std::printf("mixed-probe-all hosts=%d silent=%d runs=%d", kScreens, kSilentOfMixed, runs);
    PrintTimes(TimesMs(runs, [&] { answered = probe.ProbeAll(addresses); }));
    std::printf(" answered=%d\n", Count(answered));
    std::printf("mixed-pass screens=%d silent=%d runs=%d", kScreens, kSilentOfMixed, runs);
    PrintTimes(TimesMs(runs, [&] { answered = RunPass(hosts); }));
    std::printf(" passed=%d\n", Count(answered));
}

// The batch probe and the pass give each screen the answer it gets probed alone. Returns
// whether they all agree and match the layout.
bool CompareMix(const char* name, const std::vector<bool>& silent) {
    const std::vector<std::string> hosts = Hosts(silent);
    tk::IcmpProbe probe(*g_system);
    std::vector<bool> alone, expected;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        alone.push_back(tk_test::ProbeOne(probe, hosts[i].c_str()));
        expected.push_back(!silent[i]);
    }
    const std::vector<bool> batch = probe.ProbeAll(Addresses(hosts));
    const std::vector<bool> pass = RunPass(hosts);
    const bool equal = batch == alone && pass == alone;
    std::printf(
        "mix name=%s screens=%zu silent=%d answering_expected=%d one_at_a_time=%d batch=%d "
        "pass=%d layout_held=%s equal=%s\n",
        name, hosts.size(), static_cast<int>(hosts.size()) - Count(expected), Count(expected),
        Count(alone), Count(batch), Count(pass), alone == expected ? "yes" : "no",
        equal ? "yes" : "no");
    return equal && alone == expected;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--hosts") == 0) {
        for (const std::string& host : Hosts(ScatteredSilent())) std::printf("%s\n", host.c_str());
        return 0;
    }
    UnprivilegedSystem unprivileged;
    if (argc > 1 && std::strcmp(argv[1], "--unprivileged") == 0) {
        g_system = &unprivileged;
        --argc;
        ++argv;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
#ifdef _WIN32
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
#endif
    // The first probe loads what the socket layer loads on first use.
    tk_test::ProbeOne(tk::IcmpProbe(*g_system), Address(false, 0).c_str());
    TimeAllSilent(runs);
    TimeMixed(runs);

    // The one-at-a-time probes wait 100 ms for each silent screen, so the mixes hold at most
    // 50 silent ones.
    std::vector<bool> alternating(100);
    for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = i % 2 == 1;
    bool ok = CompareMix("all-answer", std::vector<bool>(kScreens, false));
    ok = CompareMix("all-silent", std::vector<bool>(kSilentOfMixed, true)) && ok;
    ok = CompareMix("alternating", alternating) && ok;
    ok = CompareMix("scattered", ScatteredSilent()) && ok;
    std::fflush(stdout);
#ifdef _WIN32
    ::WSACleanup();
#endif
    return ok ? 0 : 1;
}
