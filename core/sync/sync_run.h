// The program's run without its window: the roster and the scheduler's state, the passes, the
// timers' ticks, the settings the operator changes, and what the sinks are told of it all. A
// front end (the main window) shows it through the views below and hands it the operator's
// clicks; the passes run on the front end's thread, letting its messages through.
#pragma once

#include <cstdint>
#include <string>

#include "core/autostart/autostart.h"
#include "core/screens/roster.h"
#include "core/screens/settings_file.h"
#include "core/sync/pass.h"
#include "core/sync/scheduler.h"

namespace tk {

// What the run shows besides the scheduler's texts.
class ISyncRunView : public ISchedulerView {
public:
    // true: a manual pass begins, and every control that could start another action or change
    // the settings meanwhile is disabled; false: it has ended, and they are enabled again.
    virtual void ShowManualPassRunning(bool running) = 0;
    // A pass has ended and every sink has its record.
    virtual void ShowPassOver() = 0;
    // The status line's text in green (good) or red, coloured before it is drawn.
    virtual void ShowOutcome(bool good, const std::string& text) = 0;
};

// What the run works with outside the front end; it outlives the run.
struct SyncRunServices {
    ISettingsFile& settings;  // shared with the controller library
    IControllerLibrary& library;
    IProbe& probe;
    IClock& clock;
    IMonotonicClock& ticks;  // ages the probe's answers during a pass
    IRunKey& runKey;
    std::string modulePath;   // the executable the Run value names
    PassSinks sinks;          // every pass's record goes to each (the journal first)
    IClockCheck& clockCheck;  // the PC's clock against a time server, each pass
    IClockRules& clockRules;  // the bound and the release date a pass holds the clock to
};

// The front end's parts the run works through.
struct SyncRunViews {
    ISyncRunView& view;
    IPassView& status;   // the status line as a pass tells it
    IMessagePump& pump;  // a pass lets one waiting message through after each screen
    ITimerService& timers;
};

// The settings the front end shows from the start: the unit's index (nSel), the interval's
// value (Timer) and the start-with-Windows choice (bStart).
struct ShownSettings {
    int unit = 0;
    int32_t intervalValue = 0;
    int start = 0;
};

// The automatic pass's query to the time server starts this many seconds or fewer before the
// pass is due, counted on the clock line's ticks, so that the pass finds its answer in hand.
inline constexpr int64_t kQueryAheadSeconds = 2;

class SyncRun final : private ISchedulerView {
public:
    SyncRun(const SyncRunServices& services, const SyncRunViews& views);
    SyncRun(const SyncRun&) = delete;
    SyncRun& operator=(const SyncRun&) = delete;

    // The settings file read once: the roster, and what the front end shows.
    ShownSettings Load();
    // The front end shows the settings: the clock line starts ticking and the sinks hear that
    // the program runs.
    void Started();
    // The program ends cleanly, once; false when it had already ended.
    bool End();
    bool Ended() const { return m_ended; }

    void Toggle();  // the start/stop button
    void OnTimer(uintptr_t timerId);
    void RunManualPass();
    // The settings file's screens (also ones edited by hand meanwhile) become the roster, and
    // the controller library reads the file again.
    void ReloadScreens();
    // The unit and the interval value, saved the moment they change; a refused write is shown.
    void UnitChanged(int unit);
    void IntervalValueChanged(int32_t value);
    // The start-with-Windows box was clicked with this state.
    void ApplyStartWithWindows(int state);
    // A save by another window (the list window) went through, or did not, for this reason.
    void SettingSaved();
    void SettingNotSaved(const std::string& reason);

    const SyncState& State() const { return m_state; }
    const ScreenRoster& Roster() const { return m_roster; }
    // What the sinks are told of the program besides its passes.
    ProgramState ProgramStateOf() const;

private:
    // ISchedulerView: the front end's, with what the run does at each.
    void SetStatusText(const std::string& text) override;
    void ShowAutomaticSyncOn(bool on) override;
    void SetButtonText(const std::string& text) override;
    void SetClockText(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    int UnitIndex() override;
    int32_t TakeIntervalValue() override;

    int64_t ShownInterval() const;
    PassServices PassServicesOf();
    void RunAutomaticPass();
    void AskTimeServerAhead();
    void TellState();
    void SettingWritten(bool written, const char* what);

    const SyncRunServices m_services;
    const SyncRunViews m_views;
    ScreenRoster m_roster;
    SyncState m_state;
    int m_shownUnit = 0;
    int32_t m_shownValue = 10;
    ProgramState m_toldState;  // what the sinks were last told of the program's state
    bool m_ended = false;      // the sinks were told the program ends
    Scheduler m_scheduler;
};

}  // namespace tk
