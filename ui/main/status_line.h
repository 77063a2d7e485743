// The main window's status line (IDC_STATUS): its text, always shown whole; its colour, green
// or red on black by the status-colour flag, and red for a pass that set no screen; its tooltip,
// which asks the window for its text. The pass and the scheduler show their texts on it.
#pragma once

#include <windows.h>

#include <string>

#include "core/sync/status_view.h"
#include "ui/framework/unique_handle.h"

namespace tk::ui {

class StatusLine final : public IStatusView, public IPassView {
public:
    // Once the window exists: the line, the mouse messages its tooltip needs, and the tooltip.
    void Attach(HWND dialog);

    void SetStatusText(const std::string& text) override;
    void ShowScreen(const ScreenOutcome& screen) override;
    void ShowPassEnded(const PassRecord& record) override;

    // A tooltip showing while a pass ends asks for its text again and shows the new pass.
    void UpdateTip();
    // The line's colours into dc (WM_CTLCOLORSTATIC); the brush of its background.
    HBRUSH Colour(HDC dc) const;
    // The status-colour flag: nonzero green, 0 red.
    void SetColourFlag(int flag) { m_colourFlag = flag; }
    int ColourFlag() const { return m_colourFlag; }

private:
    void Show(const std::string& text);

    HWND m_dialog = nullptr;
    HWND m_line = nullptr;
    HWND m_tip = nullptr;  // owned by the window and destroyed with it
    int m_colourFlag = 0;
    bool m_refused = false;  // the line tells of a pass that set no screen: drawn red
    UniqueBrush m_brush;
    UniqueFont m_font;  // the line's smaller font while its text needs one
};

}  // namespace tk::ui
