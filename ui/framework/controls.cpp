#include "ui/framework/controls.h"

#include <vector>

namespace tk::ui {

// Lets go of the control and returns it.
HWND Window::Detach() {
    HWND hwnd = m_hwnd;
    m_hwnd = nullptr;
    return hwnd;
}

// Sends a message to the control.
LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageA(m_hwnd, message, wParam, lParam);
}

// Reads the whole window text.
std::string Window::GetText() const {
    const int length = ::GetWindowTextLengthA(m_hwnd);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(m_hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Replaces the window text.
void Window::SetText(const std::string& text) const { ::SetWindowTextA(m_hwnd, text.c_str()); }

// Number of items.
int ComboBox::GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }

// Index of the selected item, or CB_ERR.
int ComboBox::GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }

// Selects an item (-1 or an index no item has: none); sends no CBN_SELCHANGE. Windows clears
// the selection for an index out of range, Wine keeps the old one: clearing it here makes both
// behave the same.
int ComboBox::SetCurSel(int index) const {
    const int result = static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index)));
    if (result == CB_ERR && index != -1) Send(CB_SETCURSEL, static_cast<WPARAM>(-1));
    return result;
}

// Inserts an item at a position, even in a sorted list (-1: at the end).
int ComboBox::InsertString(int index, const std::string& text) const {
    return static_cast<int>(
        Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
}

// Reads one item's text.
std::string ComboBox::GetLBText(int index) const {
    const LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Selects by prefix (CB_SELECTSTRING).
int ComboBox::SelectString(int startAfter, const std::string& text) const {
    return static_cast<int>(Send(CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                 reinterpret_cast<LPARAM>(text.c_str())));
}

// Adds a column.
int ListView::InsertColumn(int index, const std::string& heading, int width, int format) const {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(heading.c_str());
    column.iSubItem = index;
    return static_cast<int>(
        Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

// Adds a row.
int ListView::InsertItem(int index, const std::string& text) const {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

// Sets one cell.
bool ListView::SetItemText(int item, int subItem, const std::string& text) const {
    LVITEMA cell = {};
    cell.iSubItem = subItem;
    cell.pszText = const_cast<char*>(text.c_str());
    return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell)) != 0;
}

// Reads one cell, growing the buffer until the text fits.
std::string ListView::GetItemText(int item, int subItem) const {
    std::vector<char> buffer(64);
    for (;;) {
        LVITEMA cell = {};
        cell.iSubItem = subItem;
        cell.pszText = buffer.data();
        cell.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT copied =
            Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
        if (copied < 0) return std::string();
        // A text that filled the buffer may have been cut: try again with more room.
        if (static_cast<size_t>(copied) + 1 < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(copied));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// Number of rows.
int ListView::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

// Searches rows by state.
int ListView::GetNextItem(int start, UINT flags) const {
    return static_cast<int>(
        Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

// Removes one row.
bool ListView::DeleteItem(int item) const {
    return Send(LVM_DELETEITEM, static_cast<WPARAM>(item)) != 0;
}

// Removes every row.
bool ListView::DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }

// Reads the LVS_EX_* styles.
DWORD ListView::GetExtendedStyle() const {
    return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE));
}

// Replaces the LVS_EX_* styles.
void ListView::SetExtendedStyle(DWORD style) const {
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

// Reads the four fields.
int IpAddress::GetAddress(std::array<BYTE, 4>& fields) const {
    DWORD address = 0;
    const int filled =
        static_cast<int>(Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
    fields = {
        static_cast<BYTE>(FIRST_IPADDRESS(address)), static_cast<BYTE>(SECOND_IPADDRESS(address)),
        static_cast<BYTE>(THIRD_IPADDRESS(address)), static_cast<BYTE>(FOURTH_IPADDRESS(address))};
    return filled;
}

// Fills all four fields.
void IpAddress::SetAddress(const std::array<BYTE, 4>& fields) const {
    Send(IPM_SETADDRESS, 0,
         static_cast<LPARAM>(MAKEIPADDRESS(fields[0], fields[1], fields[2], fields[3])));
}

// Blanks all four fields.
void IpAddress::ClearAddress() const { Send(IPM_CLEARADDRESS); }

// Tells whether all four fields are blank.

}  // namespace tk::ui
