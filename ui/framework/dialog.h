// Dialog windows built from the templates in the resources: run modally (DialogBoxParamA) or
// created modeless (CreateDialogParamA, which lets tests drive a real dialog in-process).
#ifndef TK_UI_FRAMEWORK_DIALOG_H
#define TK_UI_FRAMEWORK_DIALOG_H

#include <windows.h>

#include <optional>
#include <string>

#include "ui/framework/controls.h"

namespace tk::ui {

// The framework's prompt when a control bound to an integer holds something else.
inline constexpr char kIntegerPrompt[] = "请输入一个整数。";

// Result a dialog ends with when a handler let an exception out.
inline constexpr INT_PTR kAbortResult = IDABORT;

// Parses a whole number: optional blanks, an optional sign, at least one digit, optional
// blanks, nothing else, and within the range of int. Leaves value alone on failure.
bool ParseWholeNumber(const std::string& text, int& value);

// Base of every dialog window of the program.
//
// Messages reach a dialog in this order: WM_INITDIALOG first fills the lists named in the
// template's initialisation data (resource type 240 under the template's ID: records of control
// ID, 0x0403 for a combo box or 0x0401 for a list box, text length and GBK text with its
// terminating zero, ended by a zero ID) and then goes to OnInitDialog; every other
// message is offered to ProcessMessage (the class's message table); WM_COMMAND IDOK and
// IDCANCEL that the table leaves alone go to OnOK and OnCancel; anything still unhandled gets
// the dialog manager's default handling. While a data exchange runs, control notifications
// (WM_COMMAND from a control, WM_NOTIFY) are dropped before they reach the table, so a push
// that rewrites an edit does not look like the user's change.
//
// "Default handling first, then more" (WM_SIZE, WM_DESTROY): for a dialog the default is the
// dialog manager's own, which runs only after the dialog procedure returns FALSE. For WM_SIZE
// and WM_DESTROY it does nothing that the handler could observe, so a handler that does its
// work and sets handled to false is equivalent to running after the default.
class Dialog {
public:
    explicit Dialog(UINT templateId);
    // A modeless window still open is destroyed without reaching the handlers (the derived
    // part is gone by then): call Destroy first if its WM_DESTROY handling matters.
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns the EndDialog result, or -1 if it could not be created.
    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog modeless; false if it could not be created.
    bool Create(HWND owner = nullptr);
    // Destroys a modeless dialog's window.
    void Destroy();

    // Ends the dialog with result: a modal run returns it; a modeless window is destroyed.
    void EndDialog(INT_PTR result);
    // The result EndDialog was called with, once it was.
    std::optional<INT_PTR> EndResult() const { return m_endResult; }

    // Exchanges data between members and controls; take = from the controls. Control
    // notifications raised meanwhile do not reach the handlers.
    bool UpdateData(bool take);

    HWND Hwnd() const { return m_hwnd; }
    HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    UINT TemplateId() const { return m_templateId; }

    // Shows a message box owned by the dialog, through the framework's message-box hook.
    int MessageBox(const std::string& text, UINT type = MB_OK) const;

    // Module holding the templates and icons: the executable.
    static HINSTANCE ResourceModule();

protected:
    // WM_INITDIALOG, after the template's initialisation data was applied. The default pushes
    // the members into the controls and returns TRUE (focus to the first tab stop).
    virtual BOOL OnInitDialog();
    // IDOK: takes the values from the controls and, if that works, ends with IDOK.
    virtual void OnOK();
    // IDCANCEL (Esc, close box, Alt+F4): ends with IDCANCEL.
    virtual void OnCancel();
    // The dialog's one data-exchange routine (see DataExchange); true when it succeeded.
    virtual bool DoDataExchange(bool take);
    // Dispatches a message through the class's message table; true when handled, with the
    // message's result.
    virtual bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // What the dialog manager does with a message the dialog leaves alone, for messages it
    // passes to DefWindowProc (WM_CTLCOLOR*, WM_PAINT, WM_SYSCOMMAND, ...): the default colours
    // and brush for a control, say.
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyInitData();
    void CenterOnOwner();
    void Detach();

    UINT m_templateId;
    HWND m_hwnd = nullptr;
    bool m_modal = false;
    int m_exchangeDepth = 0;
    std::optional<INT_PTR> m_endResult;
};

// One run of a dialog's data exchange, in one direction. Each call binds one control to one
// member; after the first failure the remaining calls do nothing, so the members of later
// controls keep their values.
//
//   bool CMyDlg::DoDataExchange(bool take) {
//       tk::ui::DataExchange dx(*this, take);
//       dx.Control(IDC_UNIT, m_unitList);
//       dx.Int(IDC_INTERVAL, m_interval);
//       dx.Check(IDC_AUTO_START, m_autoStart);
//       return dx.Ok();
//   }
class DataExchange {
public:
    DataExchange(const Dialog& dialog, bool take) : m_dialog(dialog), m_take(take) {}

    bool Taking() const { return m_take; }
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

    const Dialog& m_dialog;
    bool m_take;
    bool m_ok = true;
};

}  // namespace tk::ui

#endif
