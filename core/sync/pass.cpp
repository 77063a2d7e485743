#include "core/sync/pass.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/probe/probe_ahead.h"

namespace tk {

namespace {

// Status text for one screen, success or failure.
std::string ScreenResultText(int screenNumber, bool success) {
    char text[64];
    std::snprintf(text, sizeof text, success ? "状态：%d号屏校时成功！" : "状态：%d号屏校时失败！",
                  screenNumber);
    return text;
}

// Summary text at the end of a pass.
std::string PassSummaryText(int count, int failures) {
    char text[128];
    std::snprintf(text, sizeof text, "此次校时共：%d张卡，其中%d张成功，%d张失败！", count,
                  count - failures, failures);
    return text;
}

// The clock check of one pass: started with the pass, read at the first library call or, when
// no screen gets that far, at the end.
class ClockGate {
public:
    explicit ClockGate(IClockCheck* check) : m_check(check) {
        if (m_check) m_check->Begin();
    }
    // False once the check forbids spreading the PC's clock.
    bool Open() {
        if (!m_reading && m_check) m_reading = m_check->Await();
        return !m_reading || VerdictOf(*m_reading) == ClockVerdict::kSpread;
    }
    bool Refused() const { return m_reading && VerdictOf(*m_reading) != ClockVerdict::kSpread; }
    const std::optional<ClockReading>& Reading() const { return m_reading; }

private:
    IClockCheck* m_check;
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

// The pass itself; the journal gets the whole record once the summary is shown, so a log
// write never comes between two screens.
void Run(const ScreenRoster& roster, SyncState& state, const PassServices& services,
         IPassJournal* journal, bool manual) {
    state.busy = 1;
    state.elapsed = 0;
    PassRecord record;
    record.manual = manual;
    if (journal) record.started = services.clock.Now();
    int failures = 0;
    // The table holds kMaxScreens entries; the loader keeps the count within it.
    const int32_t visited = std::min(roster.count, kMaxScreens);
    if (journal) record.screens.reserve(static_cast<size_t>(std::max(visited, 0)));
    ProbeAhead probe(roster, std::max(visited, 0), services.probe);
    ClockGate gate(services.clockCheck);
    for (int32_t i = 0; i < visited; ++i) {
        const int screenNumber = i + 1;
        const ScreenEntry& entry = roster.entries[i];
        const ScreenFailure failure = AdjustScreen(entry, i, probe, services, gate);
        if (gate.Refused()) break;
        const bool success = failure == ScreenFailure::kNone;
        if (!success) ++failures;
        std::string text = ScreenResultText(screenNumber, success);
        services.status.SetStatusText(text);
        if (journal) {
            record.screens.push_back({services.clock.Now(), screenNumber, entry.network != 0,
                                      entry.network ? AddressText(entry) : std::string(),
                                      std::move(text), failure});
        }
        services.pump.PumpOne();
    }
    // A refused pass tells why instead of its figures; what its probes found before is dropped,
    // as no screen was set.
    record.refused = !gate.Open();  // reads the check now if no screen got to the library
    if (gate.Reading()) record.clockLine = ClockCheckLine(*gate.Reading());
    if (record.refused) {
        record.screens.clear();
        failures = 0;
        record.summary = ClockRefusalText(*gate.Reading());
    } else {
        record.summary = PassSummaryText(roster.count, failures);
    }
    if (record.refused) {
        services.status.SetRefusalText(ClockRefusalStatusText(*gate.Reading()));
    } else {
        services.status.SetStatusText(record.summary);
    }
    state.busy = 0;
    if (journal) {
        record.ended = services.clock.Now();
        record.count = roster.count;
        record.failures = failures;
        journal->PassEnded(record);
    }
}

}  // namespace

void RunPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
             IPassJournal* journal) {
    Run(roster, state, services, journal, false);
}

void RunManualPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
                   IManualPassView& view, IPassJournal* journal) {
    view.ShowManualPassRunning(true);
    Run(roster, state, services, journal, true);
    view.ShowManualPassRunning(false);
}

}  // namespace tk
