// The main window as the user meets it: start-up from the settings file, the unit list and the
// interval box with their writes, the start/stop button and the timers, passes from the timer
// and the manual button, the pass log and the status line's tooltip, the colours, the about
// item, and closing. A real window from template IDD_ADJUSTTIME_DIALOG in the test process;
// everything outside it is a fake (main_window_harness.h).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/store/atomic_file.h"
#include "core/store/profile_file.h"
#include "core/sync/clock_texts.h"
#include "tests/win/main_window_harness.h"
#include "ui/framework/dialog.h"

namespace {

using tk_test::BoxRecorder;
using tk_test::EventLog;
using tk_test::MainWindow;
using tk_test::ModalScript;
using tk_test::SettingsText;
using tk_test::TextOf;

// The controls disabled while automatic synchronisation is on.
constexpr int kAutomaticSyncControls[] = {IDC_AUTO_START, IDC_SETTINGS, IDC_UNIT, IDC_INTERVAL,
                                          IDC_MANUAL};
// The controls the manual button disables during its pass.
constexpr int kManualControls[] = {IDC_AUTO_START, IDC_SETTINGS,   IDC_UNIT,
                                   IDC_INTERVAL,   IDC_START_STOP, IDC_MANUAL};

const char kRunning[] = "bStart=1\r\nnSel=1\r\nTimer=5\r\n";  // 5 minutes, switched on at start
// What Wine says of a file another program holds without sharing.
const char kSharingViolation[] = "error 32: 共享冲突。";
const std::string kNotSavedHeld = std::string("状态：设置无法保存：") + kSharingViolation;
const std::vector<tk_test::ScreenSetup> kThreeSerialScreens = {
    {false, ""}, {false, ""}, {false, ""}};

// Posts a click of button id to the window, as a click queued while the window is busy arrives.
void PostClick(const MainWindow& w, int id) {
    ::PostMessageA(w.Live(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(w.Item(id)));
}

// Posts a key press to the control that has the focus, as the keyboard would.
void PressKey(WPARAM key) { ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0); }

TEST(MainWindowStartUp, FirstStartWithoutSettingsFile) {
    BoxRecorder boxes;
    MainWindow w;
    ASSERT_TRUE(w.created);

    EXPECT_EQ(TextOf(w.hwnd), "TK自动校时(V3.4)");
    std::string units;
    for (int i = 0; i < ::SendMessageA(w.Item(IDC_UNIT), CB_GETCOUNT, 0, 0); ++i) {
        char item[16] = {};
        ::SendMessageA(w.Item(IDC_UNIT), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        units += item;
    }
    EXPECT_EQ(units, "秒分时天");
    EXPECT_EQ(w.Text(IDC_UNIT), "时");
    EXPECT_EQ(w.Text(IDC_INTERVAL), "1");
    EXPECT_EQ(w.Check(), BST_UNCHECKED);
    EXPECT_EQ(w.Text(IDC_STATUS), "状态：");
    EXPECT_EQ(w.Text(IDC_CLOCK), "北京时间：");
    EXPECT_EQ(w.Text(IDC_START_STOP), "启动自动校时");
    EXPECT_EQ(w.dialog->State().running, 0);
    for (int id : kManualControls) EXPECT_TRUE(w.Enabled(id)) << id;
    EXPECT_EQ(w.dialog->Roster().count, 0);
    // Tray icon, then timer 1; no timer 2.
    EXPECT_EQ(w.log, (EventLog{"NIM_ADD", "SetTimer 1 1000"}));
    EXPECT_TRUE(boxes.boxes.empty());
    // Start-up writes nothing: the file still does not exist.
    EXPECT_FALSE(tk_test::ReadFileBytes(w.settingsPath).has_value());
    EXPECT_EQ(::GetFocus(), w.Item(IDC_START_STOP));

    // The first tick replaces the clock line's template text.
    w.Tick(1);
    EXPECT_EQ(w.Text(IDC_CLOCK), "当前时间：12:34:56 校时停止");
}

TEST(MainWindowStartUp, SystemMenuIconsAndDragIcon) {
    MainWindow w;
    HMENU menu = ::GetSystemMenu(w.hwnd, FALSE);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = {};
    ::GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "关于 TK自动校时(&A)...");
    EXPECT_TRUE(::GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);

    const auto icon = reinterpret_cast<LRESULT>(
        ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    ASSERT_NE(icon, 0);
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_GETICON, ICON_BIG, 0), icon);
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_GETICON, ICON_SMALL, 0), icon);
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_QUERYDRAGICON, 0, 0), icon);
}

TEST(MainWindowStartUp, RestoresUnitAndIntervalAndSwitchesOnOnlyForBStartOne) {
    const EventLog idle = {"NIM_ADD", "SetTimer 1 1000"};
    const struct {
        const char* cont;
        int sel;
        EventLog log;
    } cases[] = {
        {kRunning, 1, {"KillTimer 2", "SetTimer 2 300000", "NIM_ADD", "SetTimer 1 1000"}},
        {"bStart=2\r\nnSel=1\r\nTimer=5\r\n", 1, idle},
        {"bStart=0\r\nnSel=3\r\nTimer=5\r\n", 3, idle},
        // No unit: the interval stays at its construction value when switching on.
        {"bStart=1\r\nnSel=7\r\nTimer=5\r\n",
         CB_ERR,
         {"KillTimer 2", "SetTimer 2 10000000", "NIM_ADD", "SetTimer 1 1000"}},
    };
    for (const auto& c : cases) {
        BoxRecorder boxes;
        const std::string settings = SettingsText(c.cont);
        MainWindow w(settings);
        ASSERT_TRUE(w.created) << c.cont;
        EXPECT_EQ(w.UnitSel(), c.sel) << c.cont;
        EXPECT_EQ(w.Text(IDC_INTERVAL), "5") << c.cont;
        EXPECT_EQ(w.log, c.log) << c.cont;
        EXPECT_TRUE(boxes.boxes.empty()) << c.cont;
        const bool running = c.log.size() == 4;
        EXPECT_EQ(w.Check(), running ? BST_CHECKED : BST_UNCHECKED) << c.cont;
        EXPECT_EQ(w.dialog->State().running, running ? 1 : 0) << c.cont;
        EXPECT_EQ(w.Text(IDC_START_STOP), running ? "停止校时" : "启动自动校时") << c.cont;
        EXPECT_EQ(w.Text(IDC_STATUS), running ? "状态：校时正在运行..." : "状态：") << c.cont;
        for (int id : kAutomaticSyncControls) EXPECT_EQ(w.Enabled(id), !running) << c.cont << id;
        EXPECT_TRUE(w.Enabled(IDC_START_STOP)) << c.cont;
        EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), settings) << c.cont;
    }
}

