#include "core/sync/pass.h"

#include <algorithm>
#include <optional>

#include "core/sync/probe_ahead.h"

namespace tk {

namespace {

// The clock check of one pass: its rules taken and the check begun with the pass, read at the
// first library call or, when no screen gets that far, at the end.
class ClockGate {
public:
    ClockGate(IClockCheck* check, IClockRules* rules, bool manual)
        : m_check(check), m_manual(manual) {
        if (!m_check) return;
        if (rules) m_rules = rules->ForPass();
        m_check->Begin();
    }
    // False once the check forbids spreading the PC's clock.
    bool Open() {
        if (!m_reading && m_check) m_reading = m_check->Await(m_manual);
        return !Refused();
    }
    bool Refused() const {
        return m_reading && VerdictOf(*m_reading, m_rules) != ClockVerdict::kSpread;
    }
    const std::optional<ClockReading>& Reading() const { return m_reading; }
    const ClockRules& Rules() const { return m_rules; }

private:
    IClockCheck* m_check;
    bool m_manual;
    ClockRules m_rules;
    std::optional<ClockReading> m_reading;
};

// Probes a network screen first; asks the library to set the clock of a reachable or serial one.
// The first call waits for the clock check, which may forbid every call.
ScreenFailure AdjustScreen(const ScreenEntry& entry, int32_t index, ProbeAhead& probe,
                           const PassServices& services, ClockGate& gate) {
    if (entry.network && !probe.Reachable(index)) return ScreenFailure::kNoAnswer;
    if (!gate.Open()) return ScreenFailure::kNone;
    return services.library.AdjustTime(index + 1) != 0 ? ScreenFailure::kNone
                                                       : ScreenFailure::kNoReply;
}

}  // namespace

// The sinks get the whole record once the end is shown, so a log write never comes between
// two screens.
PassRecord RunPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
                   bool manual) {
    state.busy = 1;
    state.elapsed = 0;
    PassRecord record;
    record.manual = manual;
    record.started = services.clock.Now();
    const int64_t startedMs = services.ticks.Milliseconds();
    // The table holds kMaxScreens entries; the loader keeps the count within it.
    const int32_t visited = std::min(roster.count, kMaxScreens);
    record.screens.reserve(static_cast<size_t>(std::max(visited, 0)));
    ProbeAhead probe(roster, std::max(visited, 0), services.probe, services.ticks);
    ClockGate gate(services.clockCheck, services.clockRules, manual);
    for (int32_t i = 0; i < visited; ++i) {
        const ScreenEntry& entry = roster.entries[i];
        const ScreenFailure failure = AdjustScreen(entry, i, probe, services, gate);
        if (gate.Refused()) break;
        if (failure != ScreenFailure::kNone) ++record.failures;
        record.screens.push_back({services.clock.Now(), i + 1, entry.network != 0,
                                  entry.network ? AddressText(entry) : std::string(), failure});
        services.status.ShowScreen(record.screens.back());
        services.pump.PumpOne();
    }
    // A refused pass tells why instead of its figures; what its probes found before is dropped,
    // as no screen was set.
    gate.Open();  // reads the check now if no screen got to the library
    record.clock = gate.Reading();
    record.clockRules = gate.Rules();
    if (record.clock) record.verdict = VerdictOf(*record.clock, record.clockRules);
    if (record.Refused()) {
        record.screens.clear();
        record.failures = 0;
    }
    record.count = roster.count;
    record.program = {state.running != 0, services.intervalShown.value_or(state.interval),
                      roster.count};
    services.status.ShowPassEnded(record);
    state.busy = 0;
    record.ended = services.clock.Now();
    record.durationMs = services.ticks.Milliseconds() - startedMs;
    for (IPassSink* sink : services.sinks) sink->PassEnded(record);
    return record;
}

}  // namespace tk
