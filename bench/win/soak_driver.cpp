// Drives and measures a running TKAdjustTime.exe from another process of the same Wine prefix,
// for bench/soak. The tool's main window is found by its caption; every figure is read through
// a handle on the tool's process:
//   soak_driver wait                     waits for the main window, prints its process id
//   soak_driver sample LABEL COUNT       one line of figures, labelled
//   soak_driver passes N EVERY           N passes through the manual button, one sample each EVERY
//   soak_driver lists N EVERY            N openings of the list window, each closed with Esc
//   soak_driver readds N EVERY           N "TaskbarCreated" messages (tray icon re-added)
//   soak_driver stop-auto                switches automatic synchronisation off and waits for it
//   soak_driver close                    ends the tool with Cancel and waits for its exit
// A sample line reads "sample LABEL COUNT handles=H gdi=G user=U private=P workingset=W ms=T"
// (bytes; T the milliseconds since the command began). Exit status 0, or 1 with a line saying
// what went wrong.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/win/bench_util.h"
#include "resources/resource.h"
#include "tests/win/process_util.h"

namespace {

constexpr char kMainCaption[] = "TK自动校时(V3.4)";
constexpr char kDialogClass[] = "#32770";
constexpr DWORD kWaitMs = 30000;  // the longest any one step of the tool may take

// The tool's main window and a handle on its process.
struct Tool {
    HWND window = nullptr;
    HANDLE process = nullptr;
    DWORD pid = 0;
};

int Fail(const std::string& what) {
    std::printf("soak_driver: %s\n", what.c_str());
    std::fflush(stdout);
    return 1;
}

// Polls until check holds or kWaitMs pass; the tool works on in its own process meanwhile.
bool WaitFor(const std::function<bool()>& check) { return tk_test::PollUntil(check, kWaitMs, 1); }

bool FindTool(Tool& tool) {
    if (!WaitFor(
            [&] { return (tool.window = ::FindWindowA(kDialogClass, kMainCaption)) != nullptr; })) {
        return false;
    }
    ::GetWindowThreadProcessId(tool.window, &tool.pid);
    tool.process =
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, tool.pid);
    return tool.process != nullptr;
}

// Waits until the tool's window thread has finished what it was doing and is back in a message
// loop: a sent message is handled only there.
bool Settled(const Tool& tool) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(tool.window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
}

// Handle count and private bytes of a process as the system's process list gives them (Wine
// answers GetProcessHandleCount for another process with 0).
struct ListedFigures {
    unsigned long handles = 0;
    unsigned long long privateBytes = 0;
};

ListedFigures FromProcessList(DWORD pid) {
    using QuerySystemInformation = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    ListedFigures figures;
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    if (query == nullptr || query(SystemProcessInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed) != 0) {
        return figures;
    }
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&buffer[offset]);
        if (reinterpret_cast<uintptr_t>(entry->UniqueProcessId) == pid) {
            figures.handles = entry->HandleCount;
            figures.privateBytes = entry->PrivatePageCount;
            break;
        }
        if (entry->NextEntryOffset == 0) break;
        offset += entry->NextEntryOffset;
    }
    return figures;
}

// Windows of the tool's process, top-level and child: USER objects that can be counted from
// outside when GetGuiResources cannot (Wine answers it with 0).
BOOL CALLBACK CountChild(HWND, LPARAM data) {
    ++*reinterpret_cast<unsigned long*>(data);
    return TRUE;
}

struct WindowCount {
    DWORD pid;
    unsigned long count;
};

BOOL CALLBACK CountTopLevel(HWND window, LPARAM data) {
    auto* windows = reinterpret_cast<WindowCount*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == windows->pid) {
        ++windows->count;
        ::EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&windows->count));
    }
    return TRUE;
}

unsigned long WindowsOf(DWORD pid) {
    WindowCount windows{pid, 0};
    ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    return windows.count;
}

