// The idle reference of bench/run-all: about the least a Wine program with a ticking line can
// do. One window with one static control, whose text a window timer sets to the local time once
// a second; nothing else (no dialog manager, no tray icon, no files). The tool idling with its
// clock line is measured against it side by side, so that the figure says how far the tool is
// above the floor Wine itself sets, whatever the machine and its load.
#include <windows.h>

#include <cstdio>

namespace {

constexpr UINT_PTR kTickTimerId = 1;
constexpr UINT kTickMs = 1000;
constexpr char kClassName[] = "TkIdleReference";

HWND g_line = nullptr;

// Sets the line to the local time, as the tool's clock line does.
void Tick() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
    ::SetWindowTextA(g_line, text);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            g_line = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10,
                                       200, 20, window, nullptr, nullptr, nullptr);
            ::SetTimer(window, kTickTimerId, kTickMs, nullptr);
            Tick();
            return 0;
        case WM_TIMER:
            Tick();
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassA(&windowClass) == 0) return 1;
    HWND window = ::CreateWindowExA(
        0, kClassName, "idle reference", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        CW_USEDEFAULT, CW_USEDEFAULT, 240, 80, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ::ShowWindow(window, show);
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
