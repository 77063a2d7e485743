// The main window: interval, start/stop and manual buttons, status and clock lines, start with
// Windows, the notification-area icon. It holds the settings path, the screen roster and the
// scheduler state, and is the window behind every port of the synchronisation core.
#ifndef TK_UI_MAIN_ADJUST_TIME_DLG_H
#define TK_UI_MAIN_ADJUST_TIME_DLG_H

#include <cstdint>
#include <string>

#include "core/autostart.h"
#include "core/clock_text.h"
#include "core/pass.h"
#include "core/probe.h"
#include "core/roster.h"
#include "core/run_key.h"
#include "core/scheduler.h"
#include "core/win32_profile.h"
#include "library/controller_library.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"
#include "ui/framework/message_table.h"
#include "ui/framework/unique_handle.h"
#include "ui/main/tray_icon.h"

// What the main window talks to besides its own controls. An empty field stands for the
// program's own: the settings file beside the executable, TK100_Dll.dll, the ICMP probe, the
// PC's clock, the window's own timers, the per-user Run key and the executable's path.
struct AdjustTimeDependencies {
    std::string settingsPath;
    tk::IControllerLibrary* library = nullptr;
    tk::IProbe* probe = nullptr;
    tk::IClock* clock = nullptr;
    tk::ITimerService* timers = nullptr;
    tk::IRunKey* runKey = nullptr;
    std::string modulePath;  // the executable the Run value names
};

class CAdjustTimeDlg : public tk::ui::Dialog,
                       public tk::ISchedulerView,
                       public tk::IManualPassView,
                       public tk::ITimerService,
                       public tk::IMessagePump,
                       public tk::IStatusColour {
public:
    explicit CAdjustTimeDlg(const AdjustTimeDependencies& dependencies = {});
    ~CAdjustTimeDlg() override;

    // ISchedulerView (with IStatusView) and IManualPassView.
    void SetStatusText(const std::string& text) override;
    void ShowAutomaticSyncOn(bool on) override;
    void ShowManualPassRunning(bool running) override;
    void SetButtonText(const std::string& text) override;
    void SetClockText(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    int UnitIndex() override;
    int32_t TakeIntervalValue() override;
    // ITimerService: the window's own timers.
    void SetTimer(uintptr_t id, uint32_t periodMs) override;
    void KillTimer(uintptr_t id) override;
    // IMessagePump.
    void PumpOne() override;
    // IStatusColour.
    void SetStatusColourFlag(int flag) override;

    const tk::SyncState& State() const { return m_state; }
    const tk::ScreenRoster& Roster() const { return m_roster; }
    const std::string& SettingsPath() const { return m_settingsPath; }
    int StatusColourFlag() const { return m_statusColour; }
    const tk::ui::TrayIcon& Tray() const { return m_trayIcon; }

protected:
    BOOL OnInitDialog() override;
    bool DoDataExchange(bool take) override;
    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Starts Windows Sockets 2.2 for the life of the window object.
    class SocketLibrary {
    public:
        SocketLibrary();
        ~SocketLibrary();
        SocketLibrary(const SocketLibrary&) = delete;
        SocketLibrary& operator=(const SocketLibrary&) = delete;

    private:
        bool m_started = false;
    };

    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnQueryDragIcon(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void OnStartStop();
    LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void OnSettings();
    LRESULT OnTrayNotification(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void OnAutoStart();
    void OnManualAdjust();
    void OnUnitChanged();
    void OnIntervalChanged();
    LRESULT OnTaskbarCreated(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    void AddAboutItem();
    void ReloadScreens();
    tk::PassServices PassServicesOf();
    void RunAutomaticPass();

    static const tk::ui::MessageTable<CAdjustTimeDlg> kMessageTable;
    // Number of the "TaskbarCreated" message, registered when the first window is constructed.
    static UINT s_taskbarCreatedMessage;

    // The program's own stand-ins for dependencies a test did not give.
    tk::ImportedControllerLibrary m_importedLibrary;
    tk::IcmpProbe m_icmpProbe;
    tk::SystemClock m_systemClock;
    tk::RegistryRunKey m_registryRunKey;

    tk::IControllerLibrary& m_library;
    tk::IProbe& m_probe;
    tk::IClock& m_clock;
    tk::IRunKey& m_runKey;
    std::string m_givenSettingsPath;
    std::string m_modulePath;

    HICON m_icon;  // shared icon from LoadIcon: never destroyed
    tk::ui::TrayIcon m_trayIcon;
    tk::ui::ComboBox m_unitList;
    SocketLibrary m_socketLibrary;
    int m_intervalValue = 10;
    int m_statusColour = 0;
    tk::ScreenRoster m_roster;
    std::string m_settingsPath;
    tk::Win32Profile m_settings{std::string()};  // on m_settingsPath once it is built
    tk::ui::UniqueBrush m_statusBrush;
    int m_startWithWindows = 1;
    tk::ui::Static m_clockLine;
    tk::SyncState m_state;
    tk::Scheduler m_scheduler;
};

#endif
