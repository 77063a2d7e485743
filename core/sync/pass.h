#pragma once

#include <cstdint>
#include <optional>

#include "core/probe/probe.h"
#include "core/screens/roster.h"
#include "core/sync/clock_rules.h"
#include "core/sync/clock_text.h"
#include "core/sync/pass_record.h"
#include "core/sync/status_view.h"
#include "core/timecheck/clock_check.h"

namespace tk {

// The two calls the tool makes into the controller library.
class IControllerLibrary {
public:
    virtual ~IControllerLibrary() = default;
    virtual int AdjustTime(int screenNumber) = 0;  // nonzero: the screen's clock was set
    virtual void ReloadIniFile() = 0;
};

// Lets at most one pending window message through (removed, translated, dispatched).
class IMessagePump {
public:
    virtual ~IMessagePump() = default;
    virtual void PumpOne() = 0;
};

// Scheduler state shared by the pass, the timers and the start/stop button.
struct SyncState {
    int32_t running = 0;       // automatic synchronisation switched on
    int32_t busy = 0;          // a pass is in progress
    int64_t elapsed = 0;       // seconds counted since the last pass began or the last switch
    int64_t interval = 10000;  // seconds between passes
};

// What a pass works with.
struct PassServices {
    IControllerLibrary& library;
    IProbe& probe;
    IPassView& status;
    IMessagePump& pump;
    IClock& clock;           // stamps the pass's start, screens and end
    IMonotonicClock& ticks;  // ages the probe's answers
    // Compares the PC's clock with a time server before the first library call; none: the
    // pass sets every screen it reaches, as without a server.
    IClockCheck* clockCheck = nullptr;
    // The bound and the release date the check's reading is held to, taken at the pass's start;
    // none: the widest bound, and no release date.
    IClockRules* clockRules = nullptr;
    PassSinks sinks = {};  // each gets the record once the pass has ended
    // The interval the window shows, for the record; none: the one in force.
    std::optional<int64_t> intervalShown = {};
};

// One synchronisation pass over the roster (manual: started by the manual button); returns its
// record, which every sink has had. A manual pass may wait for the time server's answer; an
// automatic one reads what the check has in hand (IClockCheck::Await).
PassRecord RunPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
                   bool manual = false);

}  // namespace tk
