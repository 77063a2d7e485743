// One copy per folder, in the test process: the claim on a folder by its identity through
// several spellings, a section that a copy with other rights holds, and the main window's side
// of the hand-over (the message let through, the window brought back).
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>
// clang-format on

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/win/main_window_harness.h"
#include "ui/main/single_instance.h"

namespace {

using tk::ui::SingleInstance;
using tk_test::FailureRecorder;
using tk_test::TempDir;

constexpr char kSettingsName[] = "TK100_Dll_Set.ini";

// The same folder through Wine's drive Z:, which maps the Unix root: Z:\<prefix>\drive_c\...
std::string ThroughDriveZ(const std::string& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    std::wstring wide(path.begin(), path.end());
    char* name = unixName != nullptr ? unixName(wide.c_str()) : nullptr;
    if (name == nullptr) return {};
    std::string z = std::string("Z:") + name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    for (char& c : z) c = c == '/' ? '\\' : c;
    return z;
}

TEST(SingleInstance, OneCopyPerFolderWhateverTheSpelling) {
    const TempDir x;
    const TempDir y;
    char shortX[MAX_PATH] = {};
    ::GetShortPathNameA(x.Path().c_str(), shortX, MAX_PATH);
    const std::string z = ThroughDriveZ(x.Path());
    ASSERT_EQ(z.rfind("Z:\\", 0), 0u) << z;
    ASSERT_NE(shortX, x.Path());
    const struct {
        std::string folder;
        bool first;
    } starts[] = {
        {x.Path(), true}, {z, false}, {shortX, false}, {y.Path(), true}, {x.Path(), false},
    };
    FailureRecorder failures;
    std::vector<std::unique_ptr<SingleInstance>> running;
    for (const auto& start : starts) {
        ASSERT_NE(start.folder, "");
        running.push_back(std::make_unique<SingleInstance>(start.folder + "\\" + kSettingsName));
        EXPECT_EQ(running.back()->IsFirst(), start.first) << start.folder;
    }
    EXPECT_EQ(failures.notes, std::vector<std::string>{});
}

// A folder that cannot be opened is told apart by the path's text, in any case.
TEST(SingleInstance, AFolderThatCannotBeOpenedIsKeyedByItsPathText) {
    const std::tuple<const char*, bool> starts[] = {
        {"C:\\tk-no-such-folder\\TK100_Dll_Set.ini", true},
        {"c:\\TK-NO-SUCH-FOLDER\\tk100_dll_set.INI", false},
        {"C:\\tk-no-such-folder-2\\TK100_Dll_Set.ini", true},
    };
    FailureRecorder failures;
    std::vector<std::unique_ptr<SingleInstance>> running;
    for (const auto& [path, first] : starts) {
        running.push_back(std::make_unique<SingleInstance>(path));
        EXPECT_EQ(running.back()->IsFirst(), first) << path;
    }
    EXPECT_EQ(failures.notes, std::vector<std::string>(3, "identifying the settings folder"));
}

// The integrity label of a descriptor: its SID and policy ("S-1-16-8192 1": medium, no write
// up), read from the ACEs (Wine's SDDL text leaves labels out); "<none>" without one.
std::string LabelOf(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ACL* acl = nullptr;
    if (!::GetSecurityDescriptorSacl(descriptor, &present, &acl, &defaulted) || acl == nullptr) {
        return "<none>";
    }
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(acl, i, &ace)) continue;
        const auto* label = static_cast<const SYSTEM_MANDATORY_LABEL_ACE*>(ace);
        char* sid = nullptr;
        if (label->Header.AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE ||
            !::ConvertSidToStringSidA(const_cast<DWORD*>(&label->SidStart), &sid)) {
            continue;
        }
        const std::string text = std::string(sid) + " " + std::to_string(label->Mask);
        ::LocalFree(sid);
        return text;
    }
    return "<none>";
}

// What the stand-in for CreateFileMappingA was given, and the error it fails with.
std::string g_securityGiven;
std::string g_labelGiven;
DWORD g_createError = 0;

HANDLE FailingCreate(SECURITY_ATTRIBUTES* security, const char*) {
    char* text = nullptr;
    g_securityGiven = "<none>";
    g_labelGiven = security != nullptr ? LabelOf(security->lpSecurityDescriptor) : "<none>";
    if (security != nullptr &&
        ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            security->lpSecurityDescriptor, SDDL_REVISION_1,
            DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, &text, nullptr)) {
        g_securityGiven = text;
        ::LocalFree(text);
    }
    ::SetLastError(g_createError);
    return nullptr;
}

// The processes given the right to the foreground, in order.
std::vector<DWORD> g_granted;
BOOL WINAPI RecordGrant(DWORD processId) {
    g_granted.push_back(processId);
    return TRUE;
}

