// Thin, non-owning views over the controls of a dialog. A wrapper holds the control's HWND and
// nothing else; the dialog owns the control and destroys it with itself. Texts are GBK bytes.
#pragma once

#include <windows.h>
// commctrl.h needs the declarations of windows.h first.
#include <commctrl.h>

#include <array>
#include <string>

namespace tk::ui {

// Any window: text, messages.
class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : m_hwnd(hwnd) {}

    void Attach(HWND hwnd) { m_hwnd = hwnd; }
    HWND Detach();
    HWND Hwnd() const { return m_hwnd; }
    bool IsAttached() const { return m_hwnd != nullptr; }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    std::string GetText() const;
    void SetText(const std::string& text) const;

private:
    HWND m_hwnd = nullptr;
};

// Static text.
class Static : public Window {
public:
    using Window::Window;
};

// Combo box (drop-down list). Methods return the control's answer: an index, or CB_ERR.
class ComboBox : public Window {
public:
    using Window::Window;
    int GetCount() const;
    int GetCurSel() const;
    // Selects an item; an index no item has clears the selection and returns CB_ERR.
    int SetCurSel(int index) const;
    int InsertString(int index, const std::string& text) const;
    // Text of item index; empty when there is no such item.
    std::string GetLBText(int index) const;
    // Selects the first item after startAfter (-1: from the top, wrapping) that begins with
    // text, ignoring letter case; returns its index or CB_ERR (selection unchanged).
    int SelectString(int startAfter, const std::string& text) const;
};

// List view in report mode.
class ListView : public Window {
public:
    using Window::Window;
    int InsertColumn(int index, const std::string& heading, int width,
                     int format = LVCFMT_LEFT) const;
    // Inserts a row with the text of its first column; returns its index or -1.
    int InsertItem(int index, const std::string& text) const;
    bool SetItemText(int item, int subItem, const std::string& text) const;
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const;
    // LVM_GETNEXTITEM: the next row after start (-1: from the top) with the LVNI_* flags.
    int GetNextItem(int start, UINT flags) const;
    bool DeleteItem(int item) const;
    bool DeleteAllItems() const;
    DWORD GetExtendedStyle() const;
    void SetExtendedStyle(DWORD style) const;
};

// IPv4 address control. Fields are in text order: field 0 is the first number.
class IpAddress : public Window {
public:
    using Window::Window;
    // Reads the four fields (blank fields read 0); returns how many fields are not blank.
    int GetAddress(std::array<BYTE, 4>& fields) const;
    void SetAddress(const std::array<BYTE, 4>& fields) const;
    void ClearAddress() const;
};

}  // namespace tk::ui
