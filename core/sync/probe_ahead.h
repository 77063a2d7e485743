#pragma once

#include <cstdint>
#include <vector>

#include "core/probe/probe.h"
#include "core/screens/roster.h"

namespace tk {

// How long a probe's answer may decide a screen: the pass probes a screen again when the answer
// it holds is older.
inline constexpr std::int64_t kProbeAnswerFreshMs = 2000;

// The probe's answers for the network screens of one pass. Each screen's address is the one its
// roster entry holds, read from its text when the roster was loaded; a text that is no address
// is unreachable without a probe. At a
// network screen's turn its answer is used if it is fresh; otherwise the screen is probed again
// together with the next network screens whose answers are missing or stale, so that silent
// screens share one wait. An answer's age counts from the start of the probe that gave it. The
// first probe of a pass takes every network screen from there on; a later one takes at most
// twice as many as the pass got through since the probe before, enough for the time an answer
// stays fresh without probing far ahead of slow library calls.
class ProbeAhead {
public:
    // The first `visited` entries of the roster are the pass's screens.
    // Answers age on clock.
    ProbeAhead(const ScreenRoster& roster, int32_t visited, IProbe& probe, IMonotonicClock& clock);

    // Whether the network screen at `index` (0-based, below visited) answered, probing when its
    // answer is missing or stale. Called once per screen, in order.
    bool Reachable(int32_t index);

private:
    struct Screen {
        bool readable = false;  // a network screen whose text reads as an address
        std::uint32_t address = 0;
        bool known = false;
        bool reachable = false;
        std::int64_t askedAt = 0;  // when the probe that gave the answer began
    };

    static bool Fresh(const Screen& screen, std::int64_t now);
    void ProbeFrom(int32_t index, std::int64_t start);

    int32_t m_visited;
    IProbe& m_probe;
    IMonotonicClock& m_clock;
    std::vector<Screen> m_screens;
    bool m_probed = false;
    int32_t m_decidedSinceProbe = 0;
};

}  // namespace tk
