// The program: the application object and the entry point that runs it.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "ui/main/adjust_time_dlg.h"

// The application: runs the main window once and ends with it. It has no name of its own (the
// message boxes take theirs from the executable) and reads no command line.
class CTK自动校时App {
public:
    // Runs the main window modally; false: nothing more to do once it has closed.
    bool InitInstance();
};

// Common controls first, then the main window, modally, for the whole run.
bool CTK自动校时App::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    {
        CAdjustTimeDlg dialog;
        dialog.DoModal();
    }
    return false;
}

// The one application object, there from program load.
CTK自动校时App theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
