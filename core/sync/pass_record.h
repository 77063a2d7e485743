// A pass as data: what it knew of the PC's clock and what became of each screen. Those that
// show it (the status line, the log, the tooltip) each turn it into their own texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/sync/clock_rules.h"
#include "core/timecheck/clock_check.h"

namespace tk {

// Why a screen of a pass failed.
enum class ScreenFailure {
    kNone,
    kNoAnswer,  // the probe got no answer
    kNoReply,   // the library returned 0
};

// What the program is doing besides its passes, as the window knows it.
struct ProgramState {
    bool automatic = false;  // automatic synchronisation is switched on
    // The interval the window shows, which switching on uses; while on, the one in force.
    int64_t intervalSeconds = 0;
    int screens = 0;  // screens in the roster

    bool operator==(const ProgramState& other) const {
        return automatic == other.automatic && intervalSeconds == other.intervalSeconds &&
               screens == other.screens;
    }
    bool operator!=(const ProgramState& other) const { return !(*this == other); }
};

// One screen of a pass.
struct ScreenOutcome {
    int64_t time = 0;  // when its result was shown
    int number = 0;
    bool network = false;
    std::string address;  // a network screen's address text
    ScreenFailure failure = ScreenFailure::kNone;
};

// A whole pass.
struct PassRecord {
    bool manual = false;
    int64_t started = 0;
    // The comparison with the time server; none without a check.
    std::optional<ClockReading> clock;
    ClockRules clockRules;                         // what the reading was held to
    ClockVerdict verdict = ClockVerdict::kSpread;  // any other: no screen was set
    std::vector<ScreenOutcome> screens;            // none for a refused pass
    int64_t ended = 0;
    int64_t durationMs = 0;  // on the pass's monotonic clock, which no step of the PC's moves
    int count = 0;           // screens in the roster
    int failures = 0;
    ProgramState program;  // as the pass ended

    bool Refused() const { return verdict != ClockVerdict::kSpread; }
};

// A receiver of every pass's record once the pass has ended (the journal, ...), and of the few
// things the program does besides.
class IPassSink {
public:
    virtual ~IPassSink() = default;
    virtual void PassEnded(const PassRecord& record) = 0;
    // The main window is up, with the settings it read; once, before any pass.
    virtual void ProgramStarted(const ProgramState&) {}
    // A setting could not be written to the settings file, for this reason (the system's text).
    virtual void SettingNotSaved(const std::string&) {}
    // The program ends cleanly: its main window closes, or Windows ends the session.
    virtual void ProgramEnding(const ProgramState&) {}
    // Automatic synchronisation was switched on or off, the interval or the roster changed.
    virtual void StateChanged(const ProgramState&) {}
    // A setting was written to the settings file.
    virtual void SettingSaved() {}
    // Once a second while the program runs: a sink tries again what it could not finish.
    virtual void Tick() {}
};

// Where a sink says what went wrong with it, in the log and the tooltip (the journal): a line
// of its own at once, and in the tooltip until the next pass.
class IJournalNotes {
public:
    virtual ~IJournalNotes() = default;
    virtual void AddNote(const std::string& text) = 0;
};

// Whether the journal's last lines reached the log, for a sink that tells it elsewhere.
class ILogHealth {
public:
    virtual ~ILogHealth() = default;
    virtual bool LogWritable() const = 0;
};

// The receivers, in the order they get the record; the program's composition fills the list.
using PassSinks = std::vector<IPassSink*>;

}  // namespace tk
