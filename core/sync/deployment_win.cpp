#include "core/sync/deployment_win.h"

// After windows.h.
#include <aclapi.h>

#include <utility>

#include "core/base/call_hook.h"
#include "core/base/failure_report.h"
#include "core/base/footprint.h"
#include "core/base/path_text.h"
#include "core/base/unique_handle_win.h"
#include "core/store/screen_file_layout.h"
#include "core/store/settings.h"
#include "core/store/win32_profile_win.h"
#include "core/sync/event_log_win.h"

namespace tk {

namespace {

CallHook<DWORD(const wchar_t*, PACL)>& AclHook() {
    static CallHook<DWORD(const wchar_t*, PACL)> hook;
    return hook;
}

CallHook<HRESULT(const wchar_t*, DWORD)>& RestartHook() {
    static CallHook<HRESULT(const wchar_t*, DWORD)> hook;
    return hook;
}

// The last error of a call that failed, taken before the note for a developer (the debug
// output may leave another); one that left none still fails, with fallback.
std::uint32_t Failure(const char* what, DWORD fallback) {
    const DWORD error = ::GetLastError();
    ReportFailure(what);
    return error != ERROR_SUCCESS ? error : fallback;
}

// The folder of a wide path, to open: everything before its last backslash, a drive's root with
// its backslash.
std::wstring WideFolderOf(const std::wstring& path) {
    const std::wstring::size_type last = path.rfind(L'\\');
    if (last == std::wstring::npos) return std::wstring();
    const std::wstring folder = path.substr(0, last);
    return !folder.empty() && folder.back() == L':' ? folder + L'\\' : folder;
}

// Memory the security functions hand back with LocalAlloc.
struct LocalMemoryTraits : NullHandleTraits<HLOCAL> {
    static void Close(HLOCAL memory) noexcept { ::LocalFree(memory); }
};
using UniqueLocalMemory = UniqueAny<LocalMemoryTraits>;

}  // namespace

FolderAclHook SetFolderAclHook(FolderAclHook hook) { return AclHook().Set(std::move(hook)); }

RestartRegistrationHook SetRestartRegistrationHook(RestartRegistrationHook hook) {
    return RestartHook().Set(std::move(hook));
}

WindowsDeployment::WindowsDeployment(const std::string& exePath, const std::wstring& exeWidePath,
                                     std::string_view exampleSettings)
    : m_exeWidePath(exeWidePath),
      m_wideFolder(WideFolderOf(exeWidePath)),
      m_settingsPath(SettingsPathFromModule(exePath)),
      m_libraryPath(FolderOf(exePath, kBackslash, DriveRoot::kCut) + "\\" + kControllerLibraryName),
      m_standInPath(FolderOf(exePath, kBackslash, DriveRoot::kCut) + "\\" + kStandInLibraryName),
      m_exampleSettings(exampleSettings) {}

// Written again even when it is there: a key that names this file is what /register promises.
std::uint32_t WindowsDeployment::RegisterEventSource() {
    EventSourceRegistry registry(kEventSourceName, m_exeWidePath);
    if (registry.Register()) return 0;
    // Register leaves the registry's error as the last one.
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

// CREATE_NEW: a settings file that is there, in whatever encoding, is the operator's.
std::uint32_t WindowsDeployment::CreateSettingsFile(bool& created) {
    created = false;
    UniqueFile file(::CreateFileA(m_settingsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (::GetLastError() == ERROR_FILE_EXISTS) return 0;
        return Failure("creating the settings file", ERROR_WRITE_FAULT);
    }
    DWORD written = 0;
    if (!::WriteFile(file.Get(), m_exampleSettings.data(),
                     static_cast<DWORD>(m_exampleSettings.size()), &written, nullptr) ||
        written != m_exampleSettings.size()) {
        const std::uint32_t error = Failure("writing the new settings file", ERROR_WRITE_FAULT);
        file.Reset();
        ::DeleteFileA(m_settingsPath.c_str());
        return error;
    }
    created = true;
    return 0;
}

std::uint32_t WindowsDeployment::WriteSetting(const char* key, const std::string& value) {
    Win32Profile profile(m_settingsPath);
    ::SetLastError(ERROR_SUCCESS);
    if (profile.WriteString(kGlobalSection, key, value.c_str())) return 0;
    return Failure("writing a setting", ERROR_WRITE_FAULT);
}

// Replaces what is there: the operator named this library.
std::uint32_t WindowsDeployment::CopyControllerLibrary(const std::string& path) {
    if (::CopyFileA(path.c_str(), m_libraryPath.c_str(), FALSE)) return 0;
    return Failure("copying the controller library", ERROR_WRITE_FAULT);
}

// A library that is there, the vendor's or a stand-in of an earlier install, stays.
std::uint32_t WindowsDeployment::PlaceStandIn(bool& placed) {
    placed = false;
    if (::GetFileAttributesA(m_libraryPath.c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
    if (!::CopyFileA(m_standInPath.c_str(), m_libraryPath.c_str(), TRUE))
        return Failure("copying the stand-in library", ERROR_WRITE_FAULT);
    placed = true;
    return 0;
}

// The folder's list with one entry more (or an existing one of the group widened); what was
// there stays.
std::uint32_t WindowsDeployment::GrantFolder() {
    PACL oldAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error =
        ::GetNamedSecurityInfoW(m_wideFolder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, &oldAcl, nullptr, &descriptor);
    const UniqueLocalMemory descriptorMemory(descriptor);
    if (error != ERROR_SUCCESS) {
        ::SetLastError(error);
        ReportFailure("reading the folder's access list");
        return error;
    }
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    if (!::CreateWellKnownSid(WinAuthenticatedUserSid, nullptr, sid, &sidSize))
        return Failure("making the Authenticated Users SID", ERROR_INVALID_SID);
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = kFolderGrantRights;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = kFolderGrantInheritance;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(sid);
    PACL newAcl = nullptr;
    error = ::SetEntriesInAclW(1, &access, oldAcl, &newAcl);
    const UniqueLocalMemory newAclMemory(newAcl);
    if (error != ERROR_SUCCESS) {
        ::SetLastError(error);
        ReportFailure("adding to the folder's access list");
        return error;
    }
    error = AclHook().Call(
        [](const wchar_t* folder, PACL acl) {
            return ::SetNamedSecurityInfoW(const_cast<LPWSTR>(folder), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                                           nullptr);
        },
        m_wideFolder.c_str(), newAcl);
    if (error != ERROR_SUCCESS) {
        ::SetLastError(error);
        ReportFailure("setting the folder's access list");
    }
    return error;
}

std::uint32_t WindowsDeployment::UnregisterEventSource(SourceRegistration& found) {
    EventSourceRegistry registry(kEventSourceName, m_exeWidePath);
    return static_cast<std::uint32_t>(registry.Unregister(found));
}

std::string WindowsDeployment::ErrorText(std::uint32_t code) {
    ::SetLastError(code);
    return LastErrorText();
}

// No command line: the Restart Manager starts the program as a start from its shortcut would.
bool RegisterForRestart() {
    const HRESULT result = RestartHook().Call(
        [](const wchar_t* commandLine, DWORD flags) {
            return ::RegisterApplicationRestart(commandLine, flags);
        },
        nullptr, kRestartFlags);
    if (FAILED(result)) {
        ::SetLastError(static_cast<DWORD>(result));
        ReportFailure("registering for a restart");
        return false;
    }
    return true;
}

}  // namespace tk
