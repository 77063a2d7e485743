#include "core/pass.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

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

// The address text of a network screen.
std::string HostOf(const ScreenEntry& entry) {
    return std::string(entry.address, strnlen(entry.address, sizeof entry.address));
}

// The probe's answers for the network screens of one pass. Each screen's address text is read
// once, when the pass begins; a text that is no address is unreachable without a probe. At a
// network screen's turn its answer is used if it is fresh; otherwise the screen is probed again
// together with the next network screens whose answers are missing or stale, so that silent
// screens share one wait. An answer's age counts from the start of the probe that gave it. The
// first probe of a pass takes every network screen from there on; a later one takes at most
// twice as many as the pass got through since the probe before, enough for the time an answer
// stays fresh without probing far ahead of slow library calls.
class ProbeAhead {
public:
    ProbeAhead(const ScreenRoster& roster, int32_t visited, IProbe& probe)
        : m_visited(visited), m_probe(probe), m_screens(static_cast<std::size_t>(visited)) {
        for (int32_t j = 0; j < visited; ++j) {
            const ScreenEntry& entry = roster.entries[j];
            Screen& screen = m_screens[static_cast<std::size_t>(j)];
            screen.readable =
                entry.network && ReadDottedAddress(HostOf(entry).c_str(), screen.address);
        }
    }

    bool Reachable(int32_t index) {
        const Screen& screen = m_screens[static_cast<std::size_t>(index)];
        if (screen.readable) {
            const std::uint32_t now = m_probe.Milliseconds();
            if (!Fresh(screen, now)) ProbeFrom(index, now);
        }
        ++m_decidedSinceProbe;
        return screen.reachable;  // never probed, and so false, for an unreadable text
    }

private:
    struct Screen {
        bool readable = false;  // a network screen whose text reads as an address
        std::uint32_t address = 0;
        bool known = false;
        bool reachable = false;
        std::uint32_t askedAt = 0;  // when the probe that gave the answer began
    };

    static bool Fresh(const Screen& screen, std::uint32_t now) {
        return screen.known && now - screen.askedAt <= kProbeAnswerFreshMs;
    }

    // `start` is read before the probe, so its time counts towards the answers' age.
    void ProbeFrom(int32_t index, std::uint32_t start) {
        const int32_t most = m_probed ? std::max(1, 2 * m_decidedSinceProbe) : m_visited;
        std::vector<std::size_t> probed;
        std::vector<std::uint32_t> addresses;
        for (int32_t j = index; j < m_visited && static_cast<int32_t>(probed.size()) < most; ++j) {
            const Screen& screen = m_screens[static_cast<std::size_t>(j)];
            if (!screen.readable || (j != index && Fresh(screen, start))) continue;
            probed.push_back(static_cast<std::size_t>(j));
            addresses.push_back(screen.address);
        }
        const std::vector<bool> reachable = m_probe.ProbeAll(addresses);
        for (std::size_t k = 0; k < probed.size(); ++k) {
            Screen& screen = m_screens[probed[k]];
            screen.known = true;
            screen.reachable = k < reachable.size() && reachable[k];
            screen.askedAt = start;
        }
        m_probed = true;
        m_decidedSinceProbe = 0;
    }

    int32_t m_visited;
    IProbe& m_probe;
    std::vector<Screen> m_screens;
    bool m_probed = false;
    int32_t m_decidedSinceProbe = 0;
};

// Probes a network screen first; asks the library to set the clock of a reachable or serial one.
ScreenFailure AdjustScreen(const ScreenEntry& entry, int32_t index, ProbeAhead& probe,
                           const PassServices& services) {
    if (entry.network && !probe.Reachable(index)) return ScreenFailure::kNoAnswer;
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
    for (int32_t i = 0; i < visited; ++i) {
        const int screenNumber = i + 1;
        const ScreenEntry& entry = roster.entries[i];
        const ScreenFailure failure = AdjustScreen(entry, i, probe, services);
        const bool success = failure == ScreenFailure::kNone;
        if (!success) ++failures;
        std::string text = ScreenResultText(screenNumber, success);
        services.status.SetStatusText(text);
        if (journal) {
            record.screens.push_back({services.clock.Now(), screenNumber, entry.network != 0,
                                      entry.network ? HostOf(entry) : std::string(),
                                      std::move(text), failure});
        }
        services.pump.PumpOne();
    }
    record.summary = PassSummaryText(roster.count, failures);
    services.status.SetStatusText(record.summary);
    state.busy = 0;
    if (journal) {
        record.ended = services.clock.Now();
        record.count = roster.count;
        record.failures = failures;
        journal->PassEnded(record);
    }
}

}  // namespace

// Digits only, each number at most 255 and without a leading zero, exactly four of them.
bool ReadDottedAddress(const char* text, std::uint32_t& address) {
    std::uint8_t bytes[4];
    const char* c = text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *c++ != '.') return false;
        if (*c < '0' || *c > '9') return false;
        unsigned value = 0;
        const char* first = c;
        while (*c >= '0' && *c <= '9' && c - first < 3) value = value * 10 + (*c++ - '0');
        if (value > 255 || (*first == '0' && c - first > 1)) return false;
        bytes[part] = static_cast<std::uint8_t>(value);
    }
    if (*c != '\0') return false;
    std::memcpy(&address, bytes, sizeof address);
    return true;
}

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
