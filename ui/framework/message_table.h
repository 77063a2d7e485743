// Message tables: a dialog class lists, in its .cpp, which member handles which message, or
// which control notification by control ID and notification code together.
//
//   using Entry = tk::ui::MessageEntry<CMyDlg>;
//   const tk::ui::MessageTable<CMyDlg> CMyDlg::kMessageTable = {
//       Entry::Timer(&CMyDlg::OnTimer),
//       Entry::Paint(&CMyDlg::OnPaint),
//       Entry::Command(IDC_START, BN_CLICKED, &CMyDlg::OnStart),
//       Entry::Notify(IDC_LIST, NM_DBLCLK, &CMyDlg::OnListDblClk),
//       Entry::TipText(IDC_STATUS, &CMyDlg::OnStatusTipText),
//   };
//   bool CMyDlg::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
//       return kMessageTable.Dispatch(*this, message, wParam, lParam, result);
//   }
//
// Entries are tried in table order. A message handler may set `handled` to false to let the
// message go on to later entries and finally to the dialog manager's default handling. The
// typed entries for WM_TIMER, WM_SIZE and WM_DESTROY always let it go on: these messages
// report something that happened, and the dialog manager's default handling of them does
// nothing a handler would replace.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <initializer_list>
#include <vector>

namespace tk::ui {

// One row of the message table of dialog class T.
template <typename T>
class MessageEntry {
public:
    // Click and other WM_COMMAND notifications: no arguments, result 0.
    using CommandHandler = void (T::*)();
    // WM_NOTIFY: the notification header; returns the notification's result.
    using NotifyHandler = LRESULT (T::*)(NMHDR& header, bool& handled);
    // Any other message; returns the message's result.
    using MessageHandler = LRESULT (T::*)(UINT message, WPARAM wParam, LPARAM lParam,
                                          bool& handled);
    // WM_TIMER: the timer's ID.
    using TimerHandler = void (T::*)(UINT_PTR timerId);
    // WM_SIZE: the kind of change (SIZE_MINIMIZED, ...) and the new client size.
    using SizeHandler = void (T::*)(UINT type, int width, int height);
    // WM_DESTROY, and messages that carry no arguments: none; result 0.
    using DestroyHandler = void (T::*)();
    using SignalHandler = void (T::*)();
    // WM_SYSCOMMAND: the command (low four bits included) and the cursor position; false lets
    // the command go on to the default handling (minimise, close, ...).
    using SysCommandHandler = bool (T::*)(UINT command, LPARAM position);
    // WM_PAINT: false lets the default painting run.
    using PaintHandler = bool (T::*)();
    // WM_QUERYDRAGICON: the icon shown while the minimised window is dragged.
    using QueryDragIconHandler = HICON (T::*)();
    // WM_CTLCOLORSTATIC: the brush for the control; nullptr leaves it to the default handling.
    using CtlColorHandler = HBRUSH (T::*)(HDC dc, HWND control);
    // A message of the program's own with its two parameters; returns the message's result.
    using ParamsHandler = LRESULT (T::*)(WPARAM wParam, LPARAM lParam);
    // TTN_GETDISPINFOA: the text a tooltip shows for its tool, which must stay there until the
    // tooltip has copied it (when the handler returns).
    using TipTextHandler = const char* (T::*)();

    // WM_COMMAND from control (or menu item) id with notification code.
    static MessageEntry Command(int id, UINT code, CommandHandler handler) {
        MessageEntry entry(Kind::Command);
        entry.m_id = id;
        entry.m_code = code;
        entry.m_command = handler;
        return entry;
    }

    // WM_NOTIFY from control id with notification code.
    static MessageEntry Notify(int id, UINT code, NotifyHandler handler) {
        MessageEntry entry(Kind::Notify);
        entry.m_id = id;
        entry.m_code = code;
        entry.m_notify = handler;
        return entry;
    }

