// Smoke test of the program: TKAdjustTime.exe and TK100_Dll.dll are copied into two folders of
// their own, X and Y, each with a settings file that names no screens (so nothing is probed or
// sent). The copy started in X shows its main window with the file's values; minimised, it
// hides in the tray. A second start from X (named in upper case) ends without a window and
// brings the first one back. A copy started in Y runs beside it with a window of its own.
// WM_CLOSE ends both; neither settings file is written. Every wait has a time-out; on any
// failure the programs are terminated.
//   main_exe_smoke <TKAdjustTime.exe> <TK100_Dll.dll>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "tests/win/win_test_util.h"

namespace {

// Longest wait for one step of another process (start, change of its window, end).
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 20;
constexpr char kCaption[] = "TK自动校时(V3.4)";
constexpr char kSettings[] = "[CONT]\r\nScreenCount=0\r\nnSel=1\r\nTimer=5\r\nbStart=0\r\n";

// A path as ctest hands it over (a Unix path under Wine) in Windows form.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// The first visible top-level window of process pid, if any.
struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !::IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD pid) {
    WindowSearch search{pid, nullptr};
    ::EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Text of another process's window or control.
std::string TextOf(HWND window) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}

int failures = 0;

void Check(bool ok, const char* what, const std::string& detail = std::string()) {
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAILED", what, detail.empty() ? "" : " - ",
                detail.c_str());
    if (!ok) ++failures;
}

// Polls until done() holds; false after timeoutMs.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(kPollMs);
    }
    return true;
}

// One start of TKAdjustTime.exe in dir; a copy still running at the end is terminated.
class Program {
public:
    explicit Program(const std::string& dir) {
        const std::string exe = dir + "\\TKAdjustTime.exe";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + exe + "\"";
        m_started = ::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, dir.c_str(), &startup, &m_process) != FALSE;
        Check(m_started, "program starts",
              m_started ? dir : dir + " error " + std::to_string(::GetLastError()));
    }
    ~Program() {
        if (!m_started) return;
        if (!Ended(0)) {
            ::TerminateProcess(m_process.hProcess, 99);
            Ended(kTimeoutMs);
        }
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Pid() const { return m_process.dwProcessId; }
    bool Ended(DWORD timeoutMs) const {
        return !m_started || ::WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 99;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

    // Its main window, once visible, checked against kSettings; null if it did not show.
    HWND MainWindow() const {
        HWND window = nullptr;
        if (m_started) {
            PollUntil([&] { return (window = VisibleWindowOf(Pid())) != nullptr || Ended(0); },
                      kTimeoutMs);
        }
        Check(window != nullptr, "main window shown");
        if (window == nullptr) return nullptr;
        Check(TextOf(window) == kCaption, "caption", TextOf(window));
        Check(TextOf(::GetDlgItem(window, 1002)) == "5", "interval restored");
        Check(TextOf(::GetDlgItem(window, 1006)) == "分", "unit restored");
        Check(TextOf(::GetDlgItem(window, 1000)) == "启动自动校时", "automatic off");
        return window;
    }

    // Closed as its close box does; it ends with code 0.
    void Close(HWND window) const {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        Check(Ended(kTimeoutMs), "program ends after WM_CLOSE");
        Check(ExitCode() == 0, "exit code 0", std::to_string(ExitCode()));
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

// Copy A in x; a second start from x while A hides in the tray; copy C in y beside A.
void RunPrograms(const std::string& x, const std::string& y) {
    const Program a(x);
    const HWND aWindow = a.MainWindow();
    if (aWindow == nullptr) return;
    // Sent, as the minimise box sends it (Wine leaves a posted one undone).
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(aWindow, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_ABORTIFHUNG, 5000, &result);
    Check(PollUntil([&] { return !::IsWindowVisible(aWindow); }, kTimeoutMs),
          "minimised window hidden in the tray");

    {
        std::string upperX = x;
        ::CharUpperA(upperX.data());
        const Program b(upperX);
        bool bShowedWindow = false;
        Check(PollUntil(
                  [&] {
                      bShowedWindow = bShowedWindow || VisibleWindowOf(b.Pid()) != nullptr;
                      return b.Ended(0);
                  },
                  kTimeoutMs),
              "second start from the same folder ends");
        Check(!bShowedWindow, "second start shows no window");
        Check(b.ExitCode() == 0, "second start's exit code 0", std::to_string(b.ExitCode()));
    }
    Check(PollUntil([&] { return ::IsWindowVisible(aWindow) && !::IsIconic(aWindow); }, kTimeoutMs),
          "first copy shown again, restored");
    Check(PollUntil([&] { return ::GetForegroundWindow() == aWindow; }, kTimeoutMs),
          "first copy in front");

    {
        const Program c(y);
        const HWND cWindow = c.MainWindow();
        if (cWindow != nullptr) c.Close(cWindow);
    }
    Check(!a.Ended(0), "first copy runs on beside the other folder's");
    a.Close(aWindow);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: main_exe_smoke <TKAdjustTime.exe> <TK100_Dll.dll>\n");
        return 2;
    }
    const tk_test::TempDir x;
    const tk_test::TempDir y;
    bool copied = true;
    for (const tk_test::TempDir* dir : {&x, &y}) {
        copied =
            copied &&
            ::CopyFileA(WindowsPath(argv[1]).c_str(), dir->File("TKAdjustTime.exe").c_str(),
                        FALSE) &&
            ::CopyFileA(WindowsPath(argv[2]).c_str(), dir->File("TK100_Dll.dll").c_str(), FALSE);
        tk_test::WriteFileBytes(dir->File("TK100_Dll_Set.ini"), kSettings);
    }
    Check(copied, "programs and libraries copied", x.Path() + " " + y.Path());

    if (copied) RunPrograms(x.Path(), y.Path());
    // Nothing is saved on closing, at start-up, nor by the second start.
    Check(tk_test::ReadFileBytes(x.File("TK100_Dll_Set.ini")) == kSettings,
          "settings file unchanged in X");
    Check(tk_test::ReadFileBytes(y.File("TK100_Dll_Set.ini")) == kSettings,
          "settings file unchanged in Y");
    return failures == 0 ? 0 : 1;
}
