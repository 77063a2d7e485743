#include "core/sync/probe_ahead.h"

#include <algorithm>
#include <cstddef>

namespace tk {

ProbeAhead::ProbeAhead(const ScreenRoster& roster, int32_t visited, IProbe& probe,
                       IMonotonicClock& clock)
    : m_visited(visited),
      m_probe(probe),
      m_clock(clock),
      m_screens(static_cast<std::size_t>(visited)) {
    for (int32_t j = 0; j < visited; ++j) {
        const ScreenEntry& entry = roster.entries[j];
        Screen& screen = m_screens[static_cast<std::size_t>(j)];
        screen.readable = entry.network && entry.ipv4.has_value();
        screen.address = entry.ipv4.value_or(0);
    }
}

bool ProbeAhead::Reachable(int32_t index) {
    const Screen& screen = m_screens[static_cast<std::size_t>(index)];
    if (screen.readable) {
        const std::int64_t now = m_clock.Milliseconds();
        if (!Fresh(screen, now)) ProbeFrom(index, now);
    }
    ++m_decidedSinceProbe;
    return screen.reachable;  // never probed, and so false, for an unreadable text
}

bool ProbeAhead::Fresh(const Screen& screen, std::int64_t now) {
    return screen.known && now - screen.askedAt <= kProbeAnswerFreshMs;
}

// `start` is read before the probe, so its time counts towards the answers' age.
void ProbeAhead::ProbeFrom(int32_t index, std::int64_t start) {
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

}  // namespace tk