// The window timers the program's entry hands in are set on the window itself.
TEST(MainWindowStartUp, WindowTimersAreTheWindowsOwn) {
    MainWindow w(SettingsText(kRunning), {true, "C:\\TK.exe", true});
    // KillTimer succeeds only for a timer that is set.
    EXPECT_TRUE(::KillTimer(w.hwnd, 1));
    EXPECT_TRUE(::KillTimer(w.hwnd, 2));
    EXPECT_FALSE(::KillTimer(w.hwnd, 3));
}

// Messages the test window procedure counted, and the one it replaced.
int g_iconErases = 0;
WNDPROC g_originalProc = nullptr;

LRESULT CALLBACK CountIconErases(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ICONERASEBKGND) ++g_iconErases;
    return ::CallWindowProcA(g_originalProc, window, message, wParam, lParam);
}

TEST(MainWindowStartUp, PaintsItsIconOnlyWhileMinimised) {
    MainWindow w;
    g_iconErases = 0;
    g_originalProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(w.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountIconErases)));
    // Sent directly: Wine gives a minimised window an empty client area and so never an
    // update region to paint.
    ::SendMessageA(w.hwnd, WM_PAINT, 0, 0);
    EXPECT_EQ(g_iconErases, 0);
    // Minimising hides the window; shown again while still minimised, it paints its icon.
    ::ShowWindow(w.hwnd, SW_MINIMIZE);
    ::ShowWindow(w.hwnd, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(::IsIconic(w.hwnd) && ::IsWindowVisible(w.hwnd));
    ::SendMessageA(w.hwnd, WM_PAINT, 0, 0);
    EXPECT_EQ(g_iconErases, 1);
    ::SetWindowLongPtrA(w.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_originalProc));
}

TEST(MainWindowSettings, ChoosingAUnitWritesNSelAtOnce) {
    MainWindow w;
    for (int unit : {3, 0, 1, 2}) {
        w.ChooseUnit(unit);
        EXPECT_EQ(w.Cont("nSel"), std::to_string(unit));
    }
    EXPECT_EQ(w.Cont("Timer"), "<none>");
}

TEST(MainWindowSettings, IntervalBoxWritesTimerAtEachKeystroke) {
    BoxRecorder boxes;
    MainWindow w(SettingsText("nSel=1\r\n"));
    HWND box = w.Item(IDC_INTERVAL);

    // Emptying the box: the prompt, and the previous value (the default 1) written again.
    w.SetInterval("");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{tk::ui::kIntegerPrompt});
    EXPECT_EQ(w.Cont("Timer"), "1");

    const struct {
        char key;
        const char* box;
        const char* timer;
    } keys[] = {{'2', "2", "2"}, {'x', "2", "2"}, {'5', "25", "25"}};
    for (const auto& k : keys) {
        ::SendMessageA(box, WM_CHAR, static_cast<WPARAM>(k.key), 0);
        EXPECT_EQ(TextOf(box), k.box) << k.key;
        EXPECT_EQ(w.Cont("Timer"), k.timer) << k.key;
    }
    EXPECT_EQ(boxes.boxes.size(), 1u);

    // The typed value is the one switching on uses: 25 minutes.
    w.Click(IDC_START_STOP);
    EXPECT_EQ(w.timers.armed[2], 25u * 60 * 1000);
}

