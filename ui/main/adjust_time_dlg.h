// The main window: interval, start/stop and manual buttons, status and clock lines, start with
// Windows, the notification-area icon. It shows the program's run (core/sync/sync_run.h), which
// holds the screen roster and the scheduler state, and hands it the operator's clicks.
#pragma once

#include <cstdint>
#include <string>

#include "core/autostart/autostart.h"
#include "core/screens/roster.h"
#include "core/screens/settings_file.h"
#include "core/sync/pass.h"
#include "core/sync/pass_journal.h"
#include "core/sync/scheduler.h"
#include "core/sync/sync_run.h"
#include "core/timecheck/clock_check.h"
#include "ui/config/screen_list_services.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"
#include "ui/framework/message_table.h"
#include "ui/framework/unique_handle.h"
#include "ui/framework/window_services.h"
#include "ui/main/log_opener.h"
#include "ui/main/status_line.h"
#include "ui/main/tray_icon.h"
#include "ui/main/window_adapters.h"

// What the main window works with besides its own controls: the program's entry builds the
// real ones (app.cpp), a test its fakes. They outlive the window.
struct AdjustTimeServices {
    tk::ISettingsFile& settings;  // the settings file shared with the controller library
    tk::IControllerLibrary& library;
    tk::IProbe& probe;
    tk::IClock& clock;
    tk::IMonotonicClock& ticks;  // ages the probe's answers during a pass
    tk::IRunKey& runKey;
    tk::ui::IWindowTimerService& timers;  // timers 1 and 2, set on the window once it exists
    std::string modulePath;               // the executable the Run value names
    tk::ui::IScreenEditor& screenEditor;  // the list window's editor of one screen
    tk::ui::IFileChooser& exchangeFiles;  // the list window's dialogs for the exchange file
    tk::PassJournal& journal;             // the log's path and state, the tooltip's text
    tk::PassSinks sinks;                  // every pass's record goes to each (the journal first)
    ILogOpener& logOpener;                // the status line's double-click
    tk::IClockCheck& clockCheck;          // the PC's clock against a time server, each pass
    tk::IClockRules& clockRules;          // the bound and the release date the pass holds it to
};

class CAdjustTimeDlg : public tk::ui::Dialog, public tk::ISyncRunView {
public:
    explicit CAdjustTimeDlg(const AdjustTimeServices& services);
    ~CAdjustTimeDlg() override;

    // ISyncRunView, whose status texts go to the status line.
    void SetStatusText(const std::string& text) override;
    void ShowAutomaticSyncOn(bool on) override;
    void SetButtonText(const std::string& text) override;
    void SetClockText(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    int UnitIndex() override;
    int32_t TakeIntervalValue() override;
    void ShowManualPassRunning(bool running) override;
    void ShowPassOver() override;
    void ShowOutcome(bool good, const std::string& text) override;
    // The status line's colour: nonzero green, 0 red.
    void SetStatusColourFlag(int flag);

    const tk::SyncState& State() const { return m_run.State(); }
    const tk::ScreenRoster& Roster() const { return m_run.Roster(); }
    int StatusColourFlag() const { return m_statusLine.ColourFlag(); }
    const tk::ui::TrayIcon& Tray() const { return m_trayIcon; }

protected:
    BOOL OnInitDialog() override;
    bool DoDataExchange(bool take) override;
    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnSysCommand(UINT command, LPARAM position);
    bool OnPaint();
    HICON OnQueryDragIcon();
    void OnStartStop();
    void OnTimer(UINT_PTR timerId);
    void OnSettings();
    LRESULT OnTrayNotification(WPARAM iconId, LPARAM mouseMessage);
    void OnSize(UINT type, int width, int height);
    void OnDestroy();
    HBRUSH OnCtlColorStatic(HDC dc, HWND control);
    void OnAutoStart();
    void OnManualAdjust();
    void OnUnitChanged();
    void OnIntervalChanged();
    void OnTaskbarCreated();
    void OnComeBack();
    void OnStatusDoubleClick();
    const char* OnStatusTipText();
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM ending, LPARAM);

    void AddAboutItem();
    void EndProgram();

    static const tk::ui::MessageTable<CAdjustTimeDlg> kMessageTable;
    // Numbers of the "TaskbarCreated" and come-back messages, registered when the first window
    // is constructed.
    static UINT s_taskbarCreatedMessage;
    static UINT s_comeBackMessage;

    static void RegisterMessages();
    static HICON LoadMainIcon();

    const AdjustTimeServices m_services;

    HICON m_icon = LoadMainIcon();  // shared icon from LoadIcon: never destroyed
    tk::ui::TrayIcon m_trayIcon;
    tk::ui::ComboBox m_unitList;
    int m_intervalValue = 10;
    tk::ui::StatusLine m_statusLine;
    int m_startWithWindows = 1;
    tk::ui::Static m_clockLine;
    tk::ui::MessagePump m_pump;  // a pass lets one waiting message through after each screen
    tk::ui::WindowTimers m_timers{m_services.timers, *this};
    tk::SyncRun m_run;
};
