// Data exchange between a dialog's members and its controls, one DoDataExchange per dialog.
#pragma once

#include <windows.h>

#include <string>

#include "ui/framework/controls.h"

namespace tk::ui {

// The framework's prompt when a control bound to an integer holds something else.
inline constexpr char kIntegerPrompt[] = "请输入一个整数。";

// Parses a whole number: optional blanks, an optional sign, at least one digit, optional
// blanks, nothing else, and within the range of int. Leaves value alone on failure.
bool ParseWholeNumber(const std::string& text, int& value);

// One run of a dialog's data exchange, in one direction. Each call binds one control to one
// member; after the first failure the remaining calls do nothing, so the members of later
// controls keep their values.
//
//   bool CMyDlg::DoDataExchange(bool take) {
//       tk::ui::DataExchange dx(Hwnd(), take);
//       dx.Control(IDC_UNIT, m_unitList);
//       dx.Int(IDC_INTERVAL, m_interval);
//       dx.Check(IDC_AUTO_START, m_autoStart);
//       return dx.Ok();
//   }
class DataExchange {
public:
    // dialog: the dialog window whose controls are exchanged; it also owns the prompt.
    DataExchange(HWND dialog, bool take) : m_dialog(dialog), m_take(take) {}

    bool Ok() const { return m_ok; }

    // Integer with an edit: push writes "%d"; take parses a whole number, and on anything else
    // shows the integer prompt, focuses the edit with its text selected and fails.
    void Int(int id, int& value);
    // Check box with an integer: 1 ticked, 0 clear (2 indeterminate).
    void Check(int id, int& value);
    // Text with an edit or static.
    void Text(int id, std::string& value);
    // Binds a wrapper to the control the first time (both directions).
    void Control(int id, Window& control);

private:
    void Fail(HWND control);

    HWND m_dialog;
    bool m_take;
    bool m_ok = true;
};

}  // namespace tk::ui
