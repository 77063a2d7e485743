// The program: the application object and the entry point that runs it.
// clang-format off
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
// clang-format on

#include <string>

#include "app/command.h"
#include "app/program_services.h"
#include "core/base/command_line.h"
#include "core/base/module_path_win.h"
#include "core/store/settings.h"
#include "core/sync/deployment_win.h"
#include "ui/main/adjust_time_dlg.h"
#include "ui/main/single_instance.h"

// The application: runs the main window once and ends with it. It has no name of its own (the
// message boxes take theirs from the executable); the entry reads the command line.
class CTK自动校时App {
public:
    // Runs the main window modally; false: nothing more to do once it has closed.
    bool InitInstance();
};

// Common controls and the event source first; then, unless a copy already runs on this settings
// file, the registration for a restart, the program's services and the window's own, which
// outlive the window; then the main window, modally, for the whole run.
bool CTK自动校时App::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES;
    ::InitCommonControlsEx(&controls);

    const std::string modulePath = tk::ExecutablePath();
    // First, so that a start as administrator registers even where a copy already runs.
    RegisterEventSource();
    // A copy already running on this settings file is brought back instead.
    const tk::ui::SingleInstance instance(tk::SettingsPathFromModule(modulePath));
    if (!instance.IsFirst()) {
        instance.WakeFirst();
        return false;
    }
    // The copy that runs is the one an installer's update closes and has started again.
    tk::RegisterForRestart();
    ProgramServices services(modulePath);
    tk::ui::ParameterWindowEditor screenEditor;
    tk::ui::CommonFileDialogs exchangeFiles;
    tk::ui::SystemWindowTimers timers;
    ShellLogOpener logOpener;
    CAdjustTimeDlg dialog({services.settings, services.library, services.probe, services.clock,
                           services.ticks, services.runKey, timers, services.modulePath,
                           screenEditor, exchangeFiles, services.journal, services.sinks, logOpener,
                           services.clockCheck, services.clockRules});
    dialog.DoModal();
    return false;
}

// The one application object, there from program load.
CTK自动校时App theApp;

// /register and /unregister run on their own and end; a normal start loads the controller
// library first (its imports are bound at their first call, so that an installer can run the
// command line before a library is in place).
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const tk::Command command = tk::ParseCommandLine(commandLine != nullptr ? commandLine : "");
    if (command.kind != tk::CommandKind::kRun) return static_cast<int>(RunCommand(command));
    if (const std::uint32_t error = LoadControllerLibrary()) return static_cast<int>(error);
    theApp.InitInstance();
    return 0;
}
