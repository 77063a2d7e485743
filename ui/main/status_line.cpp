#include "ui/main/status_line.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include "core/base/failure_report.h"
#include "core/sync/pass_texts.h"
#include "resources/resource.h"

namespace tk::ui {

namespace {

constexpr COLORREF kGoodColour = RGB(0, 255, 0);
constexpr COLORREF kBadColour = RGB(255, 0, 0);
constexpr COLORREF kBackground = RGB(0, 0, 0);

}  // namespace

// The line reports clicks and double-clicks only with SS_NOTIFY, which also lets the mouse
// reach it (without it the line is transparent to hit tests) for the tooltip; the template is
// left as it is and the style added here. The tooltip asks the window for its text each time it
// is about to show it.
void StatusLine::Attach(HWND dialog) {
    m_dialog = dialog;
    m_line = ::GetDlgItem(dialog, IDC_STATUS);
    m_brush.Reset(::CreateSolidBrush(kBackground));
    ::SetWindowLongPtrA(m_line, GWL_STYLE, ::GetWindowLongPtrA(m_line, GWL_STYLE) | SS_NOTIFY);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    m_tip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
    if (m_tip == nullptr) {
        ReportFailure("creating the status line's tooltip");
        return;
    }
    // The size without the reserved member of newer versions, which older ones refuse.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(m_line);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    if (!::SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        ReportFailure("adding the status line's tooltip");
    }
    // Several lines, shown long enough to read twenty failed screens.
    ::SendMessageA(m_tip, TTM_SETMAXTIPWIDTH, 0, 480);
    ::SendMessageA(m_tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30000, 0));
}

// Setting the tool's text (to the callback once more) makes a showing tip ask and take the new
// text's size; Wine's TTM_UPDATE only repaints the text it has.
void StatusLine::UpdateTip() {
    if (m_tip == nullptr) return;
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = m_dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(m_line);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    ::SendMessageA(m_tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(m_tip, TTM_UPDATE, 0, 0);
}

void StatusLine::SetStatusText(const std::string& text) {
    m_refused = false;
    Show(text);
}

void StatusLine::ShowScreen(const ScreenOutcome& screen) {
    SetStatusText(ScreenResultText(screen.number, screen.failure == ScreenFailure::kNone));
}

// Red before the text is set, so that it is painted red; the next text goes back to the
// colour of the status-colour flag, which stays as it was.
void StatusLine::ShowPassEnded(const PassRecord& record) {
    m_refused = record.Refused();
    Show(PassEndStatusText(record));
}

HBRUSH StatusLine::Colour(HDC dc) const {
    ::SetTextColor(dc, m_colourFlag != 0 && !m_refused ? kGoodColour : kBadColour);
    ::SetBkColor(dc, kBackground);
    return m_brush.Get();
}

// The line shows its text whole: in the window's font where it fits, else in the same face
// made just small enough (a full roster's summary, a long reason why a setting was not saved).
void StatusLine::Show(const std::string& text) {
    const auto windowFont = reinterpret_cast<HFONT>(::SendMessageA(m_dialog, WM_GETFONT, 0, 0));
    RECT client{};
    ::GetClientRect(m_line, &client);
    HDC dc = ::GetDC(m_line);
    UniqueFont smaller;
    LOGFONTA face{};
    if (dc != nullptr && windowFont != nullptr &&
        ::GetObjectA(windowFont, sizeof face, &face) == sizeof face) {
        const HGDIOBJ old = ::SelectObject(dc, windowFont);
        const int length = static_cast<int>(text.size());
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text.c_str(), length, &size);
        // A height scaled by the overflow, then one step at a time until the text fits.
        face.lfWidth = 0;
        LONG height = size.cx > client.right ? face.lfHeight * client.right / size.cx : 0;
        for (; height != 0 && size.cx > client.right; height += height < 0 ? 1 : -1) {
            face.lfHeight = height;
            UniqueFont next(::CreateFontIndirectA(&face));
            if (!next) break;
            ::SelectObject(dc, next.Get());  // the one tried before is deleted unselected
            ::GetTextExtentPoint32A(dc, text.c_str(), length, &size);
            smaller = std::move(next);
        }
        ::SelectObject(dc, old);
    }
    if (dc != nullptr) ::ReleaseDC(m_line, dc);
    // The line takes its new font before the old one is deleted.
    ::SendMessageA(m_line, WM_SETFONT,
                   reinterpret_cast<WPARAM>(smaller ? smaller.Get() : windowFont), FALSE);
    m_font = std::move(smaller);
    ::SetWindowTextA(m_line, text.c_str());
}

}  // namespace tk::ui
