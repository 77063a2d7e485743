#include "ui/main/single_instance.h"

#include <cstdint>

#include "core/failure_report.h"

namespace tk::ui {

UINT g_comeBackMessage = 0;

namespace {

// Name of the section for settingsPath: "Local\TKAdjustTime-" and a 64-bit FNV-1a hash of the
// path's UTF-16 units in upper case, as the file system compares names. A hash, since a name
// may hold no further backslash and a path can be longer than a name.
std::string SectionName(const std::string& settingsPath) {
    const int size = static_cast<int>(settingsPath.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, settingsPath.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, settingsPath.data(), size, wide.data(), length);
    ::CharUpperBuffW(wide.data(), static_cast<DWORD>(length));
    uint64_t hash = 14695981039346656037ull;
    for (wchar_t unit : wide) {
        hash ^= static_cast<uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    std::string name = "Local\\TKAdjustTime-";
    for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 0xF];
    return name;
}

// EnumWindows callback of WakeFirst: posts the request to each top-level window of the process
// (only the main window answers it).
BOOL CALLBACK PostComeBack(HWND window, LPARAM processId) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId)) {
        ::PostMessageA(window, g_comeBackMessage, 0, 0);
    }
    return TRUE;
}

}  // namespace

// A section that cannot be had at all leaves the program running unguarded, as it did before.
SingleInstance::SingleInstance(const std::string& settingsPath) {
    if (g_comeBackMessage == 0) {
        g_comeBackMessage = ::RegisterWindowMessageA("TKAdjustTime.ComeBack");
    }
    HANDLE section = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          sizeof(DWORD), SectionName(settingsPath).c_str());
    const DWORD error = ::GetLastError();
    if (section == nullptr) {
        tk::ReportFailure("creating the section of the running copy");
        return;
    }
    m_section.Reset(section);
    m_first = error != ERROR_ALREADY_EXISTS;
    if (!m_first) return;
    void* view = ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(DWORD));
    if (view == nullptr) {
        tk::ReportFailure("writing the running copy's process ID");
        return;
    }
    *static_cast<volatile DWORD*>(view) = ::GetCurrentProcessId();
    ::UnmapViewOfFile(view);
}

// A first copy that has not written its ID yet (0) is only just starting: its window will show
// on its own.
void SingleInstance::WakeFirst() const {
    const void* view = ::MapViewOfFile(m_section.Get(), FILE_MAP_READ, 0, 0, sizeof(DWORD));
    if (view == nullptr) {
        tk::ReportFailure("reading the running copy's process ID");
        return;
    }
    const DWORD processId = *static_cast<const volatile DWORD*>(view);
    ::UnmapViewOfFile(view);
    if (processId == 0) return;
    // This process, just started by the user, may hand its right to the foreground on.
    ::AllowSetForegroundWindow(processId);
    ::EnumWindows(PostComeBack, static_cast<LPARAM>(processId));
}

void ComeBack(HWND mainWindow) {
    ::ShowWindow(mainWindow, SW_SHOWNORMAL);
    ::SetForegroundWindow(::GetLastActivePopup(mainWindow));
}

}  // namespace tk::ui
