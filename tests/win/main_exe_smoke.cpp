// Smoke test of the program: TKAdjustTime.exe and TK100_Dll.dll are copied into two folders of
// their own, X and Y, each with a settings file that names no screens (so nothing is probed or
// sent). The copy started in X shows its main window with the file's values; minimised, it
// hides in the tray. A copy started in Y runs beside it with a window of its own, and hides in
// the tray too. A second start from X (named in upper case) ends without a window and brings
// the first one back, and not Y's. WM_CLOSE ends both; neither settings file is written. Every wait
// has a time-out; on any failure the programs are terminated.
//   main_exe_smoke <TKAdjustTime.exe> <TK100_Dll.dll>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "resources/resource.h"
#include "tests/win/process_util.h"
#include "tests/win/win_test_util.h"

namespace {

// Longest wait for one step of another process (start, change of its window, end).
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 20;
constexpr char kCaption[] = "TK自动校时(V3.4)";
constexpr char kSettings[] = "[CONT]\r\nScreenCount=0\r\nnSel=1\r\nTimer=5\r\nbStart=0\r\n";

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
    return tk_test::PollUntil(done, timeoutMs, kPollMs);
}

// One start of TKAdjustTime.exe in dir; a copy still running at the end is terminated.
class Program {
public:
    explicit Program(const std::string& dir) : m_process(dir + "\\TKAdjustTime.exe", dir) {
        Check(m_process.Started(), "program starts",
              m_process.Started() ? dir : dir + " error " + std::to_string(m_process.StartError()));
    }

    DWORD Pid() const { return m_process.Pid(); }
    bool Ended(DWORD timeoutMs) const { return m_process.Ended(timeoutMs); }
    DWORD ExitCode() const { return m_process.ExitCode(); }
    // Waits until its message loop has first found the queue empty: only then does the modal
    // loop of the dialog manager show the main window (SW_SHOWNORMAL), whatever its template
    // says, and a window minimised before would come back on its own.
    bool Idle() const {
        HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, Pid());
        const bool idle = process != nullptr && ::WaitForInputIdle(process, kTimeoutMs) == 0;
        if (process != nullptr) ::CloseHandle(process);
        return idle;
    }

    // Its main window, once visible, checked against kSettings; null if it did not show.
    HWND MainWindow() const {
        HWND window = nullptr;
        if (m_process.Started()) {
            PollUntil(
                [&] {
                    // By its caption: the status line's tooltip is a visible window of the
                    // process too while the pointer rests on the line.
                    window = tk_test::VisibleWindowOf(
                        Pid(), [](HWND candidate) { return TextOf(candidate) == kCaption; });
                    return window != nullptr || Ended(0);
                },
                kTimeoutMs);
        }
        Check(window != nullptr, "main window shown");
        if (window == nullptr) return nullptr;
        Check(TextOf(::GetDlgItem(window, IDC_INTERVAL)) == "5", "interval restored");
        Check(TextOf(::GetDlgItem(window, IDC_UNIT)) == "分", "unit restored");
        Check(TextOf(::GetDlgItem(window, IDC_START_STOP)) == "启动自动校时", "automatic off");
        return window;
    }

    // Closed as its close box does; it ends with code 0.
    void Close(HWND window) const {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        Check(Ended(kTimeoutMs), "program ends after WM_CLOSE");
        Check(ExitCode() == 0, "exit code 0", std::to_string(ExitCode()));
    }

private:
    tk_test::ChildProcess m_process;
};

// Sent, as the minimise box sends it (Wine leaves a posted one undone); hidden in the tray.
void Minimise(HWND window, const char* what) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_ABORTIFHUNG, 5000, &result);
    Check(PollUntil([&] { return !::IsWindowVisible(window); }, kTimeoutMs), what);
}

// Copy A in x and copy C in y beside it, both hidden in the tray; a second start from x brings
// back A and only A.
void RunPrograms(const std::string& x, const std::string& y) {
    const Program a(x);
    const HWND aWindow = a.MainWindow();
    if (aWindow == nullptr) return;
    Check(a.Idle(), "first copy waits for input");
    Minimise(aWindow, "minimised window hidden in the tray");
    const Program c(y);
    const HWND cWindow = c.MainWindow();
    if (cWindow == nullptr) return;
    Check(c.Idle(), "other folder's copy waits for input");
    Minimise(cWindow, "other folder's copy hidden in the tray");

    {
        std::string upperX = x;
        ::CharUpperA(upperX.data());
        const Program b(upperX);
        bool bShowedWindow = false;
        Check(PollUntil(
                  [&] {
                      bShowedWindow = bShowedWindow || tk_test::VisibleWindowOf(b.Pid()) != nullptr;
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
    // Whatever the second start posted to C is in C's queue before this selection, which C
    // takes in turn: once it shows, C has answered anything of the second start's.
    const HWND interval = ::GetDlgItem(cWindow, IDC_INTERVAL);
    ::PostMessageA(interval, EM_SETSEL, 0, 1);
    Check(PollUntil([&] { return ::SendMessageA(interval, EM_GETSEL, 0, 0) == MAKELONG(0, 1); },
                    kTimeoutMs),
          "other folder's copy takes its messages");
    Check(!::IsWindowVisible(cWindow), "other folder's copy stays in the tray");

    c.Close(cWindow);
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
        copied = copied &&
                 ::CopyFileA(tk_test::WindowsPath(argv[1]).c_str(),
                             dir->File("TKAdjustTime.exe").c_str(), FALSE) &&
                 ::CopyFileA(tk_test::WindowsPath(argv[2]).c_str(),
                             dir->File("TK100_Dll.dll").c_str(), FALSE);
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
