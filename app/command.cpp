#include "app/command.h"

#include <windows.h>

#include <string>

#include "core/base/clock.h"
#include "core/base/failure_report.h"
#include "core/base/footprint.h"
#include "core/base/module_path_win.h"
#include "core/base/text_format.h"
#include "core/sync/deployment.h"
#include "core/sync/deployment_win.h"
#include "core/sync/pass_log.h"
#include "generated/example_settings.h"

namespace {

// The message box's text when the controller library cannot be loaded. "%s": why.
constexpr char kLibraryNotLoadedFormat[] = "无法加载控制卡库TK100_Dll.dll：%s";

void WriteLogLine(const std::string& exePath, const std::string& text) {
    tk::SystemClock clock;
    tk::PassLogFile log(tk::LogPathFromModule(exePath));
    tk::AppendPassLog(log, tk::LogLine(clock.Now(), text, clock));
}

}  // namespace

std::uint32_t RunCommand(const tk::Command& command) {
    const std::string exePath = tk::ExecutablePath();
    tk::DeploymentOutcome outcome;
    if (command.kind == tk::CommandKind::kInvalid) {
        outcome = {tk::kInvalidCommandError, tk::InvalidCommandText(command.refused)};
    } else {
        tk::WindowsDeployment system(exePath, tk::ExecutableWidePath(),
                                     {kExampleSettings, sizeof kExampleSettings - 1});
        outcome = command.kind == tk::CommandKind::kRegister
                      ? tk::RunRegister(system, command.arguments, exePath)
                      : tk::RunUnregister(system);
    }
    WriteLogLine(exePath, outcome.logText);
    return outcome.error;
}

std::uint32_t LoadControllerLibrary() {
    if (::LoadLibraryA(tk::kControllerLibraryName) != nullptr) return 0;
    const DWORD error = ::GetLastError();
    const std::string text = tk::Formatted(kLibraryNotLoadedFormat, tk::LastErrorText().c_str());
    ::MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
    return error != ERROR_SUCCESS ? error : ERROR_MOD_NOT_FOUND;
}
