// The common Open and Save dialogs that choose an exchange file.
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <string>
#include <vector>

#include "core/base/failure_report.h"
#include "ui/config/screen_list_services.h"

namespace tk::ui {

namespace {

// The filter in the framework's notation: pairs of title and pattern, each ended by '|'.
constexpr char kExchangeFilter[] = "Ini Files(*.ini)|*.ini|All Files(*.*)|*.*||";

// The filter as the dialog takes it: every '|' a NUL.
std::string DialogFilter(const char* filter) {
    std::string result(filter);
    for (char& c : result) {
        if (c == '|') c = '\0';
    }
    return result;
}

// Runs one new-style dialog without an initial name; false when it was cancelled.
bool RunFileDialog(HWND owner, bool open, const char* defaultExtension, std::string& path) {
    const std::string filter = DialogFilter(kExchangeFilter);
    std::vector<char> name(32768, '\0');
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    const BOOL chosen = open ? ::GetOpenFileNameA(&dialog) : ::GetSaveFileNameA(&dialog);
    if (!chosen) {
        // Cancel leaves no error; anything else is a dialog that could not be shown, which the
        // operator meets as a Cancel.
        if (const DWORD error = ::CommDlgExtendedError(); error != 0) {
            ::SetLastError(error);
            tk::ReportFailure(open ? "showing the Open dialog" : "showing the Save dialog");
        }
        return false;
    }
    path = name.data();
    return true;
}

}  // namespace

bool CommonFileDialogs::ChooseOpenPath(HWND owner, std::string& path) {
    return RunFileDialog(owner, true, "Ini", path);
}

bool CommonFileDialogs::ChooseSavePath(HWND owner, std::string& path) {
    return RunFileDialog(owner, false, "ini", path);
}

}  // namespace tk::ui
