#include "ui/framework/dialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "core/base/failure_report.h"
#include "ui/framework/message_box.h"

namespace tk::ui {

namespace {

// Resource type of a template's initialisation data (list and combo-box items).
constexpr WORD kDlgInitType = 240;
// Messages named in initialisation data: the 16-bit numbers of LB_ADDSTRING and CB_ADDSTRING.
constexpr WORD kDlgInitListAdd = 0x0401;
constexpr WORD kDlgInitComboAdd = 0x0403;

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return true;
        default:
            return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    }
}

// True for a notification a control sends to its dialog.
bool IsControlNotification(UINT message, LPARAM lParam) {
    return (message == WM_COMMAND && lParam != 0) || message == WM_NOTIFY;
}

// Counts a running data exchange for as long as it lives.
class ExchangeScope {
public:
    explicit ExchangeScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~ExchangeScope() { --m_depth; }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

private:
    int& m_depth;
};

// Notes an exception a handler of message let out, with what it said.
void ReportHandlerException(UINT message, const char* what) noexcept {
    char text[160];
    std::snprintf(text, sizeof text, "handling message 0x%04X (exception: %.100s)", message, what);
    ReportFailure(text);
}

}  // namespace

Dialog::Dialog(UINT templateId) : m_templateId(templateId) {}

// A modeless window still open is destroyed without calling into the half-destroyed object.
Dialog::~Dialog() {
    if (m_hwnd != nullptr) {
        HWND hwnd = m_hwnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

// Runs the modal loop of the dialog manager until EndDialog.
INT_PTR Dialog::DoModal(HWND owner) {
    m_modal = true;
    m_endResult.reset();
    const INT_PTR result =
        ::DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(m_templateId), owner,
                          &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (result == -1) ReportFailure(("running dialog " + std::to_string(m_templateId)).c_str());
    m_modal = false;
    return result;
}

// Creates the window and returns at once; the caller's message loop (or test) drives it.
bool Dialog::Create(HWND owner) {
    m_modal = false;
    m_endResult.reset();
    const bool created =
        ::CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(m_templateId), owner,
                             &Dialog::DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
    if (!created) ReportFailure(("creating dialog " + std::to_string(m_templateId)).c_str());
    return created;
}

// Closes a modeless window.
void Dialog::Destroy() {
    if (m_hwnd != nullptr) ::DestroyWindow(m_hwnd);
}

// Ends the modal run, or destroys the modeless window, recording the result.
void Dialog::EndDialog(INT_PTR result) {
    m_endResult = result;
    if (m_hwnd == nullptr) return;
    if (m_modal) {
        ::EndDialog(m_hwnd, result);
    } else {
        ::DestroyWindow(m_hwnd);
    }
}

// Runs DoDataExchange with control notifications held back.
bool Dialog::UpdateData(bool take) {
    ExchangeScope scope(m_exchangeDepth);
    return DoDataExchange(take);
}

// Shows text in a box owned by this dialog.
int Dialog::MessageBox(const std::string& text, UINT type) const {
    return ShowMessageBox(m_hwnd, text, type);
}

// The executable's module, which carries every template.
HINSTANCE Dialog::ResourceModule() { return ::GetModuleHandleA(nullptr); }

// Default initialisation: show the members in the controls.
BOOL Dialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

// Default OK: close only with values that could be taken.
void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

// Default Cancel: close, taking nothing.
void Dialog::OnCancel() { EndDialog(IDCANCEL); }

// A dialog without data exchange has nothing to fail.
bool Dialog::DoDataExchange(bool) { return true; }

// A dialog without a message table handles nothing itself.
bool Dialog::ProcessMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

// The dialog manager passes the messages a dialog procedure declines to DefWindowProc, so
// calling it directly gives a handler the same defaults without recursing into the dialog.
LRESULT Dialog::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::DefWindowProcA(m_hwnd, message, wParam, lParam);
}

// The one dialog procedure of every dialog: finds the object and applies the return rule. No
// exception leaves it: one that escapes a handler ends the dialog with kAbortResult, as the
// object's state can no longer be trusted, unless the dialog stays open on failures; then the
// user is told and the window goes on.
INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        // Messages before WM_INITDIALOG (WM_SETFONT) find no object and get the default.
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (self == nullptr) return FALSE;
    bool outOfMemory = false;
    try {
        return self->HandleMessage(hwnd, message, wParam, lParam);
    } catch (const std::bad_alloc& e) {
        outOfMemory = true;
        ReportHandlerException(message, e.what());
    } catch (const std::exception& e) {
        ReportHandlerException(message, e.what());
    } catch (...) {
        ReportHandlerException(message, "not a std::exception");
    }
    // A window being destroyed cannot be ended again; the exception is only swallowed.
    if (message == WM_DESTROY || message == WM_NCDESTROY || self->m_hwnd != hwnd) return FALSE;
    if (!self->m_stayOpenOnFailure || message == WM_INITDIALOG) {
        self->EndDialog(kAbortResult);
        return FALSE;
    }
    try {
        char text[sizeof kHandlerFailedFormat + sizeof kInternalErrorReason];
        std::snprintf(text, sizeof text, kHandlerFailedFormat,
                      outOfMemory ? kOutOfMemoryReason : kInternalErrorReason);
        self->MessageBox(text, MB_OK | MB_ICONERROR);
    } catch (...) {
        // Not even the message could be shown; the window still stays as it is.
    }
    return FALSE;
}

