// Smoke test of the program: TKAdjustTime.exe and TK100_Dll.dll are copied into a directory of
// their own with a settings file that names no screens (so nothing is probed or sent), the
// program is started there, its main window is found by its caption, and WM_CLOSE ends it.
// Every wait has a time-out; on any failure the program is terminated.
//   main_exe_smoke <TKAdjustTime.exe> <TK100_Dll.dll>
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/win/win_test_util.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 30000;
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

// Starts the program in dir and checks it from its first idle moment to its end.
void RunProgram(const std::string& dir) {
    const std::string exe = dir + "\\TKAdjustTime.exe";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + exe + "\"";
    if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          dir.c_str(), &startup, &process)) {
        Check(false, "program starts", "CreateProcess error " + std::to_string(::GetLastError()));
        return;
    }
    // The window exists once the program waits for input in its modal loop.
    const DWORD idle = ::WaitForInputIdle(process.hProcess, kStartTimeoutMs);
    Check(idle == 0, "program reaches its message loop", std::to_string(idle));
    WindowSearch search{process.dwProcessId, nullptr};
    for (int attempt = 0; attempt < 50 && search.found == nullptr; ++attempt) {
        ::EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr &&
            ::WaitForSingleObject(process.hProcess, 200) == WAIT_OBJECT_0) {
            break;
        }
    }
    Check(search.found != nullptr, "main window shown");
    if (search.found != nullptr) {
        Check(TextOf(search.found) == kCaption, "caption", TextOf(search.found));
        Check(TextOf(::GetDlgItem(search.found, 1002)) == "5", "interval restored");
        Check(TextOf(::GetDlgItem(search.found, 1006)) == "分", "unit restored");
        Check(TextOf(::GetDlgItem(search.found, 1000)) == "启动自动校时", "automatic off");
        ::PostMessageA(search.found, WM_CLOSE, 0, 0);
    }
    const DWORD ended = ::WaitForSingleObject(process.hProcess, kExitTimeoutMs);
    Check(ended == WAIT_OBJECT_0, "program ends after WM_CLOSE");
    if (ended != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 99);
        ::WaitForSingleObject(process.hProcess, kExitTimeoutMs);
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    Check(code == 0, "exit code 0", std::to_string(code));
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: main_exe_smoke <TKAdjustTime.exe> <TK100_Dll.dll>\n");
        return 2;
    }
    const tk_test::TempDir dir;
    const std::string settings = dir.File("TK100_Dll_Set.ini");
    const bool copied =
        ::CopyFileA(WindowsPath(argv[1]).c_str(), dir.File("TKAdjustTime.exe").c_str(), FALSE) &&
        ::CopyFileA(WindowsPath(argv[2]).c_str(), dir.File("TK100_Dll.dll").c_str(), FALSE);
    Check(copied, "program and library copied", dir.Path());
    tk_test::WriteFileBytes(settings, kSettings);

    if (copied) RunProgram(dir.Path());
    // Nothing is saved on closing (nor at start-up).
    Check(tk_test::ReadFileBytes(settings) == kSettings, "settings file unchanged");
    return failures == 0 ? 0 : 1;
}