// Another program holds the settings file open without write sharing, so the writes of nSel
// and Timer fail: the status line says so in red, with the system's reason.
// The sinks hear of every change the moment it happens: the interval the window shows (which
// switching on would use) and each save at start and at each edit, each switch, each pass with
// the program as it was, a failed save of bStart, the ticks of the clock line, and the end of
// the session as a clean end, once.
TEST(MainWindowSinks, EveryChangeReachesTheSinksAtOnce) {
    MainWindow w(SettingsText("nSel=0\r\nTimer=20\r\n", {{false, ""}, {false, ""}}));
    const auto step = [&](const char* what, const std::function<void()>& act,
                          const std::vector<std::string>& told) {
        w.sinks.told.clear();
        act();
        EXPECT_EQ(w.sinks.told, told) << what;
    };
    EXPECT_EQ(w.sinks.told,
              (std::vector<std::string>{"started automatic 0 interval 20 screens 2"}));
    step("a value typed", [&] { w.SetInterval("30"); },
         {"saved", "state automatic 0 interval 30 screens 2"});
    step("a unit chosen", [&] { w.ChooseUnit(1); },
         {"saved", "state automatic 0 interval 1800 screens 2"});
    step("a value the unit refuses: the interval a switch would keep", [&] { w.SetInterval("70"); },
         {"saved", "state automatic 0 interval 10000 screens 2"});
    step("back within the unit's range", [&] { w.SetInterval("30"); },
         {"saved", "state automatic 0 interval 1800 screens 2"});
    step("a manual pass", [&] { w.Click(IDC_MANUAL); },
         {"pass automatic 0 interval 1800 screens 2"});
    step("switched on", [&] { w.Click(IDC_START_STOP); },
         {"state automatic 1 interval 1800 screens 2"});
    step("an automatic pass", [&] { w.Tick(tk::kPassTimerId); },
         {"pass automatic 1 interval 1800 screens 2"});
    step("switched off", [&] { w.Click(IDC_START_STOP); },
         {"state automatic 0 interval 1800 screens 2"});
    HANDLE held = ::CreateFileA(w.settingsPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    step("bStart not written", [&] { w.Click(IDC_AUTO_START); },
         {std::string("not saved ") + kSharingViolation});
    ::CloseHandle(held);
    step("bStart written", [&] { w.Click(IDC_AUTO_START); }, {"saved"});
    step("ticks of the clock line",
         [&] {
             w.Tick(tk::kClockTimerId);
             w.Tick(tk::kClockTimerId);
         },
         {});
    EXPECT_EQ(w.sinks.ticks, 2);
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    step("a session that goes on", [&] { ::SendMessageA(w.hwnd, WM_ENDSESSION, FALSE, 0); }, {});
    step("log-off", [&] { ::SendMessageA(w.hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF); },
         {"ending automatic 0 interval 1800 screens 2"});
    EXPECT_EQ(w.tray.Count(NIM_DELETE), 1);
    step("the window goes", [&] { w.dialog->Destroy(); }, {});
    const std::string lines = tk_test::ReadFileBytes(w.logPath).value_or("");
    EXPECT_NE(lines.find("\t程序退出\r\n"), std::string::npos);
    EXPECT_EQ(lines.find("\t程序退出\r\n"), lines.rfind("\t程序退出\r\n"));
    EXPECT_NE(lines.find("\t自动校时已启用，间隔1800秒\r\n"), std::string::npos);
    EXPECT_NE(lines.find("\t自动校时已停止\r\n"), std::string::npos);
}

// In the modal run the program has ended by the time WM_ENDSESSION returns (Windows ends the
// process then, without a WM_DESTROY): the sinks told, the log's exit line written; the run
// then ends as a close ends it.
TEST(MainWindowSinks, TheEndOfASessionEndsTheProgramBeforeItsAnswer) {
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n"), {false});
    std::vector<std::string> toldAtAnswer;
    std::string logAtAnswer;
    ModalScript script({[&] {
                           if (w.Live() == nullptr) return false;
                           w.sinks.told.clear();
                           ::SendMessageA(w.Live(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
                           toldAtAnswer = w.sinks.told;
                           logAtAnswer = tk_test::ReadFileBytes(w.logPath).value_or("");
                           return true;
                       }},
                       [&] {
                           if (w.Live() != nullptr) ::EndDialog(w.Live(), -2);
                       });
    EXPECT_EQ(w.dialog->DoModal(), IDCANCEL);
    EXPECT_FALSE(script.GaveUp());
    EXPECT_EQ(toldAtAnswer,
              (std::vector<std::string>{"ending automatic 0 interval 300 screens 0"}));
    EXPECT_NE(logAtAnswer.find("\t程序退出\r\n"), std::string::npos);
    EXPECT_EQ(w.sinks.told, toldAtAnswer);
}

TEST(MainWindowSettings, RefusedWritesAreSaidInRed) {
    BoxRecorder boxes;
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n"));
    HANDLE held = ::CreateFileA(w.settingsPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    w.ChooseUnit(3);
    EXPECT_EQ(w.Text(IDC_STATUS), kNotSavedHeld);
    EXPECT_EQ(w.dialog->StatusColourFlag(), 0);
    w.dialog->SetStatusColourFlag(1);
    ::SetDlgItemTextA(w.hwnd, IDC_STATUS, "状态：");
    w.SetInterval("7");
    EXPECT_EQ(w.Text(IDC_STATUS), kNotSavedHeld);
    EXPECT_EQ(w.dialog->StatusColourFlag(), 0);
    ::CloseHandle(held);
    EXPECT_EQ(w.failures.notes, (std::vector<std::string>{"writing nSel", "writing Timer"}));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(w.Cont("nSel"), "1");
    EXPECT_EQ(w.Cont("Timer"), "5");
}

// The start-with-Windows box: a Run key that cannot be opened fails the click in red, the box
// left as clicked and bStart written as for a value that could not be set; with bStart not
// written the Run value is set but success is not said (red, with the reason); once the file
// can be written, clearing it is said in green.
TEST(MainWindowSettings, StartWithWindowsSaysSuccessOnlyWithBStartWritten) {
    MainWindow w(SettingsText("nSel=1\r\n"));
    w.runKey.opens = false;
    const struct {
        int check;
        const char* status;
    } notOpened[] = {{1, "状态：设置自动启动失败！"}, {0, "状态：关闭自动启动失败！"}};
    for (const auto& click : notOpened) {
        w.dialog->SetStatusColourFlag(1);
        w.Click(IDC_AUTO_START);
        EXPECT_EQ(w.Text(IDC_STATUS), click.status);
        EXPECT_EQ(tk_test::AskColour(w.hwnd, w.Item(IDC_STATUS), WM_CTLCOLORSTATIC).text,
                  RGB(255, 0, 0))
            << click.status;
        EXPECT_EQ(w.Check(), click.check) << click.status;
        EXPECT_EQ(w.Cont("bStart"), std::to_string(click.check)) << click.status;
    }
    w.runKey.opens = true;
    HANDLE held = ::CreateFileA(w.settingsPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    w.Click(IDC_AUTO_START);
    ::CloseHandle(held);
    EXPECT_EQ(w.Text(IDC_STATUS), kNotSavedHeld);
    EXPECT_EQ(w.dialog->StatusColourFlag(), 0);
    EXPECT_EQ(w.Cont("bStart"), "0");

    w.Click(IDC_AUTO_START);
    EXPECT_EQ(w.Text(IDC_STATUS), "状态：关闭自动启动成功！");
    EXPECT_EQ(w.dialog->StatusColourFlag(), 1);
    EXPECT_EQ(w.Cont("bStart"), "0");
}

TEST(MainWindowScheduler, IntervalLimitsThroughTheControls) {
    const struct {
        int unit;
        const char* value;
        const char* message;  // nullptr: none
        uint32_t period;      // of timer 2 after switching on
    } cases[] = {
        {0, "61", "你选择是的秒，请输入0~60之间", 10000000},
        {0, "0", nullptr, 0},
        {1, "60", nullptr, 3600000},
        {1, "61", "你选择是的分钟，请输入0~60之间", 10000000},
        {2, "24", nullptr, 86400000},
        {2, "25", "你选择是的小时，请输入0~24之间", 10000000},
        // 30 days do not fit one window timer; the first piece is the largest period.
        {3, "30", nullptr, 0x7FFFFFFF},
    };
    for (const auto& c : cases) {
        BoxRecorder boxes;
        MainWindow w;
        w.ChooseUnit(c.unit);
        w.SetInterval(c.value);
        w.Click(IDC_START_STOP);
        const std::string label = std::to_string(c.unit) + " " + c.value;
        EXPECT_EQ(boxes.Texts(),
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << label;
        EXPECT_EQ(w.dialog->State().running, 1) << label;
        ASSERT_EQ(w.timers.armed.count(2), 1u) << label;
        EXPECT_EQ(w.timers.armed[2], c.period) << label;
    }
}

TEST(MainWindowScheduler, CountdownAfterEachTickNeverNegative) {
    MainWindow w(SettingsText(kRunning));
    w.Tick(1);
    EXPECT_EQ(w.Text(IDC_CLOCK), "当前时间：12:34:56  离校时还有299秒");

    MainWindow s;
    s.ChooseUnit(0);
    s.SetInterval("2");
    s.Click(IDC_START_STOP);
    for (const char* text : {"1", "0", "0"}) {
        s.Tick(1);
        EXPECT_EQ(s.Text(IDC_CLOCK), std::string("当前时间：12:34:56  离校时还有") + text + "秒");
    }
}

TEST(MainWindowScheduler, StopPressedDuringAnAutomaticPassWaitsForTheLastScreen) {
    MainWindow w(SettingsText(kRunning, kThreeSerialScreens));
    ASSERT_EQ(w.dialog->State().running, 1);
    std::string clockDuringPass, buttonAtScreen2, statusAtScreen2;
    w.library.onAdjust = [&](int screen) {
        if (screen == 1) {
            clockDuringPass = w.Text(IDC_CLOCK);
            // The press arrives as a message, which the pass lets through after this screen.
            PostClick(w, IDC_START_STOP);
        } else if (screen == 2) {
            buttonAtScreen2 = w.Text(IDC_START_STOP);
            statusAtScreen2 = w.Text(IDC_STATUS);
        }
    };
    w.log.clear();
    w.Tick(2);

    EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(clockDuringPass, "当前时间：12:34:56 正在校时...");
    EXPECT_EQ(buttonAtScreen2, "正在停止");
    EXPECT_EQ(statusAtScreen2, "状态：正在停止校时...");
    EXPECT_EQ(w.log, (EventLog{"KillTimer 2", "SetTimer 2 300000", "KillTimer 2"}));
    EXPECT_EQ(w.dialog->State().running, 0);
    EXPECT_EQ(w.dialog->State().busy, 0);
    EXPECT_EQ(w.Text(IDC_START_STOP), "启用自动校时");
    EXPECT_EQ(w.Text(IDC_STATUS), "状态：校时停止");
    for (int id : kManualControls) EXPECT_TRUE(w.Enabled(id)) << id;
}

// The settings file is edited by hand while the program runs: button IDC_SETTINGS reloads roster
// and library. The manual pass then visits every screen with the six controls off.
TEST(MainWindowPass, SettingsButtonReloadsAndManualButtonRunsAPass) {
    MainWindow w(SettingsText("", {{false, ""}}));
    ASSERT_EQ(w.dialog->Roster().count, 1);
    tk_test::WriteFileBytes(w.settingsPath,
                            SettingsText("", {{false, ""}, {true, "127,0,0,9"}, {false, ""}}));
    ASSERT_TRUE(tk_test::WithListWindow(
        w, [](HWND list) { ::PostMessageA(list, WM_COMMAND, IDCANCEL, 0); }));
    EXPECT_EQ(w.library.reloads, 1);

    w.probe.answer = false;
    std::vector<std::vector<bool>> enabledDuringCalls;
    w.library.onAdjust = [&](int) {
        std::vector<bool> enabled;
        for (int id : kManualControls) enabled.push_back(w.Enabled(id));
        enabledDuringCalls.push_back(enabled);
    };
    w.Click(IDC_MANUAL);

    EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 3}));
    EXPECT_EQ(w.probe.hosts, std::vector<std::string>{"127.0.0.9"});
    EXPECT_EQ(enabledDuringCalls, std::vector<std::vector<bool>>(2, std::vector<bool>(6, false)));
    for (int id : kManualControls) EXPECT_TRUE(w.Enabled(id)) << id;
    EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：3张卡，其中2张成功，1张失败！");
    EXPECT_EQ(w.dialog->State().busy, 0);
    EXPECT_EQ(w.dialog->State().running, 0);
}

// A settings file the window's own reading declines, saved as Unicode by an editor or larger
// than 1 MiB, is read as the profile API reads it, as the controller library reads it: the pass
// visits its screens, in place of none, and the file is left as it was.
TEST(MainWindowPass, FilesItsOwnReadingDeclinesGiveTheScreensWindowsSees) {
    const std::string gbk =
        SettingsText("nSel=1\r\n", {{false, ""}, {true, "127,0,0,9"}, {false, ""}});
    std::wstring wide(gbk.size(), L'\0');
    wide.resize(::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(),
                                      static_cast<int>(wide.size())));
    const std::string utf16 = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(wide.data()),
                                                       wide.size() * sizeof(wchar_t));
    std::string large = gbk;
    while (large.size() <= tk::kMaxProfileFileBytes) large += ";" + std::string(78, '-') + "\r\n";
    for (const std::string& file : {utf16, large}) {
        MainWindow w(file);
        ASSERT_TRUE(w.created);
        EXPECT_EQ(w.UnitSel(), 1) << file.size();
        EXPECT_EQ(w.dialog->Roster().count, 3) << file.size();
        w.Click(IDC_MANUAL);
        EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2, 3})) << file.size();
        EXPECT_EQ(w.probe.hosts, std::vector<std::string>{"127.0.0.9"}) << file.size();
        EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), file) << file.size();
    }
}

