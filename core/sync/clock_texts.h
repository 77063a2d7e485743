// The texts of a pass's comparison of the PC's clock with a time server, for every sink that
// shows it: the log, the tooltip, the status line, the events and the metrics file.
#pragma once

#include <string>

#include "core/sync/clock_rules.h"
#include "core/timecheck/clock_check.h"

namespace tk {

// How a query ended, in words: the metrics file's label and the operator's reason (GBK). A RATE
// kiss reads as an unusable answer.
struct ClockStatusWords {
    const char* label;
    const char* reason;
};
const ClockStatusWords& WordsOf(ClockCheckStatus status);

// The server that gave the reading's measurement; a reading made without one names the current
// server.
const std::string& MeasuredBy(const ClockReading& reading);

// The log's and the tooltip's line for a comparison; empty without a server or a measurement.
std::string ClockCheckLine(const ClockReading& reading);
// The log's and the tooltip's text of a pass that set no screen; empty for kSpread.
std::string ClockRefusalText(const ClockReading& reading, const ClockRules& rules);
// The same for the status line, short enough to show whole: the server is left to the others.
std::string ClockRefusalStatusText(const ClockReading& reading, const ClockRules& rules);

}  // namespace tk
