// One copy per folder, in the test process: the claim on a folder by its identity through
// several spellings, a section that a copy with other rights holds, and the main window's side
// of the hand-over (the message let through, the window brought back).
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>
// clang-format on

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

// What the stand-in for CreateFileMappingA was given, and the error it fails with.
std::string g_securityGiven;
DWORD g_createError = 0;

HANDLE FailingCreate(SECURITY_ATTRIBUTES* security, const char*) {
    char* text = nullptr;
    g_securityGiven = "<none>";
    if (security != nullptr && ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
                                   security->lpSecurityDescriptor, SDDL_REVISION_1,
                                   DACL_SECURITY_INFORMATION, &text, nullptr)) {
        g_securityGiven = text;
        ::LocalFree(text);
    }
    ::SetLastError(g_createError);
    return nullptr;
}

// Records the messages a hidden top-level window of this process receives.
std::vector<UINT> g_received;
LRESULT CALLBACK RecordMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 0xC000) g_received.push_back(message);
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// An elevated copy's section refuses an ordinary start ("access denied"): that start is not the
// first, and it still wakes the copy (this process), whose section it may read. Any other
// failure leaves the start unguarded, as before.
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
        std::vector<std::string> notes;
    } cases[] = {
        {ERROR_ACCESS_DENIED, false, {comeBack}, {}},
        {ERROR_INVALID_PARAMETER, true, {}, {"creating the section of the running copy"}},
    };
    for (const auto& c : cases) {
        FailureRecorder failures;
        g_createError = c.error;
        g_received.clear();
        const SingleInstance start(settings, FailingCreate);
        EXPECT_EQ(start.IsFirst(), c.first) << c.error;
        if (!start.IsFirst()) start.WakeFirst();
        tk_test::PumpAll();
        EXPECT_EQ(g_received, c.woken) << c.error;
        EXPECT_EQ(failures.notes, c.notes) << c.error;
        // Every process of the account Wine runs programs as may open it whole.
        EXPECT_EQ(g_securityGiven, "D:P(A;;GA;;;S-1-5-21-0-0-0-1000)") << c.error;
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
// the tray after minimising, it comes back restored and in front.
TEST(SingleInstance, TheComeBackRequestRestoresTheMinimisedMainWindowInFront) {
    const FilterRecorder filter;
    tk_test::MainWindow w;
    const UINT comeBack = ::RegisterWindowMessageA("TKAdjustTime.ComeBack");
    EXPECT_EQ(filter.calls, (std::vector<std::tuple<HWND, UINT, DWORD>>{{w.hwnd, comeBack, 1}}));
    ::ShowWindow(w.hwnd, SW_MINIMIZE);
    ASSERT_FALSE(::IsWindowVisible(w.hwnd));
    ::PostMessageA(w.hwnd, comeBack, 0, 0);
    tk_test::PumpAll();
    EXPECT_TRUE(::IsWindowVisible(w.hwnd));
    EXPECT_FALSE(::IsIconic(w.hwnd));
    EXPECT_EQ(::GetForegroundWindow(), w.hwnd);
}

}  // namespace