// The controls go off and on one at a time in a fixed order: for automatic synchronisation
// (switched on at start-up, off by the button) and around a manual pass.
TEST(MainWindowPass, ControlsAreDisabledAndEnabledInTheirOrder) {
    using Changes = std::vector<std::string>;
    MainWindow w(SettingsText(kRunning, {{false, ""}}));
    EXPECT_EQ(w.enabling.changes, (Changes{"disable 1019", "disable 1005", "disable 1006",
                                           "disable 1002", "disable 1008"}));
    w.enabling.changes.clear();
    w.Click(IDC_START_STOP);
    EXPECT_EQ(w.enabling.changes,
              (Changes{"enable 1019", "enable 1005", "enable 1006", "enable 1002", "enable 1008"}));
    w.enabling.changes.clear();
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.enabling.changes,
              (Changes{"disable 1019", "disable 1005", "disable 1006", "disable 1002",
                       "disable 1000", "disable 1008", "enable 1019", "enable 1005", "enable 1006",
                       "enable 1002", "enable 1000", "enable 1008"}));
    EXPECT_EQ(w.library.adjusted, std::vector<int>{1});
}

// A press of button IDC_START_STOP that reaches the window during a manual pass (a click queued
// before the button was disabled) is carried out once the pass is over.
TEST(MainWindowPass, StartPressedDuringAManualPassSwitchesOnAfterIt) {
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n", kThreeSerialScreens));
    std::string buttonAtScreen2;
    w.library.onAdjust = [&](int screen) {
        if (screen == 1) PostClick(w, IDC_START_STOP);
        if (screen == 2) buttonAtScreen2 = w.Text(IDC_START_STOP);
    };
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(buttonAtScreen2, "正在停止");
    EXPECT_EQ(w.dialog->State().running, 1);
    EXPECT_EQ(w.Text(IDC_START_STOP), "停止校时");
    EXPECT_EQ(w.timers.armed[2], 300000u);
    for (int id : kAutomaticSyncControls) EXPECT_FALSE(w.Enabled(id)) << id;
}

