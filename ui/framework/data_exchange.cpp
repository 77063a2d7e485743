#include "ui/framework/data_exchange.h"

#include <cctype>
#include <climits>

#include "ui/framework/message_box.h"

namespace tk::ui {

namespace {

// Reads a control's whole text.
std::string ControlText(HWND control) { return Window(control).GetText(); }

}  // namespace

// Accepts what a user would call a whole number in an edit; "12a", "" and "1 2" are refused.
bool ParseWholeNumber(const std::string& text, int& value) {
    auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t firstDigit = i;
    long long number = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number = number * 10 + (text[i++] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (i == firstDigit) return false;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i != text.size()) return false;
    if (negative) number = -number;
    if (number < INT_MIN || number > INT_MAX) return false;
    value = static_cast<int>(number);
    return true;
}

// Pushes or takes one integer.
void DataExchange::Int(int id, int& value) {
    if (!m_ok) return;
    HWND control = ::GetDlgItem(m_dialog, id);
    if (!m_take) {
        ::SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    int parsed = 0;
    if (ParseWholeNumber(ControlText(control), parsed)) {
        value = parsed;
        return;
    }
    ShowMessageBox(m_dialog, kIntegerPrompt, MB_OK | MB_ICONEXCLAMATION);
    Fail(control);
}

// Pushes or takes one check state.
void DataExchange::Check(int id, int& value) {
    if (!m_ok) return;
    HWND control = ::GetDlgItem(m_dialog, id);
    if (m_take) {
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

// Pushes or takes one text.
void DataExchange::Text(int id, std::string& value) {
    if (!m_ok) return;
    HWND control = ::GetDlgItem(m_dialog, id);
    if (m_take) {
        value = ControlText(control);
    } else {
        ::SetWindowTextA(control, value.c_str());
    }
}

// Binds a wrapper the first time through.
void DataExchange::Control(int id, Window& control) {
    if (!m_ok || control.IsAttached()) return;
    control.Attach(::GetDlgItem(m_dialog, id));
}

// Stops the exchange at control and hands it to the user: focus, text selected.
void DataExchange::Fail(HWND control) {
    m_ok = false;
    ::SetFocus(control);
    ::SendMessageA(control, EM_SETSEL, 0, -1);
}

}  // namespace tk::ui
