#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/sync/clock_text.h"
#include "core/probe/probe.h"
#include "core/screens/roster.h"
#include "core/timecheck/clock_check.h"
#include "core/sync/status_view.h"

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

// The main window around a manual pass.
class IManualPassView {
public:
    virtual ~IManualPassView() = default;
    // true: a manual pass begins, and every control that could start another action or change
    // the settings meanwhile is disabled; false: it has ended, and they are enabled again.
    virtual void ShowManualPassRunning(bool running) = 0;
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
    IStatusView& status;
    IMessagePump& pump;
    IClock& clock;  // stamps the pass's start, screens and end for the journal
    // Compares the PC's clock with a time server before the first library call; none: the
    // pass sets every screen it reaches, as without a server.
    IClockCheck* clockCheck = nullptr;
};

// Why a screen of a pass failed.
enum class ScreenFailure {
    kNone,
    kNoAnswer,  // the probe got no answer
    kNoReply,   // the library returned 0
};

// One screen of a pass, as its result was shown.
struct ScreenOutcome {
    int64_t time = 0;
    int number = 0;
    bool network = false;
    std::string address;  // a network screen's address text
    std::string status;   // the status text shown for it
    ScreenFailure failure = ScreenFailure::kNone;
};

// A whole pass, for its log and the status line's tooltip.
struct PassRecord {
    bool manual = false;
    int64_t started = 0;
    std::string clockLine;  // the comparison with the time server; empty without one
    bool refused = false;   // the PC's clock was not spread: no screen was set
    std::vector<ScreenOutcome> screens;
    int64_t ended = 0;
    std::string summary;  // the summary text shown, or why no screen was set
    int count = 0;        // the summary's figures
    int failures = 0;
};

// Where a pass goes once it has ended (pass_journal.h).
class IPassJournal {
public:
    virtual ~IPassJournal() = default;
    virtual void PassEnded(const PassRecord& record) = 0;
};

// One synchronisation pass over the roster (an automatic one, for the journal if there is one).
void RunPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
             IPassJournal* journal = nullptr);

// The manual button: the window shows the pass running, the pass runs, the window shows it over.
void RunManualPass(const ScreenRoster& roster, SyncState& state, const PassServices& services,
                   IManualPassView& view, IPassJournal* journal = nullptr);

}  // namespace tk