TEST(MainWindowPass, AnExceptionFromALibraryCallEndsTheWindowInsteadOfLeavingIt) {
    MainWindow w(SettingsText("", {{false, ""}}));
    w.library.onAdjust = [](int) { throw std::runtime_error("library failed"); };
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.dialog->EndResult(), std::optional<INT_PTR>(tk::ui::kAbortResult));
    EXPECT_FALSE(::IsWindow(w.hwnd));
}

// Serial and set, silent, answering but refused by the library.
const std::vector<tk_test::ScreenSetup> kMixedScreens = {
    {false, ""}, {true, "127,0,0,9"}, {true, "127,0,0,10"}};
const char kMixedLines[] =
    "2023-11-14 12:34:56\t手动校时开始\r\n"
    "2023-11-14 12:34:56\t状态：1号屏校时成功！\t串口\r\n"
    "2023-11-14 12:34:56\t状态：2号屏校时失败！\t127.0.0.9\t网络不通\r\n"
    "2023-11-14 12:34:56\t状态：3号屏校时失败！\t127.0.0.10\t控制卡无应答\r\n"
    "2023-11-14 12:34:56\t此次校时共：3张卡，其中1张成功，2张失败！\r\n";
const char kStartLine[] = "2023-11-14 12:34:56\t程序启动，版本3.4\r\n";
const char kMixedTip[] =
    "上次校时：2023-11-14 12:34:56　共3张卡，1张成功，2张失败\r\n"
    "失败：2号屏（网络不通）、3号屏（控制卡无应答）\r\n"
    "双击状态栏打开校时日志";

// A double-click on the status line, as the mouse gives it.
void DoubleClickStatus(const MainWindow& w) {
    ::SendMessageA(w.Item(IDC_STATUS), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
}

// Sets up the three screens' answers.
void FailScreensTwoAndThree(MainWindow& w) {
    w.probe.answers["127.0.0.9"] = false;
    w.library.results[3] = 0;
}

// A manual pass appends its lines to the log beside the program, moving a full log aside
// first, and the status line's tooltip shows it; its texts are the ones without a log.
TEST(MainWindowPassLog, PassWritesItsLinesAndTheTooltipShowsIt) {
    MainWindow w(SettingsText("", kMixedScreens));
    FailScreensTwoAndThree(w);
    EXPECT_EQ(StatusTip(w), "尚未校时");
    const std::string full(1024 * 1024, 'x');
    tk_test::WriteFileBytes(w.logPath, full);
    tk_test::WriteFileBytes(w.logPath + ".1", "older");

    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：3张卡，其中1张成功，2张失败！");
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath), std::string(kMixedLines));
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath + ".1"), full);
    EXPECT_EQ(StatusTip(w), kMixedTip);
    EXPECT_TRUE(w.failures.notes.empty());
}

// A log held by another program: the pass, its texts and colour are as ever and the tooltip
// shows it; a note is left, and the next pass writes again.
TEST(MainWindowPassLog, AnUnwritableLogChangesNothingButANote) {
    BoxRecorder boxes;
    MainWindow w(SettingsText("", kMixedScreens));
    FailScreensTwoAndThree(w);
    tk_test::WriteFileBytes(w.logPath, "");
    HANDLE held = ::CreateFileA(w.logPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    w.Click(IDC_MANUAL);
    ::CloseHandle(held);
    EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 3}));
    EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：3张卡，其中1张成功，2张失败！");
    EXPECT_EQ(w.dialog->StatusColourFlag(), 1);
    EXPECT_EQ(StatusTip(w), kMixedTip);
    EXPECT_EQ(w.failures.notes, std::vector<std::string>{"writing the pass log"});
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath), "");
    DoubleClickStatus(w);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"校时日志无法写入：" + w.logPath + "\r\n" +
                                                      kSharingViolation});

    w.Click(IDC_MANUAL);
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath), std::string(kMixedLines));
    DoubleClickStatus(w);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(w.logOpener.paths, std::vector<std::string>{w.logPath});
}

// A viewer holds the log, sharing reading and writing but not its deletion, as tail-style
// viewers do, and an editor holds it open for writing with the same sharing: a manual pass and
// then an automatic one are both appended and the tooltip shows the later one; a log past its
// limit, which they keep from being moved, is copied aside and emptied instead, so it never
// grows without bound.
TEST(MainWindowPassLog, PassesAreAppendedWhileAViewerHoldsTheLog) {
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n", kMixedScreens));
    FailScreensTwoAndThree(w);
    w.Click(IDC_MANUAL);
    HANDLE viewer =
        ::CreateFileA(w.logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    HANDLE editor = ::CreateFileA(w.logPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(editor, INVALID_HANDLE_VALUE);
    w.Click(IDC_START_STOP);
    w.probe.answers["127.0.0.9"] = true;
    w.Tick(2);
    const std::string switchedOn = "2023-11-14 12:34:56\t自动校时已启用，间隔300秒\r\n";
    const std::string automatic =
        "2023-11-14 12:34:56\t自动校时开始\r\n"
        "2023-11-14 12:34:56\t状态：1号屏校时成功！\t串口\r\n"
        "2023-11-14 12:34:56\t状态：2号屏校时成功！\t127.0.0.9\r\n"
        "2023-11-14 12:34:56\t状态：3号屏校时失败！\t127.0.0.10\t控制卡无应答\r\n"
        "2023-11-14 12:34:56\t此次校时共：3张卡，其中2张成功，1张失败！\r\n";
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath),
              kStartLine + (kMixedLines + switchedOn + automatic));
    EXPECT_EQ(StatusTip(w),
              "上次校时：2023-11-14 12:34:56　共3张卡，2张成功，1张失败\r\n"
              "失败：3号屏（控制卡无应答）\r\n"
              "双击状态栏打开校时日志");
    EXPECT_TRUE(w.failures.notes.empty());

    const std::string full = kMixedLines + automatic + std::string(tk::kPassLogLimit, 'x');
    tk_test::WriteFileBytes(w.logPath, full);
    ASSERT_FALSE(
        ::MoveFileExA(w.logPath.c_str(), (w.logPath + ".1").c_str(), MOVEFILE_REPLACE_EXISTING));
    w.Tick(2);
    ::CloseHandle(viewer);
    ::CloseHandle(editor);
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath), automatic);
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath + ".1"), full);
}

