// Starting a built program and finding its windows from another process, for the Windows tests
// and the benchmarks that drive TKAdjustTime.exe under Wine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tk_test {

// A path as ctest hands it over (a Unix path under Wine) in Windows form: Wine reaches the
// host's root as drive Z:.
inline std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// Polls every pollMs until done() holds; false once timeoutMs have passed. The other process
// works on meanwhile.
inline bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(pollMs);
    }
    return true;
}

struct WindowSearch {
    DWORD pid;
    const std::function<bool(HWND)>& match;
    HWND found;
};

// EnumWindows callback of VisibleWindowOf (CALLBACK: a lambda would have the wrong calling
// convention on x86).
inline BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !::IsWindowVisible(window) ||
        (search->match && !search->match(window))) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// The first visible top-level window of process pid that match accepts (without match, any).
inline HWND VisibleWindowOf(DWORD pid, const std::function<bool(HWND)>& match = nullptr) {
    WindowSearch search{pid, match, nullptr};
    ::EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// One start of a program in dir (its current directory), with arguments after its quoted name.
// A process still running when the object goes is terminated.
class ChildProcess {
public:
    ChildProcess(const std::string& exe, const std::string& dir,
                 const std::string& arguments = std::string()) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
        m_started = ::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, dir.c_str(), &startup, &m_process) != FALSE;
        m_startError = m_started ? 0 : ::GetLastError();
    }
    ~ChildProcess() {
        if (!m_started) return;
        if (!Ended(0)) {
            ::TerminateProcess(m_process.hProcess, 99);
            Ended(30000);
        }
        ::CloseHandle(m_process.hThread);
        ::CloseHandle(m_process.hProcess);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_started; }
    DWORD StartError() const { return m_startError; }  // GetLastError of a failed start
    DWORD Pid() const { return m_process.dwProcessId; }
    // True once the process has ended, waiting at most timeoutMs; true if it never started.
    bool Ended(DWORD timeoutMs) const {
        return !m_started || ::WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 99;
        ::GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
    DWORD m_startError = 0;
};

}  // namespace tk_test
