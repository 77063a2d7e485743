#include "core/sync/scheduler.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace tk {

namespace {

// Accepted range and size of one interval unit.
struct IntervalUnit {
    int32_t maxValue;
    int64_t secondsPerUnit;
    const char* message;  // nullptr: a refused value changes nothing without a word
};

// Units by their index in the unit list. Values below 0 are refused in every unit: the box
// takes digits only, but a pasted "-5" reaches here, and a negative interval would give
// kPassTimerId a period that wraps to about 49 days while the countdown stays at 0. 分 and 时
// refuse it with their range message; 天 refuses it silently and keeps the interval.
constexpr IntervalUnit kIntervalUnits[] = {
    {60, 1, kSecondsRangeMessage},
    {60, 60, kMinutesRangeMessage},
    {24, 3600, kHoursRangeMessage},
    {std::numeric_limits<int32_t>::max(), 86400, nullptr},
};

// Longest interval whose milliseconds fit in 64 bits.
constexpr int64_t kMaxIntervalSeconds = std::numeric_limits<int64_t>::max() / 1000;

}  // namespace

// Intervals are 64-bit, so the largest value in days cannot overflow.
IntervalChoice ChooseInterval(int unitIndex, int32_t value) {
    IntervalChoice choice;
    if (unitIndex < 0 || unitIndex >= static_cast<int>(std::size(kIntervalUnits))) return choice;
    const IntervalUnit& unit = kIntervalUnits[unitIndex];
    if (value < 0 || value > unit.maxValue) {
        choice.message = unit.message;
        return choice;
    }
    choice.accepted = true;
    choice.seconds = static_cast<int64_t>(value) * unit.secondsPerUnit;
    return choice;
}

Scheduler::Scheduler(SyncState& state, ISchedulerView& view, ITimerService& timers, IClock& clock,
                     PassAction runPass)
    : m_state(state),
      m_view(view),
      m_timers(timers),
      m_clock(clock),
      m_runPass(std::move(runPass)) {}

// Starts the clock line's once-a-second tick.
void Scheduler::StartClock() { m_timers.SetTimer(kClockTimerId, kClockTimerPeriodMs); }

// Takes the value and the unit from the window; a refused value keeps the interval in force.
void Scheduler::ComputeInterval() {
    const int32_t value = m_view.TakeIntervalValue();
    const IntervalChoice choice = ChooseInterval(m_view.UnitIndex(), value);
    if (choice.accepted) {
        m_state.interval = choice.seconds;
    } else if (choice.message != nullptr) {
        m_view.ShowMessage(choice.message);
    }
}

// During a pass the switch waits for the pass and the re-arming of kPassTimerId that follows it;
// the pass runs this from its one-message dispatch and must be able to go on. Further presses
// while a switch waits leave that one switch in place and only show the waiting texts again.
void Scheduler::Toggle() {
    if (m_state.busy != 0) {
        m_switchPending = true;
        m_view.SetButtonText(kButtonStoppingText);
        m_view.SetStatusText(kStatusStoppingText);
        return;
    }
    m_switchPending = false;
    Switch();
}

// Switches automatic synchronisation over, with the interval taken afresh.
void Scheduler::Switch() {
    ComputeInterval();
    m_state.running = m_state.running == 0 ? 1 : 0;
    m_timers.KillTimer(kPassTimerId);
    m_unarmedMs = 0;
    m_state.busy = 0;
    m_state.elapsed = 0;
    if (m_state.running != 0) {
        ArmPassTimer();
        m_view.SetButtonText(kButtonRunningText);
        m_view.SetStatusText(kStatusRunningText);
        m_view.ShowAutomaticSyncOn(true);
    } else {
        m_view.SetButtonText(kButtonStoppedText);
        m_view.SetStatusText(kStatusStoppedText);
        m_view.ShowAutomaticSyncOn(false);
    }
}

void Scheduler::AfterManualPass() { CarryOutPendingSwitch(); }

// The flag is cleared first: the switch may show a message box whose loop dispatches kPassTimerId.
void Scheduler::CarryOutPendingSwitch() {
    if (!m_switchPending || m_state.busy != 0) return;
    m_switchPending = false;
    Switch();
}

// Arms kPassTimerId for the whole interval.
void Scheduler::ArmPassTimer() {
    const int64_t seconds = std::clamp<int64_t>(m_state.interval, 0, kMaxIntervalSeconds);
    m_unarmedMs = seconds * 1000;
    ArmNextPiece();
}

// One window timer holds at most kMaxTimerPeriodMs, so a longer wait is armed piece by piece.
// The pieces are counted, not measured against the clock, since this tool sets clocks.
void Scheduler::ArmNextPiece() {
    const int64_t piece = std::min<int64_t>(m_unarmedMs, kMaxTimerPeriodMs);
    m_unarmedMs -= piece;
    m_timers.SetTimer(kPassTimerId, static_cast<uint32_t>(piece));
}

// kPassTimerId runs a pass once the whole interval has gone by; kClockTimerId refreshes the
// clock line.
void Scheduler::OnTimer(uintptr_t timerId) {
    const int64_t now = m_clock.Now();
    std::tm localTime{};
    const std::tm* local = m_clock.ToLocalTime(now, localTime) ? &localTime : nullptr;

    if (timerId == kPassTimerId) {
        if (m_unarmedMs > 0) {
            ArmNextPiece();
            return;
        }
        m_view.SetClockText(FormatClock(local, kClockSyncingFormat));
        m_timers.KillTimer(kPassTimerId);
        if (m_runPass) m_runPass();
        ArmPassTimer();
        CarryOutPendingSwitch();
        return;
    }

    std::string text;
    if (m_state.running == 0) {
        text = FormatClock(local, kClockStoppedFormat);
    } else if (m_state.busy != 0) {
        text = FormatClock(local, kClockSyncingFormat);
    } else {
        m_state.elapsed += 1;
        text = CountdownClockText(local, std::max<int64_t>(0, m_state.interval - m_state.elapsed));
    }
    m_view.SetClockText(text);
}

}  // namespace tk