// A program folder that cannot be written is said at the head of the tooltip, before and
// after a pass, and a double-click before any pass says the log cannot be written and why.
TEST(MainWindowPassLog, AnUnwritableFolderIsSaidInTheTooltip) {
    BoxRecorder boxes;
    tk_test::WindowOptions options;
    options.folderNotWritable = "error 5: 访问被拒绝。";
    options.logIsFolder = true;  // the start line cannot be written either
    MainWindow w(SettingsText("", {{false, ""}}), options);
    EXPECT_EQ(StatusTip(w), "程序所在文件夹不可写：设置和日志无法保存\r\n尚未校时");
    DoubleClickStatus(w);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"校时日志无法写入：" + w.logPath +
                                                      "\r\nerror 5: 访问被拒绝。"});
    w.Click(IDC_MANUAL);
    EXPECT_EQ(StatusTip(w),
              "程序所在文件夹不可写：设置和日志无法保存\r\n"
              "上次校时：2023-11-14 12:34:56　共1张卡，1张成功，0张失败\r\n"
              "双击状态栏打开校时日志");
}

// The start-up check of the program's folder leaves nothing where it may write, and says no
// where the system refuses files even to an administrator (the kernel's own folder, seen
// through Wine's drive of the whole file system), with the system's reason.
TEST(MainWindowPassLog, FolderCheckAtStartUp) {
    tk_test::TempDir dir;
    EXPECT_TRUE(tk::CanCreateFileBeside(dir.File("TK100_Dll_Set.ini")));
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(dir.File("*").c_str(), &found);
    int entries = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do entries += found.cFileName[0] != '.';
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    EXPECT_EQ(entries, 0);
    EXPECT_FALSE(tk::CanCreateFileBeside("Z:\\sys\\TK100_Dll_Set.ini"));
    EXPECT_EQ(tk::FailureReason(tk::FileFailure::FromSystem()), "error 5: 访问被拒绝。");
}

// Rests the pointer on the status line until its tooltip shows; the tooltip, or null when it
// did not show within five seconds.
HWND ShowStatusTip(const MainWindow& w) {
    const HWND tip = FindStatusTip(w);
    if (tip == nullptr) return nullptr;
    ::SendMessageA(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(1, 0));
    RECT line;
    ::GetWindowRect(w.Item(IDC_STATUS), &line);
    const POINT centre{(line.left + line.right) / 2, (line.top + line.bottom) / 2};
    ::SetCursorPos(centre.x, centre.y);
    POINT client = centre;
    ::ScreenToClient(w.Item(IDC_STATUS), &client);
    ::SendMessageA(w.Item(IDC_STATUS), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    const DWORD deadline = ::GetTickCount() + 5000;
    while (!::IsWindowVisible(tip) && static_cast<int>(deadline - ::GetTickCount()) > 0) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        tk_test::PumpAll();
    }
    return ::IsWindowVisible(tip) ? tip : nullptr;
}

// The text the tooltip window shows (its own window text), as GBK.
std::string ShownTipText(HWND tip) {
    wchar_t text[1024] = {};
    ::SendMessageW(tip, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    char gbk[2048] = {};
    ::WideCharToMultiByte(936, 0, text, -1, gbk, sizeof gbk, nullptr, nullptr);
    return gbk;
}

// The tooltip pops up when the pointer rests on the status line: the line's mouse messages
// must reach it.
TEST(MainWindowPassLog, TooltipPopsUpOverTheStatusLine) {
    MainWindow w(SettingsText(""));
    EXPECT_NE(ShowStatusTip(w), nullptr);
}

// A tooltip showing while a pass ends shows that pass, manual or automatic: its window's own
// text, not only what the tooltip would ask for next time.
TEST(MainWindowPassLog, AShowingTooltipFollowsEachPass) {
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n", kMixedScreens));
    FailScreensTwoAndThree(w);
    const HWND tip = ShowStatusTip(w);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(ShownTipText(tip), "尚未校时");
    w.Click(IDC_MANUAL);
    EXPECT_EQ(ShownTipText(tip), kMixedTip);
    w.Click(IDC_START_STOP);
    w.probe.answers["127.0.0.9"] = true;
    w.Tick(2);
    EXPECT_TRUE(::IsWindowVisible(tip));
    EXPECT_EQ(ShownTipText(tip),
              "上次校时：2023-11-14 12:34:56　共3张卡，2张成功，1张失败\r\n"
              "失败：3号屏（控制卡无应答）\r\n"
              "双击状态栏打开校时日志");
}

// Twenty failed screens are one long line of text, which the shown tip breaks into several
// lines no wider than 480 pixels (and its margins), instead of running off the screen.
TEST(MainWindowPassLog, TwentyFailedScreensWrapInTheShownTooltip) {
    std::vector<std::string> addresses;
    for (int last = 40; last < 60; ++last) addresses.push_back("127,0,0," + std::to_string(last));
    std::vector<tk_test::ScreenSetup> screens;
    for (const std::string& address : addresses) screens.push_back({true, address.c_str()});
    MainWindow w(SettingsText("", screens));
    w.probe.answer = false;
    const HWND tip = ShowStatusTip(w);
    ASSERT_NE(tip, nullptr);
    RECT oneLine;
    ::GetWindowRect(tip, &oneLine);
    w.Click(IDC_MANUAL);
    RECT shown;
    ::GetWindowRect(tip, &shown);
    EXPECT_NE(ShownTipText(tip).find("20号屏（网络不通）"), std::string::npos);
    EXPECT_LE(shown.right - shown.left, 500);
    EXPECT_GE(shown.bottom - shown.top, 4 * (oneLine.bottom - oneLine.top));
}

// The log has a line when the program starts and when it ends. A double-click on the status
// line opens the log, or says that there is none (deleted since).
TEST(MainWindowPassLog, DoubleClickOnTheStatusLineOpensTheLog) {
    BoxRecorder boxes;
    MainWindow w(SettingsText("", {{false, ""}}));
    EXPECT_EQ(tk_test::ReadFileBytes(w.logPath), std::string(kStartLine));
    ASSERT_TRUE(::DeleteFileA(w.logPath.c_str()));
    DoubleClickStatus(w);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"还没有校时日志。"});
    EXPECT_TRUE(w.logOpener.paths.empty());

    w.Click(IDC_MANUAL);
    DoubleClickStatus(w);
    EXPECT_EQ(w.logOpener.paths, std::vector<std::string>{w.logPath});
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：1张卡，其中1张成功，0张失败！");
    w.dialog.reset();
    const std::string log = tk_test::ReadFileBytes(w.logPath).value_or("");
    EXPECT_EQ(log.substr(log.rfind('\t', log.size() - 3)), "\t程序退出\r\n");
}