// Records the messages a hidden top-level window of this process receives.
std::vector<UINT> g_received;
LRESULT CALLBACK RecordMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 0xC000) g_received.push_back(message);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// An elevated copy's section refuses an ordinary start ("access denied"): that start is not the
// first, and it still wakes the copy (this process), whose section it may read, handing it the
// foreground. Any other failure leaves the start unguarded, as before.
TEST(SingleInstance, AccessDeniedMeansAnotherCopyRuns) {
    const TempDir x;
    const std::string settings = x.File(kSettingsName);
    const SingleInstance running(settings);
    ASSERT_TRUE(running.IsFirst());
    const WNDCLASSA windowClass{
        0,       RecordMessage, 0,       0,       ::GetModuleHandleA(nullptr),
        nullptr, nullptr,       nullptr, nullptr, "TkSingleInstanceTest"};
    ::RegisterClassA(&windowClass);
    const HWND window = ::CreateWindowA("TkSingleInstanceTest", "", WS_OVERLAPPED, 0, 0, 10, 10,
                                        nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    const UINT comeBack = ::RegisterWindowMessageA("TKAdjustTime.ComeBack");
    const struct {
        DWORD error;
        bool first;
        std::vector<UINT> woken;
        std::vector<DWORD> granted;
        std::vector<std::string> notes;
    } cases[] = {
        {ERROR_ACCESS_DENIED, false, {comeBack}, {::GetCurrentProcessId()}, {}},
        {ERROR_INVALID_PARAMETER, true, {}, {}, {"creating the section of the running copy"}},
    };
    for (const auto& c : cases) {
        FailureRecorder failures;
        g_createError = c.error;
        g_received.clear();
        g_granted.clear();
        const SingleInstance start(settings, FailingCreate, RecordGrant);
        EXPECT_EQ(start.IsFirst(), c.first) << c.error;
        if (!start.IsFirst()) start.WakeFirst();
        tk_test::PumpAll();
        EXPECT_EQ(g_received, c.woken) << c.error;
        EXPECT_EQ(g_granted, c.granted) << c.error;
        EXPECT_EQ(failures.notes, c.notes) << c.error;
        // Every process of the account Wine runs programs as may open it whole, at medium
        // integrity: an ordinary start of a user that an elevated copy runs for (Wine does not
        // check labels).
        EXPECT_EQ(g_securityGiven, "D:P(A;;GA;;;S-1-5-21-0-0-0-1000)") << c.error;
        EXPECT_EQ(g_labelGiven, "S-1-16-8192 1") << c.error;
    }
    ::DestroyWindow(window);
}

// Replaces the message filter for the life of the object and records its calls.
class FilterRecorder {
public:
    FilterRecorder() {
        m_previous = tk::ui::SetMessageFilterHook([this](HWND window, UINT message, DWORD action) {
            calls.emplace_back(window, message, action);
            return TRUE;
        });
    }
    ~FilterRecorder() { tk::ui::SetMessageFilterHook(m_previous); }
    FilterRecorder(const FilterRecorder&) = delete;
    FilterRecorder& operator=(const FilterRecorder&) = delete;
    std::vector<std::tuple<HWND, UINT, DWORD>> calls;

private:
    tk::ui::MessageFilterHook m_previous;
};

// The main window lets the request through (elevated, it would drop it otherwise); hidden in
// the tray after minimising, with another window in front, it comes back restored and in front,
// or with its open popup (the about box, the list window) in front: the popup takes the keys,
// the main window is disabled meanwhile.
TEST(SingleInstance, TheComeBackRequestRestoresTheMinimisedMainWindowInFront) {
    const FilterRecorder filter;
    const tk_test::BoxRecorder boxes;
    tk_test::MainWindow w;
    const UINT comeBack = ::RegisterWindowMessageA("TKAdjustTime.ComeBack");
    EXPECT_EQ(filter.calls, (std::vector<std::tuple<HWND, UINT, DWORD>>{{w.hwnd, comeBack, 1}}));
    const HWND other = ::CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                       nullptr, nullptr, nullptr);
    const struct {
        const char* name;
        const char* popup;  // its caption; nullptr: none open
        std::function<void()> open;
    } cases[] = {
        {"no popup", nullptr, [] {}},
        {"about box", "关于 TK自动校时", [&] { ::SendMessageA(w.hwnd, WM_SYSCOMMAND, 16, 0); }},
        {"list window", "控制卡参数", [&] { w.Click(IDC_SETTINGS); }},
    };
    for (const auto& c : cases) {
        const char* const name = c.name;
        HWND popup = nullptr;
        HWND front = nullptr;
        bool hidden = false;
        bool back = false;
        auto comeBackNow = [&] {
            popup = c.popup ? tk_test::FindThreadWindow(c.popup, w.hwnd) : w.hwnd;
            if (popup == nullptr) return false;
            ::ShowWindow(w.hwnd, SW_MINIMIZE);
            ::SetForegroundWindow(other);
            hidden = !::IsWindowVisible(w.hwnd) && ::GetForegroundWindow() == other;
            ::PostMessageA(w.hwnd, comeBack, 0, 0);
            tk_test::PumpAll();
            back = ::IsWindowVisible(w.hwnd) && !::IsIconic(w.hwnd) && ::IsWindowVisible(popup);
            front = ::GetForegroundWindow();
            if (c.popup) ::PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
            return true;
        };
        if (c.popup == nullptr) {
            comeBackNow();
        } else {
            const tk_test::ModalScript script({comeBackNow}, [&] {
                if (HWND open = tk_test::FindThreadWindow(c.popup, w.hwnd)) {
                    ::PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
                }
            });
            c.open();
            EXPECT_FALSE(script.GaveUp()) << name;
        }
        EXPECT_TRUE(hidden) << name;
        EXPECT_TRUE(back) << name;
        EXPECT_EQ(front, popup) << name;
    }
    ::DestroyWindow(other);
}

}  // namespace
