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
// Each kind of entry is one factory below: its handler's type, and the cracker that matches
// the message, unpacks its parameters for the handler and packs the handler's answer into the
// message's result. A new kind is one more factory; a kind a single dialog needs can be made
// where it is used, from a cracker of its own. Crackers only say whether the message was
// handled and with what result: how that result reaches the dialog manager is the dialog
// procedure's rule (Dialog::HandleMessage), the same for every kind.
//
// Entries are tried in table order. The typed entries for WM_TIMER, WM_SIZE and WM_DESTROY
// always let the message go on to later entries and to the dialog manager's default handling:
// these messages report something that happened, and the default handling of them does nothing
// a handler would replace.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace tk::ui {

// One row of the message table of dialog class T.
template <typename T>
class MessageEntry {
public:
    // Matches message: then calls the handler, sets result and returns true when the message
    // counts as handled; returns false to let it go on.
    using Cracker =
        std::function<bool(T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    // An entry of a kind of its own.
    explicit MessageEntry(Cracker crack) : m_crack(std::move(crack)) {}

    // Click and other WM_COMMAND notifications from control (or menu item) id with notification
    // code; result 0.
    using CommandHandler = void (T::*)();
    static MessageEntry Command(int id, UINT code, CommandHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
            if (message != WM_COMMAND || LOWORD(wParam) != static_cast<WORD>(id) ||
                HIWORD(wParam) != static_cast<WORD>(code)) {
                return false;
            }
            (self.*handler)();
            result = 0;
            return true;
        });
    }

    // WM_NOTIFY from control id with notification code: the notification header; returns the
    // notification's result, or sets handled to false to let it go on.
    using NotifyHandler = LRESULT (T::*)(NMHDR& header, bool& handled);
    static MessageEntry Notify(int id, UINT code, NotifyHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
            if (message != WM_NOTIFY || lParam == 0) return false;
            NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
            if (header.idFrom != static_cast<UINT_PTR>(id) || header.code != code) return false;
            bool handled = true;
            result = (self.*handler)(header, handled);
            return handled;
        });
    }

    // TTN_GETDISPINFOA from a tooltip about to show the text of control id, a tool added by its
    // window (TTF_IDISHWND) with LPSTR_TEXTCALLBACKA. Only the ANSI request: a tooltip asks a
    // dialog made by the ANSI functions in ANSI, as its answer to WM_NOTIFYFORMAT says. The
    // handler's text must stay there until the tooltip has copied it (when the handler returns).
    using TipTextHandler = const char* (T::*)();
    static MessageEntry TipText(int id, TipTextHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
            if (message != WM_NOTIFY || lParam == 0) return false;
            NMTTDISPINFOA& info = *reinterpret_cast<NMTTDISPINFOA*>(lParam);
            if (info.hdr.code != TTN_GETDISPINFOA || (info.uFlags & TTF_IDISHWND) == 0 ||
                ::GetDlgCtrlID(reinterpret_cast<HWND>(info.hdr.idFrom)) != id) {
                return false;
            }
            info.lpszText = const_cast<char*>((self.*handler)());
            result = 0;
            return true;
        });
    }

    // A message without arguments whose number is known only at run time
    // (RegisterWindowMessage); result 0. The number is read at every dispatch; 0 (not
    // registered yet) matches nothing.
    using SignalHandler = void (T::*)();
    static MessageEntry Registered(const UINT* registered, SignalHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM, LRESULT& result) {
            if (*registered == 0 || message != *registered) return false;
            (self.*handler)();
            result = 0;
            return true;
        });
    }

    // A message of the program's own without arguments (one a window posts itself); result 0.
    static MessageEntry Signal(UINT signal, SignalHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM, LRESULT& result) {
            if (message != signal) return false;
            (self.*handler)();
            result = 0;
            return true;
        });
    }

    // A message with its two parameters as they come; returns the message's result.
    using ParamsHandler = LRESULT (T::*)(WPARAM wParam, LPARAM lParam);
    static MessageEntry Params(UINT own, ParamsHandler handler) {
        return MessageEntry(
            [=](T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
                if (message != own) return false;
                result = (self.*handler)(wParam, lParam);
                return true;
            });
    }

    // WM_SYSCOMMAND: the command (low four bits included) and the cursor position; false lets
    // the command go on to the default handling (minimise, close, ...).
    using SysCommandHandler = bool (T::*)(UINT command, LPARAM position);
    static MessageEntry SysCommand(SysCommandHandler handler) {
        return MessageEntry(
            [=](T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
                if (message != WM_SYSCOMMAND) return false;
                result = 0;
                return (self.*handler)(static_cast<UINT>(wParam), lParam);
            });
    }

    // WM_PAINT: false lets the default painting run.
    using PaintHandler = bool (T::*)();
    static MessageEntry Paint(PaintHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM, LRESULT& result) {
            if (message != WM_PAINT) return false;
            result = 0;
            return (self.*handler)();
        });
    }

    // WM_QUERYDRAGICON: the icon shown while the minimised window is dragged.
    using QueryDragIconHandler = HICON (T::*)();
    static MessageEntry QueryDragIcon(QueryDragIconHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM, LRESULT& result) {
            if (message != WM_QUERYDRAGICON) return false;
            result = reinterpret_cast<LRESULT>((self.*handler)());
            return true;
        });
    }

    // WM_CTLCOLORSTATIC: the brush for the control; nullptr leaves it to the default handling.
    using CtlColorHandler = HBRUSH (T::*)(HDC dc, HWND control);
    static MessageEntry CtlColorStatic(CtlColorHandler handler) {
        return MessageEntry(
            [=](T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
                if (message != WM_CTLCOLORSTATIC) return false;
                const HBRUSH brush =
                    (self.*handler)(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
                result = reinterpret_cast<LRESULT>(brush);
                return brush != nullptr;
            });
    }

    // WM_TIMER: the timer's ID; then the default handling.
    using TimerHandler = void (T::*)(UINT_PTR timerId);
    static MessageEntry Timer(TimerHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
            if (message == WM_TIMER) (self.*handler)(static_cast<UINT_PTR>(wParam));
            return false;
        });
    }

    // WM_SIZE: the kind of change (SIZE_MINIMIZED, ...) and the new client size; then the
    // default handling.
    using SizeHandler = void (T::*)(UINT type, int width, int height);
    static MessageEntry Size(SizeHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
            if (message == WM_SIZE) {
                (self.*handler)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
            }
            return false;
        });
    }

    // WM_DESTROY; then the default handling.
    using DestroyHandler = void (T::*)();
    static MessageEntry Destroy(DestroyHandler handler) {
        return MessageEntry([=](T& self, UINT message, WPARAM, LPARAM, LRESULT&) {
            if (message == WM_DESTROY) (self.*handler)();
            return false;
        });
    }

    // Calls the handler if the entry matches; true when the message counts as handled.
    bool Dispatch(T& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
        return m_crack(self, message, wParam, lParam, result);
    }

private:
    Cracker m_crack;
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