// Status line green on black (red after a failure: tray_test), clock line blue, the rest as
// the window manager draws it.
TEST(MainWindowColours, StatusLineGreenOnBlackClockLineBlue) {
    MainWindow w;
    const tk_test::CtlColour status =
        tk_test::AskColour(w.hwnd, w.Item(IDC_STATUS), WM_CTLCOLORSTATIC);
    EXPECT_EQ(status.text, RGB(0, 255, 0));
    EXPECT_EQ(status.background, RGB(0, 0, 0));
    LOGBRUSH brush{};
    ASSERT_EQ(::GetObjectA(status.brush, sizeof brush, &brush), static_cast<int>(sizeof brush));
    EXPECT_EQ(brush.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(brush.lbColor, RGB(0, 0, 0));

    const struct {
        int id;
        UINT message;
        COLORREF text;  // CLR_INVALID: the default one
    } cases[] = {{IDC_CLOCK, WM_CTLCOLORSTATIC, RGB(0, 0, 255)},
                 {IDC_AUTO_START, WM_CTLCOLORSTATIC, CLR_INVALID},
                 {IDC_STATUS, WM_CTLCOLOREDIT, CLR_INVALID},
                 {IDC_STATUS, WM_CTLCOLORBTN, CLR_INVALID},
                 {IDC_INTERVAL, WM_CTLCOLOREDIT, CLR_INVALID}};
    for (const auto& c : cases) {
        const auto got = tk_test::AskColour(w.hwnd, w.Item(c.id), c.message);
        const auto want = tk_test::AskColour(w.hwnd, w.Item(c.id), c.message, true);
        EXPECT_EQ(got.text, c.text == CLR_INVALID ? want.text : c.text) << c.id << " " << c.message;
        EXPECT_EQ(got.background, want.background) << c.id << " " << c.message;
        EXPECT_EQ(got.brush, want.brush) << c.id << " " << c.message;
    }
}

// Which colour the status line's text is drawn in, as the line paints itself into a memory
// DC: 'r' red, 'g' green, '?' neither or both.
char StatusInk(const MainWindow& w) {
    const HWND line = w.Item(IDC_STATUS);
    RECT client;
    ::GetClientRect(line, &client);
    HDC screen = ::GetDC(line);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageA(line, WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    int red = 0, green = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            const COLORREF pixel = ::GetPixel(memory, x, y);
            red += GetRValue(pixel) > 128 && GetGValue(pixel) < 64;
            green += GetGValue(pixel) > 128 && GetRValue(pixel) < 64;
        }
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(line, screen);
    return red > 0 && green == 0 ? 'r' : green > 0 && red == 0 ? 'g' : '?';
}

tk::ClockReading MeasuredReading(std::int64_t offsetSeconds) {
    tk::ClockReading reading;
    reading.server = "127.0.0.21:12302";
    reading.status = tk::ClockCheckStatus::kMeasured;
    reading.measurement = tk::ClockSample{};
    reading.measurement->offsetMicros = offsetSeconds * 1000000;
    return reading;
}

// A pass that set no screen is red; the next pass that sets screens goes back to the colour of
// the status-colour flag, which the refusal leaves as it was (green, or red after a failed
// start with Windows).
TEST(MainWindowColours, ARefusedPassIsRedUntilAPassSetsScreens) {
    for (const int flag : {1, 0}) {
        MainWindow w(SettingsText("", {{false, ""}}));
        w.dialog->SetStatusColourFlag(flag);
        w.clockCheck.reading = MeasuredReading(86400);
        w.Click(IDC_MANUAL);
        EXPECT_EQ(w.Text(IDC_STATUS), "状态：时间相差+86400秒，本次未校时！");
        EXPECT_EQ(StatusInk(w), 'r') << flag;
        EXPECT_EQ(w.dialog->StatusColourFlag(), flag);
        w.clockCheck.reading = MeasuredReading(1);
        w.Click(IDC_MANUAL);
        EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：1张卡，其中1张成功，0张失败！");
        EXPECT_EQ(StatusInk(w), flag == 1 ? 'g' : 'r') << flag;
    }
}

// The longest texts of the status line fit it whole in the font it shows them in (a smaller
// one where the window's is too wide): a refusal a hundred years off either way, the summary
// of a full roster, the last screen's failure; a short text is in the window's own font.
TEST(MainWindowStatusLine, TheLongestTextsFitTheLine) {
    MainWindow w;
    const HWND line = w.Item(IDC_STATUS);
    RECT client;
    ::GetClientRect(line, &client);
    constexpr std::int64_t kCentury = std::int64_t{3155760000};
    const tk::ClockRules rules;
    tk::ClockRules beforeRelease;
    beforeRelease.beforeRelease = true;
    const std::string texts[] = {
        tk::ClockRefusalStatusText(MeasuredReading(-kCentury), rules),
        tk::ClockRefusalStatusText(MeasuredReading(kCentury), rules),
        tk::ClockRefusalStatusText(tk::ClockReading{}, beforeRelease),
        "此次校时共：300张卡，其中150张成功，150张失败！",
        "状态：300号屏校时失败！",
        "状态：设置自动启动失败！",
        "状态：设置无法保存：error 32: 共享冲突。",
    };
    EXPECT_EQ(texts[1], "状态：时间相差+3155760000秒，本次未校时！");
    for (const std::string& text : texts) {
        w.dialog->SetStatusText(text);
        EXPECT_EQ(w.Text(IDC_STATUS), text);
        const LRESULT font = ::SendMessageA(line, WM_GETFONT, 0, 0);
        HDC dc = ::GetDC(line);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(font));
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        EXPECT_LE(size.cx, client.right) << text;
        // A smaller font only as much smaller as the text needs.
        if (font != ::SendMessageA(w.hwnd, WM_GETFONT, 0, 0)) {
            EXPECT_GT(size.cx, client.right * 9 / 10) << text;
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(line, dc);
    }
    w.dialog->SetStatusText("状态：校时停止");
    EXPECT_EQ(::SendMessageA(line, WM_GETFONT, 0, 0), ::SendMessageA(w.hwnd, WM_GETFONT, 0, 0));
}

// Stops at the about box, found by its caption.
BOOL CALLBACK MatchAboutBox(HWND window, LPARAM found) {
    if (TextOf(window) != "关于 TK自动校时") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The about box among the thread's windows, if it is open.
HWND FindAboutBox() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchAboutBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

// System command 16 with any of the low four bits opens the about box, owned by the window,
// which Enter and Esc close through the dialog manager.
TEST(MainWindowAbout, SystemCommandSixteenOpensTheAboutBox) {
    const struct {
        WPARAM command;
        bool opens;
        WPARAM key;  // pressed in the about box
    } cases[] = {{16, true, VK_RETURN}, {16 | 0x7, true, VK_ESCAPE}, {32, false, 0}};
    for (const auto& c : cases) {
        MainWindow w;
        HWND owner = nullptr;
        bool focusInside = false;
        {
            ModalScript script({[&] {
                                   HWND about = FindAboutBox();
                                   if (about == nullptr) return false;
                                   owner = ::GetWindow(about, GW_OWNER);
                                   focusInside = ::IsChild(about, ::GetFocus()) != FALSE;
                                   PressKey(c.key);
                                   return true;
                               }},
                               [] {
                                   if (HWND about = FindAboutBox()) {
                                       ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
                                   }
                               });
            ::SendMessageA(w.hwnd, WM_SYSCOMMAND, c.command, 0);
            EXPECT_FALSE(script.GaveUp()) << c.command;
        }
        EXPECT_EQ(owner, c.opens ? w.hwnd : nullptr) << c.command;
        EXPECT_EQ(focusInside, c.opens) << c.command;
        EXPECT_EQ(FindAboutBox(), nullptr) << c.command;
        EXPECT_TRUE(::IsWindow(w.hwnd)) << c.command;
    }
}

// Enter is OK, which takes the values first; Esc and the close box are Cancel. Nothing is
// saved on closing.
TEST(MainWindowClosing, KeysAndCloseBoxInTheModalRun) {
    const struct {
        const char* name;
        int focus;  // the control given the focus; 0: where start-up put it (IDC_START_STOP)
        const char* interval;
        WPARAM key;  // 0: the close box
        INT_PTR result;
        int running;  // after the key, when the window stayed
        size_t prompts;
    } cases[] = {
        {"Enter in the interval box", IDC_INTERVAL, "5", VK_RETURN, IDOK, 0, 0},
        {"Enter in the unit list, closed", IDC_UNIT, "5", VK_RETURN, IDOK, 0, 0},
        {"Enter on the check box", IDC_AUTO_START, "5", VK_RETURN, IDOK, 0, 0},
        {"Esc", IDC_INTERVAL, "5", VK_ESCAPE, IDCANCEL, 0, 0},
        {"close box", IDC_INTERVAL, "", 0, IDCANCEL, 0, 1},
        // Enter on a push button clicks it; the window stays until Esc.
        {"Enter on button 1000", 0, "5", VK_RETURN, IDCANCEL, 1, 0},
        // Enter with no whole number: the prompt, and the window stays until Esc.
        {"Enter, bad interval", IDC_INTERVAL, "", VK_RETURN, IDCANCEL, 0, 2},
    };
    for (const auto& c : cases) {
        BoxRecorder boxes;
        const std::string settings = SettingsText("nSel=1\r\nTimer=5\r\n");
        MainWindow w(settings, {false});
        int runningAfterKey = -1;
        ModalScript script({[&] {
                                if (w.Live() == nullptr) return false;
                                ::SetWindowTextA(w.Item(IDC_INTERVAL), c.interval);
                                // The focus moves as Tab would move it.
                                if (c.focus != 0) {
                                    ::SendMessageA(w.Live(), WM_NEXTDLGCTL,
                                                   reinterpret_cast<WPARAM>(w.Item(c.focus)), TRUE);
                                }
                                if (c.key == 0) {
                                    ::PostMessageA(w.Live(), WM_SYSCOMMAND, SC_CLOSE, 0);
                                } else {
                                    PressKey(c.key);
                                }
                                return true;
                            },
                            [&] {
                                if (w.Live() == nullptr) return true;
                                runningAfterKey = w.dialog->State().running;
                                PressKey(VK_ESCAPE);
                                return true;
                            }},
                           [&] {
                               if (w.Live() != nullptr) ::EndDialog(w.Live(), -2);
                           });
        EXPECT_EQ(w.dialog->DoModal(), c.result) << c.name;
        EXPECT_FALSE(script.GaveUp()) << c.name;
        if (c.result == IDCANCEL && c.key == VK_RETURN) {
            EXPECT_EQ(runningAfterKey, c.running) << c.name;
        }
        EXPECT_EQ(boxes.boxes.size(), c.prompts) << c.name;
        EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), settings) << c.name;
    }
}

