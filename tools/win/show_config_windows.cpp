// Developer program: shows the controller list window over a settings file and the parameter
// window for one of its rows side by side, for a look or a screenshot. Ends after the given
// number of seconds (default 60) or when a window is closed.
//   show_config_windows.exe settings.ini [seconds]
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdlib>

#include "core/screens/settings_file.h"
#include "core/store/win32_profile_win.h"
#include "ui/config/screen_list_dlg.h"
#include "ui/config/screen_param_dlg.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES;
    ::InitCommonControlsEx(&controls);
    tk::ui::ParameterWindowEditor editor;
    tk::ui::CommonFileDialogs files;
    tk::Win32Profile api(argv[1]);
    tk::SettingsFile settings(argv[1], api);
    CCreateIniFile list(settings, editor, files);
    if (!list.Create()) return 1;
    CSrcreenParamDlg param(1);
    if (list.RowCount() > 0) param.SetRow(list.Row(0));
    if (!param.Create()) return 1;
    RECT rect;
    ::GetWindowRect(list.Hwnd(), &rect);
    ::SetWindowPos(list.Hwnd(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(param.Hwnd(), nullptr, 10, 30 + rect.bottom - rect.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
    ::ShowWindow(list.Hwnd(), SW_SHOW);
    ::ShowWindow(param.Hwnd(), SW_SHOW);
    ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        if (!list.EndResult() && ::IsDialogMessageA(list.Hwnd(), &msg)) continue;
        if (!param.EndResult() && ::IsDialogMessageA(param.Hwnd(), &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
        if (list.EndResult() || param.EndResult()) break;
    }
    return 0;
}