void Sample(const Tool& tool, const char* label, long count, double startMs) {
    DWORD handles = 0;
    ::GetProcessHandleCount(tool.process, &handles);
    const DWORD gdi = ::GetGuiResources(tool.process, GR_GDIOBJECTS);
    const DWORD user = ::GetGuiResources(tool.process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(tool.process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory);
    const ListedFigures listed = FromProcessList(tool.pid);
    std::printf(
        "sample %s %ld handles=%lu listed_handles=%lu gdi=%lu user=%lu windows=%lu private=%llu "
        "listed_private=%llu pagefile=%llu workingset=%llu ms=%.0f\n",
        label, count, static_cast<unsigned long>(handles), listed.handles,
        static_cast<unsigned long>(gdi), static_cast<unsigned long>(user), WindowsOf(tool.pid),
        static_cast<unsigned long long>(memory.PrivateUsage), listed.privateBytes,
        static_cast<unsigned long long>(memory.PagefileUsage),
        static_cast<unsigned long long>(memory.WorkingSetSize), tk_bench::NowMs() - startMs);
    std::fflush(stdout);
}

// One pass through the manual button; the click is sent, so it returns when the pass has ended.
bool ManualPass(const Tool& tool) {
    HWND button = ::GetDlgItem(tool.window, IDC_MANUAL);
    if (!::IsWindowEnabled(button)) return false;
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result) != 0;
}

// A visible top-level window of the tool's process other than its main window and the status
// line's tooltip (shown while the pointer rests on the line): the list window while it is open.
HWND OtherWindowOf(const Tool& tool) {
    return tk_test::VisibleWindowOf(tool.pid, [&](HWND window) {
        char className[64] = {};
        ::GetClassNameA(window, className, sizeof className);
        return window != tool.window && std::string(className) != TOOLTIPS_CLASSA;
    });
}

// Opens the list window with its button and closes it with Esc. The button's click runs the
// window's modal loop, so it is posted; the main window has settled when its handler returned.
bool OpenAndCloseList(const Tool& tool) {
    HWND button = ::GetDlgItem(tool.window, IDC_SETTINGS);
    if (!::IsWindowEnabled(button)) return false;
    ::PostMessageA(button, BM_CLICK, 0, 0);
    HWND list = nullptr;
    if (!WaitFor([&] { return (list = OtherWindowOf(tool)) != nullptr; })) return false;
    // Esc on the list, as a user would press it: the window's dialog loop makes it Cancel.
    HWND rows = ::GetDlgItem(list, IDC_LIST_SCREENS);
    if (rows == nullptr) return false;
    ::PostMessageA(rows, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageA(rows, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    return WaitFor([&] { return !::IsWindow(list); }) && Settled(tool);
}

// The shell's message that the notification area was re-created; the tool adds its icon again.
bool ReAdd(const Tool& tool) {
    static const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(tool.window, taskbarCreated, 0, 0, SMTO_NORMAL, kWaitMs,
                                 &result) != 0;
}

// Runs one action count times, sampling before the first and after each `every`.
template <typename Action>
int Repeat(const Tool& tool, const char* label, long count, long every, Action action) {
    const double start = tk_bench::NowMs();
    Sample(tool, label, 0, start);
    for (long i = 1; i <= count; ++i) {
        if (!action(tool)) return Fail(std::string(label) + " " + std::to_string(i) + " failed");
        if (i % every == 0 || i == count) Sample(tool, label, i, start);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    const long n = argc > 2 ? std::atol(argv[2]) : 0;
    const long every = argc > 3 ? std::max(1L, std::atol(argv[3])) : 1;
    Tool tool;
    if (!FindTool(tool)) return Fail("no main window of the tool, or its process cannot be opened");

    if (command == "wait") {
        std::printf("pid %lu\n", static_cast<unsigned long>(tool.pid));
        return Settled(tool) ? 0 : Fail("the tool does not answer");
    }
    if (command == "sample" && argc > 3) {
        Sample(tool, argv[2], std::atol(argv[3]), tk_bench::NowMs());
        return 0;
    }
    if (command == "passes") return Repeat(tool, "passes", n, every, ManualPass);
    if (command == "lists") return Repeat(tool, "lists", n, every, OpenAndCloseList);
    if (command == "readds") return Repeat(tool, "readds", n, every, ReAdd);
    if (command == "stop-auto") {
        HWND settings = ::GetDlgItem(tool.window, IDC_SETTINGS);
        if (::IsWindowEnabled(settings)) return 0;
        // A press during a pass waits for the pass to end; the settings button comes back then.
        ::PostMessageA(::GetDlgItem(tool.window, IDC_START_STOP), BM_CLICK, 0, 0);
        return WaitFor([&] { return ::IsWindowEnabled(settings) != FALSE; })
                   ? 0
                   : Fail("automatic synchronisation did not switch off");
    }
    if (command == "close") {
        ::PostMessageA(tool.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return ::WaitForSingleObject(tool.process, kWaitMs) == WAIT_OBJECT_0
                   ? 0
                   : Fail("the tool did not end");
    }
    return Fail("unknown command: " + command);
}