    // TTN_GETDISPINFOA from a tooltip about to show the text of control id, a tool added by its
    // window (TTF_IDISHWND) with LPSTR_TEXTCALLBACKA. Only the ANSI request: a tooltip asks a
    // dialog made by the ANSI functions in ANSI, as its answer to WM_NOTIFYFORMAT says.
    static MessageEntry TipText(int id, TipTextHandler handler) {
        MessageEntry entry = Typed(Kind::TipText, &MessageEntry::m_tipText, handler);
        entry.m_id = id;
        return entry;
    }

    // A message whose number is known only at run time (RegisterWindowMessage). The number is
    // read at every dispatch; 0 (not registered yet) matches nothing.
    static MessageEntry Registered(const UINT* message, MessageHandler handler) {
        MessageEntry entry(Kind::Registered);
        entry.m_registered = message;
        entry.m_message = handler;
        return entry;
    }

    // A registered message without arguments.
    static MessageEntry Registered(const UINT* message, SignalHandler handler) {
        MessageEntry entry = Typed(Kind::RegisteredSignal, &MessageEntry::m_signal, handler);
        entry.m_registered = message;
        return entry;
    }

    // A message of the program's own without arguments (one a window posts itself).
    static MessageEntry Signal(UINT message, SignalHandler handler) {
        MessageEntry entry = Typed(Kind::Signal, &MessageEntry::m_signal, handler);
        entry.m_first = message;
        return entry;
    }

    // A message of the program's own, with its two parameters.
    static MessageEntry Params(UINT message, ParamsHandler handler) {
        MessageEntry entry = Typed(Kind::Params, &MessageEntry::m_params, handler);
        entry.m_first = message;
        return entry;
    }

    static MessageEntry SysCommand(SysCommandHandler handler) {
        return Typed(Kind::SysCommand, &MessageEntry::m_sysCommand, handler);
    }
    static MessageEntry Paint(PaintHandler handler) {
        return Typed(Kind::Paint, &MessageEntry::m_paint, handler);
    }
    static MessageEntry QueryDragIcon(QueryDragIconHandler handler) {
        return Typed(Kind::QueryDragIcon, &MessageEntry::m_queryDragIcon, handler);
    }
    static MessageEntry CtlColorStatic(CtlColorHandler handler) {
        return Typed(Kind::CtlColorStatic, &MessageEntry::m_ctlColor, handler);
    }

    // WM_TIMER, then the default handling.
    static MessageEntry Timer(TimerHandler handler) {
        return Typed(Kind::Timer, &MessageEntry::m_timer, handler);
    }

    // WM_SIZE, then the default handling.
    static MessageEntry Size(SizeHandler handler) {
        return Typed(Kind::Size, &MessageEntry::m_size, handler);
    }

    // WM_DESTROY, then the default handling.
    static MessageEntry Destroy(DestroyHandler handler) {
        return Typed(Kind::Destroy, &MessageEntry::m_destroy, handler);
    }

