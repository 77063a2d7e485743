// The main window as the user meets it: start-up from the settings file, the unit list and the
// interval box with their writes, the start/stop button and the timers, passes from the timer
// and the manual button, the colours, the about item, and closing. A real window from
// template 102 in the test process; everything outside it is a fake (main_window_harness.h).
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/win/main_window_harness.h"
#include "ui/framework/dialog.h"

namespace {

using tk_test::BoxRecorder;
using tk_test::EventLog;
using tk_test::MainWindow;
using tk_test::ModalScript;
using tk_test::ScreenSpec;
using tk_test::SettingsText;
using tk_test::TextOf;

// The controls the scheduler disables while automatic synchronisation is on.
constexpr int kSchedulerControls[] = {IDC_AUTO_START, IDC_SETTINGS, IDC_UNIT, IDC_INTERVAL,
                                      IDC_MANUAL};
// The controls the manual button disables during its pass.
constexpr int kManualControls[] = {IDC_AUTO_START, IDC_SETTINGS,   IDC_UNIT,
                                   IDC_INTERVAL,   IDC_START_STOP, IDC_MANUAL};

const std::vector<ScreenSpec> kThreeSerialScreens = {{false, ""}, {false, ""}, {false, ""}};

// The solid colour of a brush, or a marker when it is no solid brush.
COLORREF SolidColour(HBRUSH brush) {
    LOGBRUSH info{};
    if (::GetObjectA(brush, sizeof info, &info) != sizeof info || info.lbStyle != BS_SOLID) {
        return 0xFFFFFFFF;
    }
    return info.lbColor;
}

// The icon of the program's own module.
HICON AppIcon() {
    return ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

TEST(MainWindowStartUp, FirstStartWithoutSettingsFile) {
    BoxRecorder boxes;
    MainWindow w;
    ASSERT_TRUE(w.created);

    EXPECT_EQ(TextOf(w.hwnd), "TK自动校时(V3.4)");
    const char* const units[] = {"秒", "分", "时", "天"};
    ASSERT_EQ(::SendMessageA(w.Item(IDC_UNIT), CB_GETCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; ++i) {
        char item[16] = {};
        ::SendMessageA(w.Item(IDC_UNIT), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, units[i]) << i;
    }
    EXPECT_EQ(w.UnitSel(), 2);
    EXPECT_EQ(w.Text(IDC_UNIT), "时");
    EXPECT_EQ(w.Text(IDC_INTERVAL), "1");
    EXPECT_EQ(w.Check(), BST_UNCHECKED);
    EXPECT_EQ(w.Text(IDC_STATUS), "状态：");
    EXPECT_EQ(w.Text(IDC_CLOCK), "北京时间：");
    EXPECT_EQ(w.Text(IDC_START_STOP), "启动自动校时");
    EXPECT_EQ(w.dialog->State().running, 0);
    EXPECT_EQ(w.dialog->StatusColourFlag(), 1);
    for (int id : kManualControls) EXPECT_TRUE(w.Enabled(id)) << id;
    EXPECT_EQ(w.dialog->SettingsPath(), w.settingsPath);
    EXPECT_EQ(w.dialog->Roster().count, 0);
    // Tray icon, then timer 1; no timer 2.
    EXPECT_EQ(w.log, (EventLog{"NIM_ADD", "SetTimer 1 1000"}));
    EXPECT_TRUE(boxes.boxes.empty());
    // Start-up writes nothing: the file still does not exist.
    EXPECT_FALSE(tk_test::ReadFileBytes(w.settingsPath).has_value());
    // Focus on the first tab stop.
    EXPECT_EQ(::GetFocus(), w.Item(IDC_START_STOP));

    // The first tick replaces the clock line's template text.
    w.Tick(1);
    EXPECT_EQ(w.Text(IDC_CLOCK), "当前时间：12:34:56 校时停止");
}

TEST(MainWindowStartUp, SystemMenuIconsAndDragIcon) {
    MainWindow w;
    HMENU menu = ::GetSystemMenu(w.hwnd, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = {};
    ::GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "关于 TK自动校时(&A)...");
    MENUITEMINFOA separator{};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    ASSERT_TRUE(::GetMenuItemInfoA(menu, count - 2, TRUE, &separator));
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

    const HICON icon = AppIcon();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(::SendMessageA(w.hwnd, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(icon));
}

TEST(MainWindowStartUp, RestoresUnitAndIntervalAndSwitchesOnOnlyForBStartOne) {
    // clang-format off
    const struct {
        const char* name;
        const char* cont;
        int sel;
        const char* box;
        int check;
        EventLog log;
    } cases[] = {
        {"bStart=1", "bStart=1\r\nnSel=1\r\nTimer=5\r\n", 1, "5", BST_CHECKED,
         {"KillTimer 2", "SetTimer 2 300000", "NIM_ADD", "SetTimer 1 1000"}},
        {"bStart=2", "bStart=2\r\nnSel=1\r\nTimer=5\r\n", 1, "5", BST_UNCHECKED,
         {"NIM_ADD", "SetTimer 1 1000"}},
        {"bStart=0", "bStart=0\r\nnSel=3\r\nTimer=2\r\n", 3, "2", BST_UNCHECKED,
         {"NIM_ADD", "SetTimer 1 1000"}},
        // No unit: the interval stays at its construction value when switching on.
        {"nSel=7", "bStart=1\r\nnSel=7\r\nTimer=5\r\n", CB_ERR, "5", BST_CHECKED,
         {"KillTimer 2", "SetTimer 2 10000000", "NIM_ADD", "SetTimer 1 1000"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        BoxRecorder boxes;
        const std::string settings = SettingsText(c.cont);
        MainWindow w(settings);
        ASSERT_TRUE(w.created) << c.name;
        EXPECT_EQ(w.UnitSel(), c.sel) << c.name;
        EXPECT_EQ(w.Text(IDC_INTERVAL), c.box) << c.name;
        EXPECT_EQ(w.Check(), c.check) << c.name;
        EXPECT_EQ(w.log, c.log) << c.name;
        EXPECT_TRUE(boxes.boxes.empty()) << c.name;
        const bool running = c.log.size() == 4;
        EXPECT_EQ(w.dialog->State().running, running ? 1 : 0) << c.name;
        EXPECT_EQ(w.Text(IDC_START_STOP), running ? "停止校时" : "启动自动校时") << c.name;
        EXPECT_EQ(w.Text(IDC_STATUS), running ? "状态：校时正在运行..." : "状态：") << c.name;
        for (int id : kSchedulerControls) EXPECT_EQ(w.Enabled(id), !running) << c.name << id;
        EXPECT_TRUE(w.Enabled(IDC_START_STOP)) << c.name;
        // Nothing written back at start-up.
        EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), settings) << c.name;
    }
}

TEST(MainWindowStartUp, WithoutATimerServiceTheWindowSetsItsOwnTimers) {
    tk_test::TempDir dir;
    const std::string path = dir.Path() + "\\TK100_Dll_Set.ini";
    tk_test::WriteFileBytes(path, SettingsText("bStart=1\r\nnSel=1\r\nTimer=5\r\n"));
    tk_test::FakeLibrary library;
    tk_test::FakeProbe probe;
    tk_test::FakeRunKey runKey;
    tk_test::EventLog log;
    tk_test::TrayRecorder tray(log);
    AdjustTimeDependencies dependencies;
    dependencies.settingsPath = path;
    dependencies.library = &library;
    dependencies.probe = &probe;
    dependencies.runKey = &runKey;
    CAdjustTimeDlg dialog(dependencies);
    ASSERT_TRUE(dialog.Create());
    // KillTimer succeeds only for a timer that is set.
    EXPECT_TRUE(::KillTimer(dialog.Hwnd(), 1));
    EXPECT_TRUE(::KillTimer(dialog.Hwnd(), 2));
    EXPECT_FALSE(::KillTimer(dialog.Hwnd(), 3));
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
    ASSERT_TRUE(::IsIconic(w.hwnd));
    ASSERT_TRUE(::IsWindowVisible(w.hwnd));
    ::SendMessageA(w.hwnd, WM_PAINT, 0, 0);
    EXPECT_EQ(g_iconErases, 1);
    ::SetWindowLongPtrA(w.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_originalProc));
}

TEST(MainWindowSettings, ChoosingAUnitWritesNSelAtOnce) {
    for (int unit = 0; unit < 4; ++unit) {
        MainWindow w;
        w.ChooseUnit(unit);
        EXPECT_EQ(w.Cont("nSel"), std::to_string(unit));
        EXPECT_EQ(w.Cont("Timer"), "<none>");
    }
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
    EXPECT_EQ(w.timers.Period(2), 25u * 60 * 1000);
}

TEST(MainWindowScheduler, IntervalLimitsThroughTheControls) {
    const struct {
        int unit;
        const char* value;
        const char* message;  // nullptr: none
        uint32_t period;      // of timer 2 after switching on
    } cases[] = {
        {0, "61", "你选择是的秒，请输入0~60之间", 10000000},
        {0, "60", nullptr, 60000},
        {0, "0", nullptr, 0},
        {1, "61", "你选择是的分钟，请输入0~60之间", 10000000},
        {1, "60", nullptr, 3600000},
        {2, "24", nullptr, 86400000},
        {2, "25", "你选择是的小时，请输入0~24之间", 10000000},
        {3, "1", nullptr, 86400000},
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
        EXPECT_TRUE(w.timers.Armed(2)) << label;
        EXPECT_EQ(w.timers.Period(2), c.period) << label;
    }
}

TEST(MainWindowScheduler, CountdownAfterOneTickAndNeverNegative) {
    {
        MainWindow w;
        w.ChooseUnit(1);
        w.SetInterval("5");
        w.Click(IDC_START_STOP);
        w.Tick(1);
        EXPECT_EQ(w.Text(IDC_CLOCK), "当前时间：12:34:56  离校时还有299秒");
    }
    {
        MainWindow w;
        w.ChooseUnit(0);
        w.SetInterval("2");
        w.Click(IDC_START_STOP);
        const char* const expected[] = {"当前时间：12:34:56  离校时还有1秒",
                                        "当前时间：12:34:56  离校时还有0秒",
                                        "当前时间：12:34:56  离校时还有0秒"};
        for (const char* text : expected) {
            w.Tick(1);
            EXPECT_EQ(w.Text(IDC_CLOCK), text);
        }
    }
}

TEST(MainWindowScheduler, StopPressedDuringAnAutomaticPassWaitsForTheLastScreen) {
    MainWindow w(SettingsText("bStart=1\r\nnSel=1\r\nTimer=5\r\n", kThreeSerialScreens));
    ASSERT_EQ(w.dialog->State().running, 1);
    std::string clockDuringPass, buttonAtScreen2, statusAtScreen2;
    w.library.onAdjust = [&](int screen) {
        if (screen == 1) {
            clockDuringPass = w.Text(IDC_CLOCK);
            // The press arrives as a message, which the pass lets through after this screen.
            ::PostMessageA(w.Live(), WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                           reinterpret_cast<LPARAM>(w.Item(IDC_START_STOP)));
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

TEST(MainWindowPass, ManualButtonDisablesSixControlsDuringItsPass) {
    MainWindow w(SettingsText("", {{false, ""}, {true, "127,0,0,9"}, {false, ""}}));
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

// A press of button 1000 that reaches the window during a manual pass (a click queued before
// the button was disabled) is carried out once the pass is over.
TEST(MainWindowPass, StartPressedDuringAManualPassSwitchesOnAfterIt) {
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n", kThreeSerialScreens));
    std::string buttonAtScreen2;
    w.library.onAdjust = [&](int screen) {
        if (screen == 1) {
            ::PostMessageA(w.Live(), WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                           reinterpret_cast<LPARAM>(w.Item(IDC_START_STOP)));
        } else if (screen == 2) {
            buttonAtScreen2 = w.Text(IDC_START_STOP);
        }
    };
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(buttonAtScreen2, "正在停止");
    EXPECT_EQ(w.dialog->State().running, 1);
    EXPECT_EQ(w.Text(IDC_START_STOP), "停止校时");
    EXPECT_TRUE(w.timers.Armed(2));
    EXPECT_EQ(w.timers.Period(2), 300000u);
    for (int id : kSchedulerControls) EXPECT_FALSE(w.Enabled(id)) << id;
}

TEST(MainWindowPass, SettingsButtonReloadsTheRosterAndTheLibrary) {
    MainWindow w(SettingsText("", {{false, ""}}));
    ASSERT_EQ(w.dialog->Roster().count, 1);
    // The file is edited by hand while the program runs.
    tk_test::WriteFileBytes(w.settingsPath, SettingsText("", {{false, ""}, {true, "127,0,0,7"}}));
    w.Click(IDC_SETTINGS);
    EXPECT_EQ(w.library.reloads, 1);
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2}));
    EXPECT_EQ(w.probe.hosts, std::vector<std::string>{"127.0.0.7"});
}

TEST(MainWindowPass, AnExceptionFromALibraryCallEndsTheWindowInsteadOfLeavingIt) {
    MainWindow w(SettingsText("", {{false, ""}}));
    w.library.onAdjust = [](int) { throw std::runtime_error("library failed"); };
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.dialog->EndResult(), std::optional<INT_PTR>(tk::ui::kAbortResult));
    EXPECT_FALSE(::IsWindow(w.hwnd));
}

TEST(MainWindowColours, StatusLineGreenOrRedOnBlackClockLineBlue) {
    MainWindow w;
    const tk_test::CtlColour status =
        tk_test::AskColour(w.hwnd, w.Item(IDC_STATUS), WM_CTLCOLORSTATIC);
    EXPECT_EQ(status.text, RGB(0, 255, 0));
    EXPECT_EQ(status.background, RGB(0, 0, 0));
    EXPECT_EQ(SolidColour(status.brush), RGB(0, 0, 0));

    // Ticking the check box fails to set the Run value: red from now on.
    w.runKey.setWorks = false;
    w.Click(IDC_AUTO_START);
    ASSERT_EQ(w.Check(), BST_CHECKED);
    ASSERT_EQ(w.Text(IDC_STATUS), "状态：设置自动启动失败！");
    const tk_test::CtlColour red =
        tk_test::AskColour(w.hwnd, w.Item(IDC_STATUS), WM_CTLCOLORSTATIC);
    EXPECT_EQ(red.text, RGB(255, 0, 0));
    EXPECT_EQ(red.background, RGB(0, 0, 0));
    EXPECT_EQ(red.brush, status.brush);

    const tk_test::CtlColour clock =
        tk_test::AskColour(w.hwnd, w.Item(IDC_CLOCK), WM_CTLCOLORSTATIC);
    const tk_test::CtlColour clockDefault =
        tk_test::DefaultColour(w.hwnd, w.Item(IDC_CLOCK), WM_CTLCOLORSTATIC);
    EXPECT_EQ(clock.text, RGB(0, 0, 255));
    EXPECT_EQ(clock.background, clockDefault.background);
    EXPECT_EQ(clock.brush, clockDefault.brush);

    // Anything else keeps the defaults: another static-kind control, and the status line when
    // asked as another kind.
    const struct {
        int id;
        UINT message;
    } others[] = {{IDC_AUTO_START, WM_CTLCOLORSTATIC},
                  {IDC_STATUS, WM_CTLCOLOREDIT},
                  {IDC_STATUS, WM_CTLCOLORBTN},
                  {IDC_INTERVAL, WM_CTLCOLOREDIT}};
    for (const auto& o : others) {
        const tk_test::CtlColour got = tk_test::AskColour(w.hwnd, w.Item(o.id), o.message);
        const tk_test::CtlColour want = tk_test::DefaultColour(w.hwnd, w.Item(o.id), o.message);
        EXPECT_EQ(got.text, want.text) << o.id << " " << o.message;
        EXPECT_EQ(got.background, want.background) << o.id << " " << o.message;
        EXPECT_EQ(got.brush, want.brush) << o.id << " " << o.message;
    }
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

TEST(MainWindowAbout, SystemCommandSixteenOpensTheAboutBoxOwnedByTheWindow) {
    const struct {
        WPARAM command;
        bool opens;
    } cases[] = {{16, true}, {16 | 0x7, true}, {16 | 0xF, true}, {32, false}};
    for (const auto& c : cases) {
        MainWindow w;
        HWND owner = nullptr;
        bool seen = false;
        {
            // Closes the about box from inside its own modal loop.
            ModalScript script({[&] {
                                   HWND about = FindAboutBox();
                                   if (about == nullptr) return false;
                                   seen = true;
                                   owner = ::GetWindow(about, GW_OWNER);
                                   ::PostMessageA(about, WM_COMMAND, IDOK, 0);
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
        EXPECT_EQ(seen, c.opens) << c.command;
        if (c.opens) {
            EXPECT_EQ(owner, w.hwnd) << c.command;
        }
        EXPECT_EQ(FindAboutBox(), nullptr) << c.command;
        EXPECT_TRUE(::IsWindow(w.hwnd)) << c.command;
    }
}

TEST(MainWindowClosing, OkTakesTheValuesFirstCancelEndsAtOnceNothingIsSaved) {
    const struct {
        const char* name;
        const char* interval;  // nullptr: left as restored
        std::function<void(HWND)> close;
        std::optional<INT_PTR> result;
    } cases[] = {
        {"OK", nullptr,
         [](HWND h) { ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, IDOK},
        {"OK, bad interval", "",
         [](HWND h) { ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); },
         std::nullopt},
        {"Cancel", "",
         [](HWND h) { ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
         IDCANCEL},
        {"close box", nullptr, [](HWND h) { ::SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); },
         IDCANCEL},
        {"WM_CLOSE", nullptr, [](HWND h) { ::SendMessageA(h, WM_CLOSE, 0, 0); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        BoxRecorder boxes;
        const std::string settings = SettingsText("bStart=1\r\nnSel=1\r\nTimer=5\r\n");
        MainWindow w(settings);
        if (c.interval) w.SetInterval(c.interval);
        const std::string before = *tk_test::ReadFileBytes(w.settingsPath);
        boxes.boxes.clear();
        c.close(w.hwnd);
        tk_test::PumpAll();
        EXPECT_EQ(w.dialog->EndResult(), c.result) << c.name;
        EXPECT_EQ(::IsWindow(w.hwnd) != FALSE, !c.result.has_value()) << c.name;
        const bool prompted = c.interval != nullptr && c.result == std::nullopt;
        EXPECT_EQ(boxes.boxes.size(), prompted ? 1u : 0u) << c.name;
        EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), before) << c.name;
    }
}

// Posts a key press to the control that has the focus, as the keyboard would.
void PressKey(WPARAM key) { ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0); }

TEST(MainWindowClosing, KeysInTheModalRun) {
    const struct {
        const char* name;
        int focus;
        const char* interval;
        WPARAM key;
        INT_PTR result;
        int running;  // after the key
        size_t prompts;
    } cases[] = {
        {"Enter in the interval box", IDC_INTERVAL, "5", VK_RETURN, IDOK, 0, 0},
        {"Enter in the unit list", IDC_UNIT, "5", VK_RETURN, IDOK, 0, 0},
        {"Enter on the check box", IDC_AUTO_START, "5", VK_RETURN, IDOK, 0, 0},
        {"Esc", IDC_INTERVAL, "5", VK_ESCAPE, IDCANCEL, 0, 0},
        // Enter on a push button clicks it; the window stays until Esc.
        {"Enter on button 1000", IDC_START_STOP, "5", VK_RETURN, IDCANCEL, 1, 0},
        {"Enter after start-up", 0, "5", VK_RETURN, IDCANCEL, 1, 0},
        // Enter with no whole number: the prompt, and the window stays until Esc.
        {"Enter, bad interval", IDC_INTERVAL, "", VK_RETURN, IDCANCEL, 0, 2},
    };
    for (const auto& c : cases) {
        BoxRecorder boxes;
        MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n"), false);
        int runningAfterKey = -1;
        ModalScript script({[&] {
                                if (w.Live() == nullptr) return false;
                                ::SetWindowTextA(w.Item(IDC_INTERVAL), c.interval);
                                // The focus moves as Tab would move it (which also makes a push
                                // button the default one); 0 leaves it where start-up put it.
                                if (c.focus != 0) {
                                    ::SendMessageA(w.Live(), WM_NEXTDLGCTL,
                                                   reinterpret_cast<WPARAM>(w.Item(c.focus)), TRUE);
                                }
                                PressKey(c.key);
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
    }
}

TEST(MainWindowClosing, ACloseDuringAPassLetsThePassFinishAllScreens) {
    const struct {
        const char* name;
        bool send;  // the close arrives inside the library call itself, not through the pump
    } cases[] = {{"posted", false}, {"sent", true}};
    for (const auto& c : cases) {
        MainWindow w(SettingsText("", kThreeSerialScreens), false);
        w.library.onAdjust = [&](int screen) {
            if (screen != 1) return;
            if (c.send) {
                ::SendMessageA(w.Live(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            } else {
                ::PostMessageA(w.Live(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        };
        ModalScript script({[&] {
                               if (w.Live() == nullptr) return false;
                               ::PostMessageA(w.Live(), WM_COMMAND,
                                              MAKEWPARAM(IDC_MANUAL, BN_CLICKED),
                                              reinterpret_cast<LPARAM>(w.Item(IDC_MANUAL)));
                               return true;
                           }},
                           [&] {
                               if (w.Live() != nullptr) ::EndDialog(w.Live(), -2);
                           });
        EXPECT_EQ(w.dialog->DoModal(), IDCANCEL) << c.name;
        EXPECT_EQ(w.library.adjusted, (std::vector<int>{1, 2, 3})) << c.name;
        EXPECT_EQ(w.dialog->State().busy, 0) << c.name;
        // The window went away after the pass, taking its tray icon with it.
        EXPECT_EQ(w.log.back(), "NIM_DELETE") << c.name;
    }
}

}  // namespace
