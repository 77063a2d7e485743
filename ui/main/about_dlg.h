// The about box: template IDD_ABOUTBOX, opened from the main window's system menu.
#pragma once

#include "ui/framework/dialog.h"

// Shows the program's name, version and copyright; OK, Esc and the close box close it through
// the framework's default OK and Cancel.
class CAboutDlg : public tk::ui::Dialog {
public:
    CAboutDlg();
};