    // Calls the handler if the entry matches; true when the message counts as handled.
    bool Dispatch(T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
        bool handled = true;
        switch (m_kind) {
            case Kind::Command:
                if (message != WM_COMMAND || LOWORD(wParam) != static_cast<WORD>(m_id) ||
                    HIWORD(wParam) != static_cast<WORD>(m_code)) {
                    return false;
                }
                (self.*m_command)();
                result = 0;
                return true;
            case Kind::Notify: {
                if (message != WM_NOTIFY || lParam == 0) return false;
                NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
                if (header.idFrom != static_cast<UINT_PTR>(m_id) || header.code != m_code) {
                    return false;
                }
                result = (self.*m_notify)(header, handled);
                return handled;
            }
            case Kind::TipText: {
                if (message != WM_NOTIFY || lParam == 0) return false;
                NMTTDISPINFOA& info = *reinterpret_cast<NMTTDISPINFOA*>(lParam);
                if (info.hdr.code != TTN_GETDISPINFOA || (info.uFlags & TTF_IDISHWND) == 0 ||
                    ::GetDlgCtrlID(reinterpret_cast<HWND>(info.hdr.idFrom)) != m_id) {
                    return false;
                }
                info.lpszText = const_cast<char*>((self.*m_tipText)());
                result = 0;
                return true;
            }
            case Kind::Registered:
                if (*m_registered == 0 || message != *m_registered) return false;
                break;
            case Kind::Timer:
                if (message == WM_TIMER) (self.*m_timer)(static_cast<UINT_PTR>(wParam));
                return false;
            case Kind::Size:
                if (message == WM_SIZE) {
                    (self.*m_size)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
                }
                return false;
            case Kind::Destroy:
                if (message == WM_DESTROY) (self.*m_destroy)();
                return false;
            case Kind::RegisteredSignal:
                if (*m_registered == 0 || message != *m_registered) return false;
                (self.*m_signal)();
                result = 0;
                return true;
            case Kind::Signal:
                if (message != m_first) return false;
                (self.*m_signal)();
                result = 0;
                return true;
            case Kind::Params:
                if (message != m_first) return false;
                result = (self.*m_params)(wParam, lParam);
                return true;
            case Kind::SysCommand:
                if (message != WM_SYSCOMMAND) return false;
                result = 0;
                return (self.*m_sysCommand)(static_cast<UINT>(wParam), lParam);
            case Kind::Paint:
                if (message != WM_PAINT) return false;
                result = 0;
                return (self.*m_paint)();
            case Kind::QueryDragIcon:
                if (message != WM_QUERYDRAGICON) return false;
                result = reinterpret_cast<LRESULT>((self.*m_queryDragIcon)());
                return true;
            case Kind::CtlColorStatic: {
                if (message != WM_CTLCOLORSTATIC) return false;
                const HBRUSH brush = (self.*m_ctlColor)(reinterpret_cast<HDC>(wParam),
                                                        reinterpret_cast<HWND>(lParam));
                result = reinterpret_cast<LRESULT>(brush);
                return brush != nullptr;
            }
        }
        result = (self.*m_message)(message, wParam, lParam, handled);
        return handled;
    }

private:
    enum class Kind {
        Command,
        Notify,
        Registered,
        Timer,
        Size,
        Destroy,
        RegisteredSignal,
        Signal,
        Params,
        SysCommand,
        Paint,
        QueryDragIcon,
        CtlColorStatic,
        TipText,
    };

    explicit MessageEntry(Kind kind) : m_kind(kind) {}

    // An entry of a typed kind with its handler in field.
    template <typename Handler>
    static MessageEntry Typed(Kind kind, Handler MessageEntry::*field, Handler handler) {
        MessageEntry entry(kind);
        entry.*field = handler;
        return entry;
    }

    Kind m_kind;
    int m_id = 0;
    UINT m_code = 0;
    UINT m_first = 0;
    const UINT* m_registered = nullptr;
    CommandHandler m_command = nullptr;
    NotifyHandler m_notify = nullptr;
    MessageHandler m_message = nullptr;
    TimerHandler m_timer = nullptr;
    SizeHandler m_size = nullptr;
    DestroyHandler m_destroy = nullptr;
    SignalHandler m_signal = nullptr;
    ParamsHandler m_params = nullptr;
    SysCommandHandler m_sysCommand = nullptr;
    PaintHandler m_paint = nullptr;
    QueryDragIconHandler m_queryDragIcon = nullptr;
    CtlColorHandler m_ctlColor = nullptr;
    TipTextHandler m_tipText = nullptr;
};

// The message table of dialog class T, in dispatch order.
template <typename T>
class MessageTable {
public:
    MessageTable(std::initializer_list<MessageEntry<T>> entries) : m_entries(entries) {}

    // Offers the message to each entry in turn; true (with result) once one handles it.
    bool Dispatch(T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
        for (const MessageEntry<T>& entry : m_entries) {
            if (entry.Dispatch(self, message, wParam, lParam, result)) return true;
        }
        return false;
    }

private:
    std::vector<MessageEntry<T>> m_entries;
};

}  // namespace tk::ui
