#include "core/sync/sync_run.h"

#include "core/base/failure_report.h"
#include "core/base/file_failure.h"
#include "core/store/settings.h"

namespace tk {

SyncRun::SyncRun(const SyncRunServices& services, const SyncRunViews& views)
    : m_services(services),
      m_views(views),
      m_scheduler(m_state, *this, views.timers, services.clock, [this] { RunAutomaticPass(); }) {}

// The whole file is read through one parse of it: with hundreds of screens, a call of the
// profile API per key would hold up the window's first appearance.
ShownSettings SyncRun::Load() {
    const std::unique_ptr<IProfileReader> snapshot = m_services.settings.Snapshot();
    IProfileReader& settings = *snapshot;
    ShownSettings shown;
    shown.unit = ReadSel(settings);
    shown.intervalValue = ReadTimer(settings);
    LoadRoster(settings, m_roster);
    shown.start = ReadStart(settings);
    m_shownUnit = shown.unit;
    m_shownValue = shown.intervalValue;
    return shown;
}

void SyncRun::Started() {
    m_scheduler.StartClock();
    m_toldState = ProgramStateOf();
    for (IPassSink* sink : m_services.sinks) sink->ProgramStarted(m_toldState);
}

// The log's exit line, the metrics file's tk_sync_running 0.
bool SyncRun::End() {
    if (m_ended) return false;
    m_ended = true;
    for (IPassSink* sink : m_services.sinks) sink->ProgramEnding(ProgramStateOf());
    return true;
}

void SyncRun::Toggle() { m_scheduler.Toggle(); }

// Each tick of the clock line's timer also lets the sinks try again what they could not finish,
// and asks the time server for the automatic pass that is about to run.
void SyncRun::OnTimer(uintptr_t timerId) {
    m_scheduler.OnTimer(timerId);
    if (timerId != kClockTimerId) return;
    for (IPassSink* sink : m_services.sinks) sink->Tick();
    if (m_state.running != 0 && m_state.busy == 0 &&
        m_state.interval - m_state.elapsed <= kQueryAheadSeconds) {
        AskTimeServerAhead();
    }
}

// One pass now, with the controls that could interfere disabled meanwhile; a switch pressed
// during it is carried out after it.
void SyncRun::RunManualPass() {
    m_views.view.ShowManualPassRunning(true);
    m_toldState = RunPass(m_roster, m_state, PassServicesOf(), true).program;
    m_views.view.ShowManualPassRunning(false);
    m_views.view.ShowPassOver();
    m_scheduler.AfterManualPass();
}

void SyncRun::ReloadScreens() {
    LoadRoster(*m_services.settings.Snapshot(), m_roster);
    m_services.library.ReloadIniFile();
    TellState();
}

void SyncRun::UnitChanged(int unit) {
    m_shownUnit = unit;
    SettingWritten(WriteSel(m_services.settings.Direct(), unit), "writing nSel");
    TellState();
}

// A text that is no whole number leaves the front end's previous value, which is written again.
void SyncRun::IntervalValueChanged(int32_t value) {
    m_shownValue = value;
    SettingWritten(WriteTimer(m_services.settings.Direct(), value), "writing Timer");
    TellState();
}

// A setting that could not be written is said in red on the status line, with the system's
// reason, taken before anything else can change it.
void SyncRun::SettingWritten(bool written, const char* what) {
    if (written) {
        SettingSaved();
        return;
    }
    const std::string reason = FailureReason(FileFailure::FromSystem());
    ReportFailure(what);
    m_views.view.ShowOutcome(false, SettingsNotSavedText(reason));
    SettingNotSaved(reason);
}

void SyncRun::ApplyStartWithWindows(int state) {
    const AutostartReport report = tk::ApplyStartWithWindows(
        state, m_services.modulePath, {m_services.settings.Direct(), m_services.runKey});
    m_views.view.ShowOutcome(report.good, report.text);
    if (report.notSaved.empty()) {
        SettingSaved();
    } else {
        SettingNotSaved(report.notSaved);
    }
}

void SyncRun::SettingSaved() {
    for (IPassSink* sink : m_services.sinks) sink->SettingSaved();
}

void SyncRun::SettingNotSaved(const std::string& reason) {
    for (IPassSink* sink : m_services.sinks) sink->SettingNotSaved(reason);
}

// While automatic synchronisation is off, the interval the front end shows, which switching it
// on would use.
ProgramState SyncRun::ProgramStateOf() const {
    return {m_state.running != 0, m_state.running != 0 ? m_state.interval : ShownInterval(),
            m_roster.count};
}

// The unit and value shown, as switching on takes them; the interval in force when it would
// refuse them.
int64_t SyncRun::ShownInterval() const {
    const IntervalChoice choice = ChooseInterval(m_shownUnit, m_shownValue);
    return choice.accepted ? choice.seconds : m_state.interval;
}

// The sinks hear of a change of the state the moment it happens.
void SyncRun::TellState() {
    const ProgramState state = ProgramStateOf();
    if (state == m_toldState) return;
    m_toldState = state;
    for (IPassSink* sink : m_services.sinks) sink->StateChanged(state);
}

// A query starts only when one is due; the pass that follows reads what it brought.
void SyncRun::AskTimeServerAhead() { m_services.clockCheck.StartQuery(); }

PassServices SyncRun::PassServicesOf() {
    return {m_services.library,     m_services.probe,
            m_views.status,         m_views.pump,
            m_services.clock,       m_services.ticks,
            &m_services.clockCheck, &m_services.clockRules,
            m_services.sinks,       ProgramStateOf().intervalSeconds};
}

// The pass of kPassTimerId.
void SyncRun::RunAutomaticPass() {
    m_toldState = RunPass(m_roster, m_state, PassServicesOf()).program;
    m_views.view.ShowPassOver();
}

void SyncRun::SetStatusText(const std::string& text) { m_views.view.SetStatusText(text); }

// Every switch, also one carried out after a pass, comes through here once the state holds it.
// Switched on, the time server is asked at once, for the first pass.
void SyncRun::ShowAutomaticSyncOn(bool on) {
    m_views.view.ShowAutomaticSyncOn(on);
    TellState();
    if (on) AskTimeServerAhead();
}

void SyncRun::SetButtonText(const std::string& text) { m_views.view.SetButtonText(text); }

void SyncRun::SetClockText(const std::string& text) { m_views.view.SetClockText(text); }

void SyncRun::ShowMessage(const std::string& text) { m_views.view.ShowMessage(text); }

int SyncRun::UnitIndex() { return m_views.view.UnitIndex(); }

// The value switching on takes is also the one shown from now on.
int32_t SyncRun::TakeIntervalValue() {
    m_shownValue = m_views.view.TakeIntervalValue();
    return m_shownValue;
}

}  // namespace tk
