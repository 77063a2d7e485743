// The program: the application object and the entry point that runs it.
// winsock2.h before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
// clang-format on

#include <memory>
#include <string>

#include "core/base/failure_report.h"
#include "core/base/module_path_win.h"
#include "core/probe/probe.h"
#include "core/screens/settings_file.h"
#include "core/store/atomic_file.h"
#include "core/store/profile_file.h"
#include "core/store/settings.h"
#include "core/store/win32_profile_win.h"
#include "core/sync/clock_text.h"
#include "core/sync/pass_journal.h"
#include "core/sync/pass_log.h"
#include "core/sync/run_key_win.h"
#include "core/timecheck/clock_check.h"
#include "core/timecheck/time_server.h"
#include "library/controller_library_win.h"
#include "resources/version.h"
#include "ui/main/adjust_time_dlg.h"
#include "ui/main/single_instance.h"

namespace {

// Windows Sockets 2.2 for as long as the object lives: every probe needs it.
class SocketSession {
public:
    // Without sockets every probe simply fails, so a failure is only noted. WSAStartup returns
    // its error instead of setting the last error, which the note reads.
    SocketSession() {
        WSADATA data;
        const int error = ::WSAStartup(MAKEWORD(2, 2), &data);
        m_started = error == 0;
        if (!m_started) {
            ::SetLastError(static_cast<DWORD>(error));
            tk::ReportFailure("starting Windows Sockets 2.2");
        }
    }
    ~SocketSession() {
        if (m_started) ::WSACleanup();
    }
    SocketSession(const SocketSession&) = delete;
    SocketSession& operator=(const SocketSession&) = delete;

private:
    bool m_started = false;
};

}  // namespace

// The application: runs the main window once and ends with it. It has no name of its own (the
// message boxes take theirs from the executable) and reads no command line.
class CTK自动校时App {
public:
    // Runs the main window modally; false: nothing more to do once it has closed.
    bool InitInstance();
};

// Common controls first; then the real services the main window works with, which outlive it;
// then the main window, modally, for the whole run. The settings file is the one beside the
// executable, which the controller library finds there on its own.
bool CTK自动校时App::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES;
    ::InitCommonControlsEx(&controls);

    const SocketSession sockets;
    const std::string modulePath = tk::ExecutablePath();
    const std::string settingsPath = tk::SettingsPathFromModule(modulePath);
    // A copy already running on this settings file is brought back instead.
    const tk::ui::SingleInstance instance(settingsPath);
    if (!instance.IsFirst()) {
        instance.WakeFirst();
        return false;
    }
    // A folder the operator cannot write (Program Files without administrator rights, a
    // read-only share) loses every setting and the log; the journal has the status line say so.
    std::string folderNotWritable;
    if (!tk::CanCreateFileBeside(settingsPath)) {
        folderNotWritable = tk::FailureReason(tk::FileFailure::FromSystem());
    }
    tk::Win32Profile api(settingsPath);
    tk::SettingsFile settings(settingsPath, api);
    tk::ImportedControllerLibrary library;
    tk::IcmpProbe probe;
    tk::SystemClock clock;
    tk::RegistryRunKey runKey;
    tk::ui::ParameterWindowEditor screenEditor;
    tk::ui::CommonFileDialogs exchangeFiles;
    tk::ui::SystemWindowTimers timers;
    tk::PassLogFile passLog(tk::LogPathFromModule(modulePath));
    tk::PassJournal journal(passLog, clock, folderNotWritable);
    ShellLogOpener logOpener;
    // The time server named in the settings file or the Windows time service's; the query's
    // worker owns its client, so closing the program never waits for it.
    tk::W32TimeSetting w32time;
    tk::TimeServerSetting timeServer(api, w32time);
    tk::PreciseClock pcClock;
    tk::UptimeClock monotonic;
    tk::ClockCheck clockCheck(
        {timeServer,
         std::make_shared<tk::SntpClient>(std::make_unique<tk::PreciseClock>()),
         pcClock,
         monotonic,
         clock,
         {TK_RELEASE_YEAR, TK_RELEASE_MONTH, TK_RELEASE_DAY}});
    CAdjustTimeDlg dialog({settings,
                           library,
                           probe,
                           clock,
                           runKey,
                           timers,
                           modulePath,
                           screenEditor,
                           exchangeFiles,
                           journal,
                           {&journal},
                           logOpener,
                           clockCheck});
    dialog.DoModal();
    return false;
}

// The one application object, there from program load.
CTK自动校时App theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
