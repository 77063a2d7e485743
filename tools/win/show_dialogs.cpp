// Developer program: shows the main window's and the about box's templates side by side, as
// the dialog manager builds them, for a look or a screenshot. Ends after the given number of
// seconds (default 60) or when a window is closed.
#include <windows.h>

#include <cstdlib>

#include "resources/resource.h"

namespace {

// Leaves everything to the dialog manager, except that closing either window ends the program.
INT_PTR CALLBACK PlainProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) ::PostQuitMessage(0);
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    HWND main = ::CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_ADJUSTTIME_DIALOG), nullptr,
                                     PlainProc, 0);
    HWND about =
        ::CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, PlainProc, 0);
    if (main == nullptr || about == nullptr) return 1;
    RECT rect;
    ::GetWindowRect(main, &rect);
    ::SetWindowPos(main, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(about, nullptr, 40 + rect.right - rect.left, 20, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(about, SW_SHOW);
    ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        if (!::IsDialogMessageA(main, &msg) && !::IsDialogMessageA(about, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return 0;
}