// Routes one message and turns its result into what the dialog manager expects.
INT_PTR Dialog::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ApplyInitData();
        CenterOnOwner();
        return OnInitDialog();
    }
    if (m_exchangeDepth > 0 && IsControlNotification(message, lParam)) {
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    LRESULT result = 0;
    bool handled = ProcessMessage(message, wParam, lParam, result);
    if (!handled && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            handled = true;
        } else if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            handled = true;
        }
    }
    if (message == WM_NCDESTROY) Detach();
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    // The window may be gone already (a handler that ended a modeless dialog); setting the
    // result then fails harmlessly.
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

// Dialogs open centred over their owner, or on the work area of the screen when they have none
// (or it is hidden or minimised), and stay within that work area.
void Dialog::CenterOnOwner() {
    RECT own{};
    if (!::GetWindowRect(m_hwnd, &own)) return;
    const HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
    const HMONITOR monitor =
        ::MonitorFromWindow(owner != nullptr ? owner : m_hwnd, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoA(monitor, &info)) return;
    const RECT work = info.rcWork;
    RECT around = work;
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &around);
    }
    const LONG width = own.right - own.left, height = own.bottom - own.top;
    LONG x = around.left + (around.right - around.left - width) / 2;
    LONG y = around.top + (around.bottom - around.top - height) / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    ::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Fills lists and combo boxes from the initialisation data stored under the template's ID:
// records of control ID, message, data length and data (a zero-terminated item text), ended by
// a zero control ID.
void Dialog::ApplyInitData() {
    HINSTANCE module = ResourceModule();
    HRSRC info =
        ::FindResourceA(module, MAKEINTRESOURCEA(m_templateId), MAKEINTRESOURCEA(kDlgInitType));
    if (info == nullptr) return;
    HGLOBAL loaded = ::LoadResource(module, info);
    const auto* data = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    if (data == nullptr) return;
    const DWORD size = ::SizeofResource(module, info);
    DWORD offset = 0;
    while (offset + 8 <= size) {
        WORD id = 0;
        WORD message = 0;
        DWORD length = 0;
        std::memcpy(&id, data + offset, 2);
        if (id == 0) break;
        std::memcpy(&message, data + offset + 2, 2);
        std::memcpy(&length, data + offset + 4, 4);
        offset += 8;
        if (length > size - offset) break;
        // Item texts must end inside the record.
        const char* text = reinterpret_cast<const char*>(data + offset);
        if (length > 0 && std::memchr(text, '\0', length) != nullptr) {
            UINT win32Message = 0;
            if (message == kDlgInitListAdd) win32Message = LB_ADDSTRING;
            if (message == kDlgInitComboAdd) win32Message = CB_ADDSTRING;
            if (win32Message != 0) {
                ::SendDlgItemMessageA(m_hwnd, id, win32Message, 0, reinterpret_cast<LPARAM>(text));
            }
        }
        offset += length;
    }
}

// Forgets the window once it is destroyed.
void Dialog::Detach() {
    if (m_hwnd != nullptr) ::SetWindowLongPtrA(m_hwnd, DWLP_USER, 0);
    m_hwnd = nullptr;
}

}  // namespace tk::ui
