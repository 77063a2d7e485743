#include "ui/main/about_dlg.h"

#include "resources/resource.h"

// Built from template IDD_ABOUTBOX; it has no members, data exchange or handlers of its own.
CAboutDlg::CAboutDlg() : tk::ui::Dialog(IDD_ABOUTBOX) {}
