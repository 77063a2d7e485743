#include "ui/main/adjust_time_dlg.h"

#include <iterator>

#include "core/base/failure_report.h"
#include "resources/resource.h"
#include "ui/config/screen_list_dlg.h"
#include "ui/main/about_dlg.h"
#include "ui/main/single_instance.h"

namespace {

using Entry = tk::ui::MessageEntry<CAdjustTimeDlg>;

// Items of the unit list (IDC_UNIT), by their index: the nSel value.
constexpr const char* kUnitItems[] = {"秒", "分", "时", "天"};

// Controls disabled, in this order, while automatic synchronisation is on, and enabled again
// in the same order when it is switched off.
constexpr int kAutomaticSyncControls[] = {IDC_AUTO_START, IDC_SETTINGS, IDC_UNIT, IDC_INTERVAL,
                                          IDC_MANUAL};
// Controls disabled, in this order, while a manual pass runs, and enabled again in the same
// order after it: also the start/stop button, whose press would wait for the pass anyway.
constexpr int kManualPassControls[] = {IDC_AUTO_START, IDC_SETTINGS,   IDC_UNIT,
                                       IDC_INTERVAL,   IDC_START_STOP, IDC_MANUAL};

// Enables or disables the dialog's controls ids in the order given.
template <size_t N>
void EnableControls(HWND dialog, const int (&ids)[N], bool enable) {
    for (int id : ids) ::EnableWindow(::GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

// Colour of the clock line.
constexpr COLORREF kClockColour = RGB(0, 0, 255);

}  // namespace

UINT CAdjustTimeDlg::s_taskbarCreatedMessage = 0;
UINT CAdjustTimeDlg::s_comeBackMessage = 0;

// The order of the table is the order in which the window looks at a message.
const tk::ui::MessageTable<CAdjustTimeDlg> CAdjustTimeDlg::kMessageTable = {
    Entry::SysCommand(&CAdjustTimeDlg::OnSysCommand),
    Entry::Paint(&CAdjustTimeDlg::OnPaint),
    Entry::QueryDragIcon(&CAdjustTimeDlg::OnQueryDragIcon),
    Entry::Command(IDC_START_STOP, BN_CLICKED, &CAdjustTimeDlg::OnStartStop),
    Entry::Timer(&CAdjustTimeDlg::OnTimer),
    Entry::Command(IDC_SETTINGS, BN_CLICKED, &CAdjustTimeDlg::OnSettings),
    Entry::Params(tk::ui::kTrayMessage, &CAdjustTimeDlg::OnTrayNotification),
    Entry::Size(&CAdjustTimeDlg::OnSize),
    Entry::Destroy(&CAdjustTimeDlg::OnDestroy),
    Entry::CtlColorStatic(&CAdjustTimeDlg::OnCtlColorStatic),
    Entry::Command(IDC_AUTO_START, BN_CLICKED, &CAdjustTimeDlg::OnAutoStart),
    Entry::Command(IDC_MANUAL, BN_CLICKED, &CAdjustTimeDlg::OnManualAdjust),
    Entry::Command(IDC_UNIT, CBN_SELCHANGE, &CAdjustTimeDlg::OnUnitChanged),
    Entry::Command(IDC_INTERVAL, EN_CHANGE, &CAdjustTimeDlg::OnIntervalChanged),
    Entry::Registered(&CAdjustTimeDlg::s_taskbarCreatedMessage, &CAdjustTimeDlg::OnTaskbarCreated),
    Entry::Registered(&CAdjustTimeDlg::s_comeBackMessage, &CAdjustTimeDlg::OnComeBack),
    Entry::Command(IDC_STATUS, STN_DBLCLK, &CAdjustTimeDlg::OnStatusDoubleClick),
    Entry::TipText(IDC_STATUS, &CAdjustTimeDlg::OnStatusTipText),
    Entry::Params(WM_QUERYENDSESSION, &CAdjustTimeDlg::OnQueryEndSession),
    Entry::Params(WM_ENDSESSION, &CAdjustTimeDlg::OnEndSession),
};

// The settings are read only once the window exists (OnInitDialog).
CAdjustTimeDlg::CAdjustTimeDlg(const AdjustTimeServices& services)
    : tk::ui::Dialog(IDD_ADJUSTTIME_DIALOG),
      m_services(services),
      m_run({services.settings, services.library, services.probe, services.clock, services.ticks,
             services.runKey, services.modulePath, services.sinks, services.clockCheck,
             services.clockRules},
            {*this, m_statusLine, m_pump, m_timers}) {
    RegisterMessages();
}

// The shell broadcasts "TaskbarCreated" when it (re)creates the notification area; a later
// start of the program from this folder posts the come-back message (single_instance.h).
void CAdjustTimeDlg::RegisterMessages() {
    if (s_taskbarCreatedMessage == 0) {
        s_taskbarCreatedMessage = ::RegisterWindowMessageA("TaskbarCreated");
    }
    if (s_comeBackMessage == 0) {
        s_comeBackMessage = ::RegisterWindowMessageA(tk::ui::kComeBackMessageName);
    }
}

// Shared by every window of the module; LoadIcon's icons are never destroyed.
HICON CAdjustTimeDlg::LoadMainIcon() {
    return ::LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

// A window still open (a test's modeless one) goes through its destroy handling first, so the
// tray icon is removed while the object is whole.
CAdjustTimeDlg::~CAdjustTimeDlg() { Destroy(); }

// Start-up of the window, in the order the program has always followed.
BOOL CAdjustTimeDlg::OnInitDialog() {
    tk::ui::Dialog::OnInitDialog();
    AddAboutItem();
    ::SendMessageA(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageA(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    m_statusLine.Attach(Hwnd());
    m_statusLine.SetColourFlag(1);

    // Inserted at explicit positions: the template gives the list the sorted style.
    for (int i = 0; i < static_cast<int>(std::size(kUnitItems)); ++i) {
        m_unitList.InsertString(i, kUnitItems[i]);
    }
    const tk::ShownSettings shown = m_run.Load();
    m_unitList.SetCurSel(shown.unit);
    m_intervalValue = shown.intervalValue;
    // The check box shows the choice stored by its last click.
    m_startWithWindows = shown.start == 1 ? 1 : 0;
    UpdateData(false);
    if (shown.start == 1) m_run.Toggle();

    m_trayIcon.Init(Hwnd(), m_icon);
    m_trayIcon.Add();
    // An elevated copy would drop the request of a later start without rights.
    if (!tk::ui::AcceptPostedMessage(Hwnd(), s_comeBackMessage)) {
        tk::ReportFailure("letting the come-back message through");
    }
    m_run.Started();

    // The focus goes to the first tab stop, IDC_START_STOP, so that Enter clicks it. It is moved
    // the way Tab moves it, which also makes the button the default one: Wine's dialog manager,
    // placing the initial focus itself, leaves the default alone, and Enter would then end the
    // window with OK instead.
    ::SendMessageA(Hwnd(), WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(::GetNextDlgTabItem(Hwnd(), nullptr, FALSE)), TRUE);
    return FALSE;
}

// Binds the unit list and the clock line once; exchanges the interval value and the check box.
bool CAdjustTimeDlg::DoDataExchange(bool take) {
    tk::ui::DataExchange dx(Hwnd(), take);
    dx.Control(IDC_UNIT, m_unitList);
    dx.Int(IDC_INTERVAL, m_intervalValue);
    dx.Check(IDC_AUTO_START, m_startWithWindows);
    dx.Control(IDC_CLOCK, m_clockLine);
    return dx.Ok();
}

bool CAdjustTimeDlg::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return kMessageTable.Dispatch(*this, message, wParam, lParam, result);
}

// Appends the about item to the system menu, after a separator.
void CAdjustTimeDlg::AddAboutItem() {
    HMENU systemMenu = ::GetSystemMenu(Hwnd(), FALSE);
    if (systemMenu == nullptr) {
        tk::ReportFailure("getting the system menu");
        return;
    }
    char text[256] = {};
    if (::LoadStringA(ResourceModule(), IDS_ABOUTBOX, text, sizeof text) <= 0) {
        tk::ReportFailure("loading the about item's text");
        return;
    }
    ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
}

// The system reserves the low four bits of a system command for itself.
bool CAdjustTimeDlg::OnSysCommand(UINT command, LPARAM) {
    if ((command & ~0xFu) != IDM_ABOUTBOX) return false;
    CAboutDlg about;
    about.DoModal(Hwnd());
    return true;
}

// While minimised the window draws its icon centred in the client area.
bool CAdjustTimeDlg::OnPaint() {
    if (!::IsIconic(Hwnd())) return false;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Hwnd(), &paint);
    ::SendMessageA(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    ::GetClientRect(Hwnd(), &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
    ::EndPaint(Hwnd(), &paint);
    return true;
}

// The icon the system shows while the minimised window is dragged.
HICON CAdjustTimeDlg::OnQueryDragIcon() { return m_icon; }

// IDC_START_STOP: automatic synchronisation on or off.
void CAdjustTimeDlg::OnStartStop() { m_run.Toggle(); }

// Timers 1 and 2.
void CAdjustTimeDlg::OnTimer(UINT_PTR timerId) { m_run.OnTimer(timerId); }

// IDC_SETTINGS: the list window on the settings file. However it ends, the screens of the file
// (also ones edited by hand meanwhile) become the ones the next pass and the library work on.
void CAdjustTimeDlg::OnSettings() {
    CCreateIniFile list(m_services.settings, m_services.screenEditor, m_services.exchangeFiles);
    list.WatchSaves([this](const std::string& notSaved) {
        if (notSaved.empty()) {
            m_run.SettingSaved();
        } else {
            m_run.SettingNotSaved(notSaved);
        }
    });
    list.DoModal(Hwnd());
    m_run.ReloadScreens();
}

// Mouse events on the tray icon: a double-click brings the window back, a right-click opens
// the tray menu. The shell is always told 1.
LRESULT CAdjustTimeDlg::OnTrayNotification(WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != tk::ui::kTrayIconId) return 1;
    switch (static_cast<UINT>(mouseMessage)) {
        case WM_LBUTTONDBLCLK:
            ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
            break;
        case WM_RBUTTONUP:
            tk::ui::ShowTrayMenu(Hwnd());
            break;
        default:
            break;
    }
    return 1;
}

// A minimised window leaves the taskbar and lives on in the notification area only.
void CAdjustTimeDlg::OnSize(UINT type, int, int) {
    if (type == SIZE_MINIMIZED) ::ShowWindow(Hwnd(), SW_HIDE);
}

// The window goes away, and its tray icon with it. This runs before the dialog manager's
// default handling of WM_DESTROY, which does nothing the icon depends on (see dialog.h).
void CAdjustTimeDlg::OnDestroy() { EndProgram(); }

// The program ends cleanly, once: its tray icon goes, and the sinks are told (the log's exit
// line, the metrics file's tk_sync_running 0).
void CAdjustTimeDlg::EndProgram() {
    if (m_run.Ended()) return;
    m_trayIcon.Remove();
    m_run.End();
}

// Windows asks whether the session may end (log-off, shut-down, an installer's restart of the
// program): it may; nothing is left unsaved.
LRESULT CAdjustTimeDlg::OnQueryEndSession(WPARAM, LPARAM) { return TRUE; }

// The session ends: Windows ends the process once this returns, without a WM_DESTROY, so the
// program ends here as a close ends it, and the window is closed for a session that goes on.
LRESULT CAdjustTimeDlg::OnEndSession(WPARAM ending, LPARAM) {
    if (ending == FALSE) return 0;
    EndProgram();
    EndDialog(IDCANCEL);
    return 0;
}

// The status line in green or red on black, the clock line in blue; the defaults otherwise.
// Only the static kind is coloured (static texts, check boxes, disabled or read-only edits):
// the other WM_CTLCOLOR* messages go to the default handling.
HBRUSH CAdjustTimeDlg::OnCtlColorStatic(HDC dc, HWND control) {
    const auto defaultBrush = reinterpret_cast<HBRUSH>(DefaultHandling(
        WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    switch (::GetDlgCtrlID(control)) {
        case IDC_STATUS:
            return m_statusLine.Colour(dc);
        case IDC_CLOCK:
            ::SetTextColor(dc, kClockColour);
            return defaultBrush;
        default:
            return defaultBrush;
    }
}

// IDC_AUTO_START. A take that stops at a bad interval never reaches the check box, so its
// state is then read directly: the click always acts on what the box shows.
void CAdjustTimeDlg::OnAutoStart() {
    if (!UpdateData(true)) {
        m_startWithWindows =
            static_cast<int>(::SendDlgItemMessageA(Hwnd(), IDC_AUTO_START, BM_GETCHECK, 0, 0));
    }
    m_run.ApplyStartWithWindows(m_startWithWindows);
}

// IDC_MANUAL: one pass now.
void CAdjustTimeDlg::OnManualAdjust() { m_run.RunManualPass(); }

// The unit is saved the moment it changes.
void CAdjustTimeDlg::OnUnitChanged() {
    UpdateData(true);
    m_run.UnitChanged(m_unitList.GetCurSel());
}

// The interval value is saved at each change of the box; a text that is no whole number
// leaves the previous value, which is written again.
void CAdjustTimeDlg::OnIntervalChanged() {
    UpdateData(true);
    m_run.IntervalValueChanged(m_intervalValue);
}

// The notification area was re-created (Explorer restarted) and has forgotten the icon.
void CAdjustTimeDlg::OnTaskbarCreated() {
    if (m_trayIcon.Record().hWnd != nullptr) m_trayIcon.Add();
}

// A later start of the program from this folder asks for the window: what a tray double-click
// does (shown, restored from minimised or hidden), and to the front with its open popup, if any.
// The popup is found first: showing activates the window, which then is its own last active
// popup, and the keys would go to it while it is disabled.
void CAdjustTimeDlg::OnComeBack() {
    const HWND front = ::GetLastActivePopup(Hwnd());
    ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
    ::SetForegroundWindow(front);
}

// The tooltip is about to show the status line's text.
const char* CAdjustTimeDlg::OnStatusTipText() { return m_services.journal.TipText().c_str(); }

// Double-click on the status line: the log, or the journal's word that the last lines could
// not be written to it or that there is none yet.
void CAdjustTimeDlg::OnStatusDoubleClick() {
    const std::string notShown = m_services.journal.LogNotShownText();
    if (!notShown.empty()) {
        ShowMessage(notShown);
        return;
    }
    if (!m_services.logOpener.Open(Hwnd(), m_services.journal.LogPath())) {
        tk::ReportFailure("opening the pass log");
    }
}

void CAdjustTimeDlg::SetStatusText(const std::string& text) { m_statusLine.SetStatusText(text); }

// Every switch, also one carried out after a pass, comes through here once the state holds it.
void CAdjustTimeDlg::ShowAutomaticSyncOn(bool on) {
    EnableControls(Hwnd(), kAutomaticSyncControls, !on);
}

void CAdjustTimeDlg::ShowManualPassRunning(bool running) {
    EnableControls(Hwnd(), kManualPassControls, !running);
}

// The tooltip follows the pass the journal now holds.
void CAdjustTimeDlg::ShowPassOver() { m_statusLine.UpdateTip(); }

// Colour first, so the text is drawn in the new colour when it is painted.
void CAdjustTimeDlg::ShowOutcome(bool good, const std::string& text) {
    SetStatusColourFlag(good ? 1 : 0);
    SetStatusText(text);
}

void CAdjustTimeDlg::SetButtonText(const std::string& text) {
    ::SetDlgItemTextA(Hwnd(), IDC_START_STOP, text.c_str());
}

// The clock line is redrawn at once: during a pass the window gets no other chance to paint.
// A visible static control paints its new text while it takes it (Wine's through GetDC), so
// only what it left invalid is painted here; invalidating it all again would paint the line a
// second time on every tick.
void CAdjustTimeDlg::SetClockText(const std::string& text) {
    m_clockLine.SetText(text);
    ::UpdateWindow(m_clockLine.Hwnd());
}

void CAdjustTimeDlg::ShowMessage(const std::string& text) { MessageBox(text, MB_OK); }

int CAdjustTimeDlg::UnitIndex() { return m_unitList.GetCurSel(); }

// After a refused text m_intervalValue still holds the previous value.
int32_t CAdjustTimeDlg::TakeIntervalValue() {
    UpdateData(true);
    return m_intervalValue;
}

void CAdjustTimeDlg::SetStatusColourFlag(int flag) { m_statusLine.SetColourFlag(flag); }
