// Windows only: the steps of /register and /unregister on this system (deployment.h), and the
// program's registration for a restart by the Restart Manager.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "core/sync/deployment.h"

namespace tk {

// Modify (read, write, run, delete): what an ordinary account needs to save the settings file,
// the log and the metrics file in the folder, and to replace them.
inline constexpr DWORD kFolderGrantRights =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
// Files and subfolders in the folder inherit the grant.
inline constexpr DWORD kFolderGrantInheritance = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// The call that sets the folder's new access list, as SetNamedSecurityInfoW takes it for a file
// object's DACL; returns its error. Tests put a recorder in place (Wine may not keep the list).
using FolderAclHook = std::function<DWORD(const wchar_t* folder, PACL dacl)>;
FolderAclHook SetFolderAclHook(FolderAclHook hook);

// The folder of exePath (wide: exeWidePath) deployed on this system. The event source is the
// program's own (kEventSourceName); a new settings file gets exampleSettings' bytes.
class WindowsDeployment final : public IDeploymentSystem {
public:
    WindowsDeployment(const std::string& exePath, const std::wstring& exeWidePath,
                      std::string_view exampleSettings);
    std::uint32_t RegisterEventSource() override;
    std::uint32_t CreateSettingsFile(bool& created) override;
    std::uint32_t WriteSetting(const char* key, const std::string& value) override;
    std::uint32_t CopyControllerLibrary(const std::string& path) override;
    std::uint32_t PlaceStandIn(bool& placed) override;
    std::uint32_t GrantFolder() override;
    std::uint32_t UnregisterEventSource(SourceRegistration& found) override;
    std::string ErrorText(std::uint32_t code) override;

private:
    std::wstring m_exeWidePath;
    std::wstring m_wideFolder;
    std::string m_settingsPath;
    std::string m_libraryPath;
    std::string m_standInPath;
    std::string_view m_exampleSettings;
};

// Restarted by the Restart Manager only: after an installer's update closed it, with no command
// line; not after a crash, a hang, or a reboot (a start with Windows is each user's own Run
// value).
inline constexpr DWORD kRestartFlags = RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT;
// RegisterApplicationRestart, as a test's recorder takes it.
using RestartRegistrationHook = std::function<HRESULT(const wchar_t* commandLine, DWORD flags)>;
RestartRegistrationHook SetRestartRegistrationHook(RestartRegistrationHook hook);
// Registers the running program for a restart (kRestartFlags); false when the system refused.
bool RegisterForRestart();

}  // namespace tk
