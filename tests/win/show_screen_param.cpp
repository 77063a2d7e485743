// Developer program: shows the controller parameter window twice, side by side, as a new screen
// (number 5) and opened for a modified row, for a look or a screenshot. Ends after the given
// number of seconds (default 60) or when a window is closed.
#include <windows.h>

#include <cstdlib>

#include "core/screen_row_codec.h"
#include "ui/config/screen_param_dlg.h"

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    CSrcreenParamDlg added(5);
    CSrcreenParamDlg modified(3);
    modified.SetRow(
        {"TK310", "3", "网络通讯", "COM12", "57600", "5005", "127.0.0.7", "双色", "128", "64"});
    if (!added.Create() || !modified.Create()) return 1;
    RECT rect;
    ::GetWindowRect(added.Hwnd(), &rect);
    ::SetWindowPos(added.Hwnd(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(modified.Hwnd(), nullptr, 40 + rect.right - rect.left, 20, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(added.Hwnd(), SW_SHOW);
    ::ShowWindow(modified.Hwnd(), SW_SHOW);
    ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        if (added.Hwnd() == nullptr || modified.Hwnd() == nullptr) break;
        if (!::IsDialogMessageA(added.Hwnd(), &msg) && !::IsDialogMessageA(modified.Hwnd(), &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return 0;
}
