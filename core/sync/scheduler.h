#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/sync/clock_text.h"
#include "core/sync/pass.h"

namespace tk {

// Window timers: the clock line's tick and the automatic pass.
inline constexpr uintptr_t kClockTimerId = 1;
inline constexpr uintptr_t kPassTimerId = 2;
inline constexpr uint32_t kClockTimerPeriodMs = 1000;
// The longest period one window timer holds; longer waits are armed in pieces of this size.
inline constexpr uint32_t kMaxTimerPeriodMs = 0x7FFFFFFF;

// Texts of the start/stop button.
inline constexpr char kButtonRunningText[] = "停止校时";
inline constexpr char kButtonStoppedText[] = "启用自动校时";
inline constexpr char kButtonStoppingText[] = "正在停止";

// Texts of the status line.
inline constexpr char kStatusRunningText[] = "状态：校时正在运行...";
inline constexpr char kStatusStoppedText[] = "状态：校时停止";
inline constexpr char kStatusStoppingText[] = "状态：正在停止校时...";

// Messages for an interval value the chosen unit does not accept.
inline constexpr char kSecondsRangeMessage[] = "你选择是的秒，请输入0~60之间";
inline constexpr char kMinutesRangeMessage[] = "你选择是的分钟，请输入0~60之间";
inline constexpr char kHoursRangeMessage[] = "你选择是的小时，请输入0~24之间";

// What the scheduler needs of the main window.
class ISchedulerView : public IStatusView {
public:
    // true: automatic synchronisation was switched on, and the controls that would change its
    // settings or run a pass of their own are disabled; false: switched off, they are enabled.
    virtual void ShowAutomaticSyncOn(bool on) = 0;
    virtual void SetButtonText(const std::string& text) = 0;  // the start/stop button
    virtual void SetClockText(const std::string& text) = 0;   // the clock line, redrawn at once
    virtual void ShowMessage(const std::string& text) = 0;    // OK message box
    virtual int UnitIndex() = 0;  // selection of the unit list; -1 or any index
    // The interval value after taking it from the interval box (the previous value when the
    // window refuses the text). A pull rather than a value handed in: a switch that waited for
    // a pass is carried out from kPassTimerId, with no click to take the value in. It can raise the
    // integer prompt (a modal message box, whose loop dispatches the window's timers) when the
    // box holds no whole number.
    virtual int32_t TakeIntervalValue() = 0;
};

// The timers the scheduler arms and kills; it is their only user. In the program they are the
// main window's window timers (ui/main/window_adapters.h), in tests a recorder.
class ITimerService {
public:
    virtual ~ITimerService() = default;
    virtual void SetTimer(uintptr_t id, uint32_t periodMs) = 0;  // (re)arms timer `id`
    virtual void KillTimer(uintptr_t id) = 0;
};

// Outcome of one unit and value for the interval.
struct IntervalChoice {
    bool accepted = false;  // the interval becomes `seconds`
    int64_t seconds = 0;
    const char* message = nullptr;  // shown when the value is refused with a message
};

// The interval that `value` in unit `unitIndex` (0 秒, 1 分, 2 时, 3 天) gives.
IntervalChoice ChooseInterval(int unitIndex, int32_t value);

// Switches automatic synchronisation on and off, runs a pass each interval and keeps the
// clock line up to date. Knows the window only through the interfaces above.
class Scheduler {
public:
    using PassAction = std::function<void()>;

    Scheduler(SyncState& state, ISchedulerView& view, ITimerService& timers, IClock& clock,
              PassAction runPass);

    void StartClock();  // timer 1, once the window is set up
    void Toggle();      // click of the start/stop button
    void OnTimer(uintptr_t timerId);
    void ComputeInterval();
    // Carries out a switch requested while a pass started elsewhere (the manual button) ran.
    void AfterManualPass();

private:
    void Switch();
    void CarryOutPendingSwitch();
    void ArmPassTimer();
    void ArmNextPiece();

    SyncState& m_state;
    ISchedulerView& m_view;
    ITimerService& m_timers;
    IClock& m_clock;
    PassAction m_runPass;
    bool m_switchPending = false;  // a press arrived during a pass
    int64_t m_unarmedMs = 0;       // part of the current wait not yet given to kPassTimerId
};

}  // namespace tk
