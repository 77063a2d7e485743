#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/pass.h"
#include "core/probe.h"
#include "core/roster.h"
#include "tests/native/private_network.h"

namespace {

// One probe of 127.0.0.1 that answers: socket, options, resolution, send, and the wait until
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
        if (!probe.Probe("127.0.0.1")) {
            state.SkipWithError("127.0.0.1 did not answer (raw ICMP needs root)");
            break;
        }
    }
}
BENCHMARK(BM_ProbeAnsweringLoopback)->Unit(benchmark::kMicrosecond);

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
        if (probe.Probe("127.0.0.1")) {
            state.SkipWithError("the silent host answered");
            break;
        }
    }
}
BENCHMARK(BM_ProbeSilentHost)->Unit(benchmark::kMillisecond)->Iterations(10);

// Ports that cost nothing: every probe answers, every library call succeeds at once.
class InstantServices : public tk::IControllerLibrary,
                     public tk::IProbe,
                     public tk::IStatusView,
                     public tk::IMessagePump {
public:
    int AdjustTime(int screenNumber) override { return screenNumber; }
    void ReloadIniFile() override {}
    bool Probe(const char* host) override { return host[0] != '\0'; }
    void SetStatusText(const std::string& text) override { m_status = text; }
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
        std::snprintf(roster.entries[i].address, sizeof roster.entries[i].address, "192.168.1.%d",
                      i % 256);
    }
    InstantServices services;
    const tk::PassServices passServices{services, services, services, services};
    tk::SyncState sync;
    for (auto _ : state) {
        tk::RunPass(roster, sync, passServices);
        benchmark::DoNotOptimize(services.Status().data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PassPerScreen)->Arg(1)->Arg(30)->Arg(tk::kMaxScreens);

}  // namespace
