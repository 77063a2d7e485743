// A real main window, created modeless inside the test process, with everything outside it
// replaced: a settings file in a private temporary directory, a recording controller library,
// probe, timer service, Run key and tray, a fixed clock, and message boxes and failure notes
// captured through their hooks. Nothing here reaches a real controller, address or timer.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/autostart/run_key_win.h"
#include "core/store/win32_profile_win.h"
#include "core/timecheck/clock_check.h"
#include "core/timecheck/sntp_client.h"
#include "core/timecheck/time_server.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "tests/common/failure_recorder.h"
#include "tests/common/fakes.h"
#include "tests/win/win_test_util.h"
#include "ui/main/adjust_time_dlg.h"
#include "ui/main/tray_icon.h"

namespace tk_test {

// One call of Shell_NotifyIconA.
struct NotifyCall {
    DWORD message;
    NOTIFYICONDATAA record;
};

// Captures the tray requests for the life of the object, into the shared log as well, and
// answers them as told.
class TrayRecorder {
public:
    explicit TrayRecorder(EventLog& log) {
        m_previous = tk::ui::SetNotifyIconHook([this, &log](DWORD message, NOTIFYICONDATAA& r) {
            calls.push_back({message, r});
            log.push_back(message == NIM_ADD      ? "NIM_ADD"
                          : message == NIM_DELETE ? "NIM_DELETE"
                                                  : "NIM_OTHER");
            return answer;
        });
    }
    ~TrayRecorder() { tk::ui::SetNotifyIconHook(m_previous); }
    TrayRecorder(const TrayRecorder&) = delete;
    TrayRecorder& operator=(const TrayRecorder&) = delete;
    int Count(DWORD message) const {
        int n = 0;
        for (const NotifyCall& call : calls) n += call.message == message ? 1 : 0;
        return n;
    }
    std::vector<NotifyCall> calls;
    BOOL answer = TRUE;  // what the shell says to each request

private:
    tk::ui::NotifyIconHook m_previous;
};

// Records, in order, every control of one window that is enabled or disabled ("disable 1019"),
// from the WM_ENABLE the control is sent; start-up inside Create is seen as well, since a
// thread hook sees the message and not a subclass installed afterwards.
class EnablingRecorder {
public:
    explicit EnablingRecorder(const std::unique_ptr<CAdjustTimeDlg>& dialog) : m_dialog(dialog) {
        if (Recorders().empty()) {
            s_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &EnablingRecorder::OnMessage, nullptr,
                                         ::GetCurrentThreadId());
        }
        Recorders().push_back(this);
    }
    ~EnablingRecorder() {
        auto& all = Recorders();
        all.erase(std::find(all.begin(), all.end(), this));
        if (all.empty()) ::UnhookWindowsHookEx(s_hook);
    }
    EnablingRecorder(const EnablingRecorder&) = delete;
    EnablingRecorder& operator=(const EnablingRecorder&) = delete;

