#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/probe/probe.h"
#include "core/screens/roster.h"
#include "core/sync/clock_text.h"
#include "core/sync/pass.h"
#include "core/sync/pass_texts.h"
#include "tests/common/probe_one.h"
#include "tests/native/private_network.h"

namespace {

// One probe of 127.0.0.1 that answers: socket, options, send, and the wait until
// the looped-back traffic arrives. Runs in a private network namespace with loopback up, so the
// flood of requests stays out of the machine's own loopback.
void BM_ProbeAnsweringLoopback(benchmark::State& state) {
    tk::test::PrivateNetwork network;
    if (!network.Made() || !network.BringLoopbackUp()) {
        state.SkipWithError("network namespaces need root");
        return;
    }
    tk::IcmpProbe probe;
    for (auto _ : state) {
        if (!tk_test::ProbeOne(probe, "127.0.0.1")) {
            state.SkipWithError("127.0.0.1 did not answer (raw ICMP needs root)");
            break;
        }
    }
}
BENCHMARK(BM_ProbeAnsweringLoopback)->Unit(benchmark::kMicrosecond);

// The system's probe with the time from its send until the socket became readable taken
// apart: the part of a probe that ping's round-trip time also measures.
class RoundTripTimer : public tk::IProbeSystem {
public:
    std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
        auto socket = tk::SystemProbe().OpenSocket();
        if (socket == nullptr) return nullptr;
        return std::make_unique<TimedSocket>(std::move(socket), m_roundTrip);
    }

    double RoundTripSeconds() const { return m_roundTrip; }

private:
    class TimedSocket : public tk::IEchoSocket {
    public:
        TimedSocket(std::unique_ptr<tk::IEchoSocket> socket, double& roundTrip)
            : m_socket(std::move(socket)), m_roundTrip(roundTrip) {}
        bool SetTimeouts(int milliseconds) override { return m_socket->SetTimeouts(milliseconds); }
        void Send(std::uint32_t address, const tk::EchoRequest& packet) override {
            m_sent = std::chrono::steady_clock::now();
            m_socket->Send(address, packet);
        }
        bool Receive(int microseconds, tk::IcmpMessage& message) override {
            const bool read = m_socket->Receive(microseconds, message);
            if (read && message.type == tk::kEchoReplyType) {
                m_roundTrip =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - m_sent)
                        .count();
            }
            return read;
        }

    private:
        std::unique_ptr<tk::IEchoSocket> m_socket;
        double& m_roundTrip;
        std::chrono::steady_clock::time_point m_sent;
    };

    double m_roundTrip = 0;
};

// Send to the echo reply only, of the same probes as above (manual time: the rest of each probe,
// socket, options and release, is left out).
void BM_ProbeRoundTripOnly(benchmark::State& state) {
    tk::test::PrivateNetwork network;
    if (!network.Made() || !network.BringLoopbackUp()) {
        state.SkipWithError("network namespaces need root");
        return;
    }
    RoundTripTimer system;
    tk::IcmpProbe probe(system);
    for (auto _ : state) {
        if (!tk_test::ProbeOne(probe, "127.0.0.1")) {
            state.SkipWithError("127.0.0.1 did not answer (raw ICMP needs root)");
            break;
        }
        state.SetIterationTime(system.RoundTripSeconds());
    }
}
BENCHMARK(BM_ProbeRoundTripOnly)->Unit(benchmark::kMicrosecond)->UseManualTime();

// One probe of a host that never answers: 127.0.0.1 inside a private network namespace whose
// loopback is down, so the whole 100 ms wait runs out every time.
void BM_ProbeSilentHost(benchmark::State& state) {
    tk::test::PrivateNetwork network;
    if (!network.Made()) {
        state.SkipWithError("network namespaces need root");
        return;
    }
    tk::IcmpProbe probe;
    for (auto _ : state) {
        if (tk_test::ProbeOne(probe, "127.0.0.1")) {
            state.SkipWithError("the silent host answered");
            break;
        }
    }
}
BENCHMARK(BM_ProbeSilentHost)->Unit(benchmark::kMillisecond)->Iterations(10);

// Ports that cost nothing: every probe answers, every library call succeeds at once.
class InstantServices : public tk::IControllerLibrary,
                        public tk::IProbe,
                        public tk::IPassView,
                        public tk::IMessagePump {
public:
    int AdjustTime(int screenNumber) override { return screenNumber; }
    void ReloadIniFile() override {}
    std::vector<bool> ProbeAll(const std::vector<std::uint32_t>& addresses) override {
        return std::vector<bool>(addresses.size(), true);
    }
    // The texts the status line builds, as in the program.
    void ShowScreen(const tk::ScreenOutcome& screen) override {
        m_status = tk::ScreenResultText(screen.number, screen.failure == tk::ScreenFailure::kNone);
    }
    void ShowPassEnded(const tk::PassRecord& record) override {
        m_status = tk::PassEndStatusText(record);
    }
    void PumpOne() override {}

    const std::string& Status() const { return m_status; }

private:
    std::string m_status;
};

// The pass's own cost per screen (texts, loop, calls through the services), half network screens.
void BM_PassPerScreen(benchmark::State& state) {
    tk::ScreenRoster roster;
    roster.count = static_cast<int32_t>(state.range(0));
    for (int32_t i = 0; i < roster.count; ++i) {
        roster.entries[i].number = i + 1;
        roster.entries[i].network = i % 2;
        tk::SetAddress(roster.entries[i], "192.168.1." + std::to_string(i % 256));
    }
    InstantServices services;
    tk::SystemClock clock;  // stamps the record, as in the program
    tk::TickClock ticks;
    const tk::PassServices passServices{services, services, services, services, clock, ticks};
    tk::SyncState sync;
    for (auto _ : state) {
        tk::RunPass(roster, sync, passServices);
        benchmark::DoNotOptimize(services.Status().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PassPerScreen)->Arg(1)->Arg(30)->Arg(tk::kMaxScreens);

}  // namespace
