// Dialog windows built from the templates in the resources: run modally (DialogBoxParamA) or
// created modeless (CreateDialogParamA, which lets tests drive a real dialog in-process).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/framework/controls.h"
#include "ui/framework/data_exchange.h"

namespace tk::ui {

// Result a dialog ends with when a handler let an exception out.
inline constexpr INT_PTR kAbortResult = IDABORT;

// What a window that stays open after a failed handler tells the user. "%s": why.
inline constexpr char kHandlerFailedFormat[] =
    "操作没有完成：%s。\r\n窗口保持打开，之前的修改都还在。";
inline constexpr char kOutOfMemoryReason[] = "内存不足";
inline constexpr char kInternalErrorReason[] = "程序内部错误";

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
// Handlers of WM_TIMER, WM_SIZE and WM_DESTROY (the typed entries of message_table.h) run
// before the default handling, which for a dialog is the dialog manager's own and runs only
// once the dialog procedure has returned FALSE. For these messages it does nothing a handler
// could observe, so a handler that frees or hides something after "the default handling" in a
// frame window does the same here by running first and letting the message go on.
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
    // After this, an exception a handler lets out (other than the opening's) is shown to the
    // user in a message box and the window stays open with its state, instead of ending with
    // kAbortResult. For windows whose handlers leave the window whole when they fail: the
    // operator keeps every edit made so far.
    void StayOpenOnHandlerFailure() { m_stayOpenOnFailure = true; }

    // The dialog's one data-exchange routine (see data_exchange.h); true when it succeeded.
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
    bool m_stayOpenOnFailure = false;
    int m_exchangeDepth = 0;
    std::optional<INT_PTR> m_endResult;
};

}  // namespace tk::ui