    std::vector<std::string> changes;

private:
    static std::vector<EnablingRecorder*>& Recorders() {
        static std::vector<EnablingRecorder*> recorders;
        return recorders;
    }
    static LRESULT CALLBACK OnMessage(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->message == WM_ENABLE) {
            const HWND parent = ::GetParent(message->hwnd);
            for (EnablingRecorder* recorder : Recorders()) {
                if (!recorder->m_dialog || recorder->m_dialog->Hwnd() != parent) continue;
                recorder->changes.push_back((message->wParam ? "enable " : "disable ") +
                                            std::to_string(::GetDlgCtrlID(message->hwnd)));
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline HHOOK s_hook = nullptr;
    const std::unique_ptr<CAdjustTimeDlg>& m_dialog;
};

// Settings file contents for a CONT section plus serial or network screens.
struct ScreenSetup {
    bool network;
    const char* ip;  // "a,b,c,d" for network screens
};

inline std::string SettingsText(const std::string& cont,
                                const std::vector<ScreenSetup>& screens = {}) {
    std::string text = "[CONT]\r\n" + cont;
    if (!screens.empty()) text += "ScreenCount=" + std::to_string(screens.size()) + "\r\n";
    for (size_t i = 0; i < screens.size(); ++i) {
        text += "[地址：" + std::to_string(i) + "]\r\n";
        text += std::string("CommunicationMode=") + (screens[i].network ? "1" : "0") + "\r\n";
        if (screens[i].network) {
            std::string ip = screens[i].ip;
            for (int part = 0; part < 4; ++part) {
                const size_t comma = ip.find(',');
                text += "IpAddress" + std::to_string(part) + "=" + ip.substr(0, comma) + "\r\n";
                ip = comma == std::string::npos ? "" : ip.substr(comma + 1);
            }
        }
    }
    return text;
}

// The status line's double-click: records the paths it is asked to open.
class LogOpenerRecorder : public ILogOpener {
public:
    bool Open(HWND, const std::string& path) override {
        paths.push_back(path);
        return true;
    }
    std::vector<std::string> paths;
};

// The timers of fakes.h as the window's: the window they are set on is left out of the record.
class WindowTimerRecorder : public TimerRecorder, public tk::ui::IWindowTimerService {
public:
    using TimerRecorder::KillTimer;
    using TimerRecorder::SetTimer;
    using TimerRecorder::TimerRecorder;
    void SetTimer(HWND, uintptr_t id, uint32_t periodMs) override { SetTimer(id, periodMs); }
    void KillTimer(HWND, uintptr_t id) override { KillTimer(id); }
};

// A PC without the Windows time service's servers.
class NoW32Time : public tk::IW32TimeSetting {
public:
    tk::W32TimeServers Read() override { return {}; }
};

// What the window tells its sinks besides the journal, one line each; the ticks counted apart.
class SinkRecorder : public tk::IPassSink {
public:
    std::vector<std::string> told;
    int ticks = 0;
    static std::string StateText(const tk::ProgramState& state) {
        return "automatic " + std::to_string(state.automatic ? 1 : 0) + " interval " +
               std::to_string(state.intervalSeconds) + " screens " + std::to_string(state.screens);
    }
    void PassEnded(const tk::PassRecord& record) override {
        told.push_back("pass " + StateText(record.program));
    }
    void ProgramStarted(const tk::ProgramState& state) override {
        told.push_back("started " + StateText(state));
    }
    void ProgramEnding(const tk::ProgramState& state) override {
        told.push_back("ending " + StateText(state));
    }
    void StateChanged(const tk::ProgramState& state) override {
        told.push_back("state " + StateText(state));
    }
    void SettingSaved() override { told.push_back("saved"); }
    void SettingNotSaved(const std::string& reason) override {
        told.push_back("not saved " + reason);
    }
    void Tick() override { ++ticks; }
};

// How a test window is made: created modeless or left for a modal run, the executable it
// believes it is, and whether the real window timers and Run key stand in for the recorders.
struct WindowOptions {
    bool create = true;
    std::string modulePath = "C:\\Tools\\Sync\\TK.exe";
    bool realTimers = false;
    bool realRunKey = false;
    std::string folderNotWritable{};  // the reason the program was told at start-up
    bool logIsFolder = false;         // a folder where the log would be: it cannot be written
    // The real clock check, with the settings file's sTimeServer and no time service, in place
    // of the fake that has no server.
    bool realClockCheck = false;
};

// One main window over its own settings file and fakes.
class MainWindow {
public:
    // settings: the settings file's contents (nullopt: no file at all).
    explicit MainWindow(const std::optional<std::string>& settings = std::nullopt,
                        const WindowOptions& options = {})
        : tray(log) {
        if (settings) WriteFileBytes(settingsPath, *settings);
        tk::IRunKey& key = options.realRunKey ? static_cast<tk::IRunKey&>(realRunKey) : runKey;
        tk::ui::IWindowTimerService& timerService =
            options.realTimers ? static_cast<tk::ui::IWindowTimerService&>(windowTimers) : timers;
        if (options.logIsFolder) ::CreateDirectoryA(logPath.c_str(), nullptr);
        journal.emplace(passLog, clock, options.folderNotWritable, TK_VERSION_TEXT);
        if (options.realClockCheck) {
            realClockCheck.emplace(tk::ClockCheckServices{
                timeServer, std::make_shared<tk::SntpClient>(std::make_unique<tk::PreciseClock>()),
                pcClock, monotonic});
            realClockRules.emplace(profile, systemClock, tk::CalendarDate{2026, 12, 8});
        }
        tk::IClockCheck& check =
            options.realClockCheck ? static_cast<tk::IClockCheck&>(*realClockCheck) : clockCheck;
        tk::IClockRules& rules =
            options.realClockCheck ? static_cast<tk::IClockRules&>(*realClockRules) : clockRules;
        const AdjustTimeServices services{
            settingsFile, library,       probe,        clock,
            probe.ticks,  key,           timerService, options.modulePath,
            screenEditor, exchangeFiles, *journal,     {&*journal, &sinks},
            logOpener,    check,         rules};
        dialog = std::make_unique<CAdjustTimeDlg>(services);
        if (!options.create) return;
        created = dialog->Create();
        hwnd = dialog->Hwnd();
    }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The window while it exists (also during a modal run).
    HWND Live() const { return dialog->Hwnd(); }
    HWND Item(int id) const { return ::GetDlgItem(Live(), id); }
    std::string Text(int id) const { return TextOf(Item(id)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    int Check() const {
        return static_cast<int>(::SendMessageA(Item(IDC_AUTO_START), BM_GETCHECK, 0, 0));
    }
    int UnitSel() const {
        return static_cast<int>(::SendMessageA(Item(IDC_UNIT), CB_GETCURSEL, 0, 0));
    }
    // A value of section CONT as the profile API reads it; "<none>" when the key is missing.
    std::string Cont(const char* key) const {
        char value[64] = {};
        ::GetPrivateProfileStringA("CONT", key, "<none>", value, sizeof value,
                                   settingsPath.c_str());
        return value;
    }

    // The user picks unit index: the list changes and tells the window, as a click would.
    void ChooseUnit(int index) const {
        ::SendMessageA(Item(IDC_UNIT), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageA(Live(), WM_COMMAND, MAKEWPARAM(IDC_UNIT, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(Item(IDC_UNIT)));
    }
    // Replaces the interval box's text; the box tells the window as typing would.
    void SetInterval(const char* text) const { ::SetWindowTextA(Item(IDC_INTERVAL), text); }
    void Click(int id) const { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void Tick(uintptr_t timer) const { ::SendMessageA(Live(), WM_TIMER, timer, 0); }

    EventLog log;
    TempDir dir;
    std::string settingsPath = dir.File("TK100_Dll_Set.ini");
    tk::Win32Profile profile{settingsPath};
    tk::SettingsFile settingsFile{settingsPath, profile};
    FakeControllerLibrary library;
    FakeProbe probe;
    FixedClock clock{12, 34, 56};
    WindowTimerRecorder timers{&log};
    tk::ui::SystemWindowTimers windowTimers;
    FakeRunKey runKey;
    tk::RegistryRunKey realRunKey;
    tk::ui::ParameterWindowEditor screenEditor;
    tk::ui::CommonFileDialogs exchangeFiles;
    std::string logPath = dir.File("TK.log");
    tk::PassLogFile passLog{logPath};
    std::optional<tk::PassJournal> journal;  // made with the window's options
    SinkRecorder sinks;                      // after the journal
    LogOpenerRecorder logOpener;
    FakeClockCheck clockCheck;  // out of the event log, which tests compare whole
    NoW32Time w32time;
    tk::TimeServerSetting timeServer{profile, w32time};
    tk::PreciseClock pcClock;
    tk::UptimeClock monotonic;
    tk::SystemClock systemClock;
    std::optional<tk::ClockCheck> realClockCheck;
    FakeClockRules clockRules;  // the widest bound, after the release
    std::optional<tk::ClockRulesSetting> realClockRules;
    TrayRecorder tray;
    FailureRecorder failures;
    std::unique_ptr<CAdjustTimeDlg> dialog;
    EnablingRecorder enabling{dialog};
    bool created = false;
    HWND hwnd = nullptr;  // the window Create made, kept after it is gone
};

// Stops at the tooltip the window owns.
inline BOOL CALLBACK MatchTooltip(HWND window, LPARAM found) {
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    auto* match = reinterpret_cast<std::pair<HWND, HWND>*>(found);
    if (std::string(name) != TOOLTIPS_CLASSA || ::GetWindow(window, GW_OWNER) != match->first) {
        return TRUE;
    }
    match->second = window;
    return FALSE;
}

// The text the status line's tooltip shows, as GBK; "<none>" when the line has no tooltip.
// Read in UTF-16: the ANSI message gives at most 80 bytes.
inline HWND FindStatusTip(const MainWindow& w) {
    std::pair<HWND, HWND> match{w.hwnd, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchTooltip, reinterpret_cast<LPARAM>(&match));
    return match.second;
}

inline std::string StatusTip(const MainWindow& w) {
    const HWND tip = FindStatusTip(w);
    wchar_t text[1024] = {};
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = w.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(w.Item(IDC_STATUS));
    if (tip == nullptr || ::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0) != 1 ||
        !::SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) {
        return "<none>";
    }
    tool.lpszText = text;
    ::SendMessageW(tip, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    char gbk[2048] = {};
    ::WideCharToMultiByte(936, 0, text, -1, gbk, sizeof gbk, nullptr, nullptr);
    return gbk;
}

// Colours a WM_CTLCOLOR* message leaves in a device context, and the brush it returns.
struct CtlColour {
    COLORREF text;
    COLORREF background;
    HBRUSH brush;
};

// Sends message for control to its parent with a real device context of the control; with
// byDefault, asks the window manager's default handling instead.
inline CtlColour AskColour(HWND parent, HWND control, UINT message, bool byDefault = false) {
    HDC dc = ::GetDC(control);
    const auto wParam = reinterpret_cast<WPARAM>(dc);
    const auto lParam = reinterpret_cast<LPARAM>(control);
    CtlColour colour{};
    colour.brush =
        reinterpret_cast<HBRUSH>(byDefault ? ::DefWindowProcA(parent, message, wParam, lParam)
                                           : ::SendMessageA(parent, message, wParam, lParam));
    colour.text = ::GetTextColor(dc);
    colour.background = ::GetBkColor(dc);
    ::ReleaseDC(control, dc);
    return colour;
}

// The visible list window owned by owner, or null.
inline HWND FindListWindow(HWND owner) { return FindThreadWindow("控制卡参数", owner); }

// Clicks button IDC_SETTINGS and, once the list window shows, runs act on it; true when it showed.
// While it is open the main window is disabled.
inline bool WithListWindow(const MainWindow& w, const std::function<void(HWND)>& act,
                           bool* mainDisabled = nullptr) {
    bool shown = false;
    ModalScript script({[&] {
                           HWND list = FindListWindow(w.Live());
                           if (list == nullptr) return false;
                           shown = true;
                           if (mainDisabled) *mainDisabled = !::IsWindowEnabled(w.Live());
                           act(list);
                           return true;
                       }},
                       [&] {
                           if (HWND list = FindListWindow(w.Live())) {
                               ::PostMessageA(list, WM_COMMAND, IDCANCEL, 0);
                           }
                       });
    w.Click(IDC_SETTINGS);
    return shown && !script.GaveUp();
}

}  // namespace tk_test
