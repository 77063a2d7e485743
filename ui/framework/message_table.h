// Message tables: a dialog class lists, in its .cpp, which member handles which message, or
// which control notification by control ID and notification code together.
//
//   using Entry = tk::ui::MessageEntry<CMyDlg>;
//   const tk::ui::MessageTable<CMyDlg> CMyDlg::kMessageTable = {
//       Entry::Timer(&CMyDlg::OnTimer),
//       Entry::Message(WM_PAINT, &CMyDlg::OnPaint),
//       Entry::Command(IDC_START, BN_CLICKED, &CMyDlg::OnStart),
//       Entry::Notify(IDC_LIST, NM_DBLCLK, &CMyDlg::OnListDblClk),
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
#ifndef TK_UI_FRAMEWORK_MESSAGE_TABLE_H
#define TK_UI_FRAMEWORK_MESSAGE_TABLE_H

#include <windows.h>

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
    // WM_DESTROY: no arguments.
    using DestroyHandler = void (T::*)();

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

    // One message.
    static MessageEntry Message(UINT message, MessageHandler handler) {
        return Range(message, message, handler);
    }

    // Messages first to last inclusive (all WM_CTLCOLOR* messages, say).
    static MessageEntry Range(UINT first, UINT last, MessageHandler handler) {
        MessageEntry entry(Kind::Message);
        entry.m_first = first;
        entry.m_last = last;
        entry.m_message = handler;
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
            case Kind::Message:
                if (message < m_first || message > m_last) return false;
                break;
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
        }
        result = (self.*m_message)(message, wParam, lParam, handled);
        return handled;
    }

private:
    enum class Kind { Command, Notify, Message, Registered, Timer, Size, Destroy };

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
    UINT m_last = 0;
    const UINT* m_registered = nullptr;
    CommandHandler m_command = nullptr;
    NotifyHandler m_notify = nullptr;
    MessageHandler m_message = nullptr;
    TimerHandler m_timer = nullptr;
    SizeHandler m_size = nullptr;
    DestroyHandler m_destroy = nullptr;
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

#endif
