// The system's side of /register and /unregister that the end-to-end run cannot show whole: the
// folder's grant as the call that sets it is given it (and as Wine reads it back), the restart
// registration's flags, and the event source's removal under a source name of the test's own.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "core/sync/deployment_win.h"
#include "core/sync/event_log_win.h"
#include "tests/win/win_test_util.h"

namespace {

// One access-allowed entry of a list: trustee as an SID string, rights, inheritance flags.
struct Entry {
    std::string sid;
    DWORD rights;
    BYTE flags;
    bool operator==(const Entry& other) const {
        return sid == other.sid && rights == other.rights && flags == other.flags;
    }
};

std::vector<Entry> AllowedEntries(PACL acl) {
    std::vector<Entry> entries;
    if (acl == nullptr) return entries;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(acl, i, &ace)) continue;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        char* text = nullptr;
        ::ConvertSidToStringSidA(const_cast<DWORD*>(&allowed->SidStart), &text);
        entries.push_back({text != nullptr ? text : "?", allowed->Mask, header->AceFlags});
        ::LocalFree(text);
    }
    return entries;
}

// The entries of the Authenticated Users group.
std::vector<Entry> AuthenticatedUsers(const std::vector<Entry>& entries) {
    std::vector<Entry> found;
    for (const Entry& entry : entries)
        if (entry.sid == "S-1-5-11") found.push_back(entry);
    return found;
}

// Modify, inherited by files and subfolders: what the Windows security tab calls "Modify",
// for "This folder, subfolders and files".
const Entry kGrant = {"S-1-5-11", 0x1301BF, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST(FolderGrant, SetsModifyForAuthenticatedUsersInheritedByEverythingInTheFolder) {
    const tk_test::TempDir dir;
    std::vector<std::wstring> folders;
    std::vector<Entry> granted;
    const tk::FolderAclHook previous =
        tk::SetFolderAclHook([&](const wchar_t* folder, PACL acl) -> DWORD {
            folders.push_back(folder);
            granted = AuthenticatedUsers(AllowedEntries(acl));
            return ERROR_SUCCESS;
        });
    tk::WindowsDeployment deployment(dir.File("TKAdjustTime.exe"),
                                     Wide(dir.File("TKAdjustTime.exe")), "");
    EXPECT_EQ(deployment.GrantFolder(), 0u);
    tk::SetFolderAclHook(previous);
    EXPECT_EQ(folders, std::vector<std::wstring>{Wide(dir.Path())});
    EXPECT_EQ(granted, std::vector<Entry>{kGrant});
}

TEST(FolderGrant, ASystemThatRefusesIsTheStepsError) {
    const tk_test::TempDir dir;
    const tk::FolderAclHook previous =
        tk::SetFolderAclHook([](const wchar_t*, PACL) -> DWORD { return ERROR_ACCESS_DENIED; });
    tk::WindowsDeployment deployment(dir.File("TKAdjustTime.exe"),
                                     Wide(dir.File("TKAdjustTime.exe")), "");
    EXPECT_EQ(deployment.GrantFolder(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    tk::SetFolderAclHook(previous);
}

// The real calls take what the step gives them, twice over (a second /register). Wine does not
// keep the entry: it reads a folder's list back from the Unix mode bits, so what an ordinary
// account may do in the folder is for a real PC to show.
TEST(FolderGrant, TheSystemsCallsTakeIt) {
    const tk_test::TempDir dir;
    tk::WindowsDeployment deployment(dir.File("TKAdjustTime.exe"),
                                     Wide(dir.File("TKAdjustTime.exe")), "");
    EXPECT_EQ(deployment.GrantFolder(), 0u);
    EXPECT_EQ(deployment.GrantFolder(), 0u);
}

TEST(RestartRegistration, OnlyAfterAnUpdateAndWithoutACommandLine) {
    std::vector<std::pair<std::wstring, DWORD>> calls;
    const tk::RestartRegistrationHook previous =
        tk::SetRestartRegistrationHook([&](const wchar_t* commandLine, DWORD flags) -> HRESULT {
            calls.push_back({commandLine == nullptr ? L"<null>" : commandLine, flags});
            return S_OK;
        });
    EXPECT_TRUE(tk::RegisterForRestart());
    // RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT.
    EXPECT_EQ(calls, (std::vector<std::pair<std::wstring, DWORD>>{{L"<null>", 1 | 2 | 8}}));
    tk::SetRestartRegistrationHook([](const wchar_t*, DWORD) -> HRESULT { return E_INVALIDARG; });
    EXPECT_FALSE(tk::RegisterForRestart());
    tk::SetRestartRegistrationHook(previous);
    // Wine's own is a stub that accepts.
    EXPECT_TRUE(tk::RegisterForRestart());
}

// The removal under a name of the test's own, in the prefix's real registry.
TEST(EventSourceRemoval, RemovesOnlyAKeyThatNamesThisExecutable) {
    const std::string source = "TKAdjustTime-unregister-test-" + std::to_string(sizeof(void*));
    const std::wstring key =
        L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + Wide(source);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    tk::EventSourceRegistry mine(source, L"C:\\TK\\TKAdjustTime.exe");
    tk::EventSourceRegistry sameFileOtherCase(source, L"c:\\tk\\tkadjusttime.EXE");
    tk::EventSourceRegistry other(source, L"D:\\Other\\TKAdjustTime.exe");
    tk::SourceRegistration found = tk::SourceRegistration::kThisProgram;

    EXPECT_EQ(mine.Unregister(found), ERROR_SUCCESS);
    EXPECT_EQ(found, tk::SourceRegistration::kMissing);

    ASSERT_TRUE(other.Register());
    EXPECT_EQ(mine.Unregister(found), ERROR_SUCCESS);
    EXPECT_EQ(found, tk::SourceRegistration::kOtherPath);
    EXPECT_EQ(other.Registration(), tk::SourceRegistration::kThisProgram);

    ASSERT_TRUE(mine.Register());
    EXPECT_EQ(sameFileOtherCase.Unregister(found), ERROR_SUCCESS);
    EXPECT_EQ(found, tk::SourceRegistration::kThisProgram);
    HKEY opened = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened),
              ERROR_FILE_NOT_FOUND);
    if (opened != nullptr) ::RegCloseKey(opened);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
}

}  // namespace