TEST(MainWindowClosing, ACloseDuringAPassLetsThePassFinishAllScreens) {
    // Posted, the close comes through the pump; sent, it arrives inside the library call.
    for (const bool send : {false, true}) {
        MainWindow w(SettingsText("", kThreeSerialScreens), {false});
        w.library.onAdjust = [&](int screen) {
            if (screen != 1) return;
            const WPARAM cancel = MAKEWPARAM(IDCANCEL, BN_CLICKED);
            if (send) {
                ::SendMessageA(w.Live(), WM_COMMAND, cancel, 0);
            } else {
                ::PostMessageA(w.Live(), WM_COMMAND, cancel, 0);
            }
        };
        ModalScript script({[&] {
                               if (w.Live() == nullptr) return false;
                               PostClick(w, IDC_MANUAL);
                               return true;
                           }},
                           [&] {
                               if (w.Live() != nullptr) ::EndDialog(w.Live(), -2);
                           });
        EXPECT_EQ(w.dialog->DoModal(), IDCANCEL) << send;
        EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2, 3})) << send;
        EXPECT_EQ(w.dialog->State().busy, 0) << send;
        // The window went away after the pass, taking its tray icon with it.
        EXPECT_EQ(w.log.back(), "NIM_DELETE") << send;
    }
}

}  // namespace
