// A pass as data: what it knew of the PC's clock and what became of each screen. Those that
// show it (the status line, the log, the tooltip) each turn it into their own texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/timecheck/clock_check.h"

namespace tk {

// Why a screen of a pass failed.
enum class ScreenFailure {
    kNone,
    kNoAnswer,  // the probe got no answer
    kNoReply,   // the library returned 0
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
    ClockVerdict verdict = ClockVerdict::kSpread;  // any other: no screen was set
    std::vector<ScreenOutcome> screens;            // none for a refused pass
    int64_t ended = 0;
    int count = 0;  // screens in the roster
    int failures = 0;

    bool Refused() const { return verdict != ClockVerdict::kSpread; }
};

// A receiver of every pass's record once the pass has ended (the journal, ...).
class IPassSink {
public:
    virtual ~IPassSink() = default;
    virtual void PassEnded(const PassRecord& record) = 0;
};

// The receivers, in the order they get the record; the program's composition fills the list.
using PassSinks = std::vector<IPassSink*>;

}  // namespace tk
