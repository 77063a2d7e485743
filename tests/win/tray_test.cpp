// The notification-area icon, hiding when minimised, the tray menu, and start with Windows,
// through the real main window (main_window_harness.h): the shell calls and the Run key are
// recorded, the pop-up menu is the real one, driven from the owner's idle message.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/autostart/run_key_win.h"
#include "tests/win/main_window_harness.h"
#include "ui/framework/dialog.h"
#include "ui/main/about_dlg.h"

namespace {

using tk_test::BoxRecorder;
using tk_test::EventLog;
using tk_test::MainWindow;
using tk_test::ModalScript;
using tk_test::SettingsText;

constexpr UINT kTrayMessage = WM_USER + 1;

// Sends the tray notification for a mouse message on icon iconId; returns the window's answer.
LRESULT Notify(HWND window, WPARAM iconId, UINT mouseMessage) {
    return ::SendMessageA(window, kTrayMessage, iconId, mouseMessage);
}

TEST(TrayIcon, AddedOnceAtStartUpAfterTheSwitchOnAndBeforeTimerOne) {
    MainWindow w(SettingsText("bStart=1\r\nnSel=1\r\nTimer=5\r\n"));
    EXPECT_EQ(w.log, (EventLog{"KillTimer 2", "SetTimer 2 300000", "NIM_ADD", "SetTimer 1 1000"}));
    ASSERT_EQ(w.tray.calls.size(), 1u);
    const NOTIFYICONDATAA& record = w.tray.calls[0].record;
    // The whole record of this build, up to and including its balloon icon: 508 bytes in the
    // 32-bit build, 528 in the 64-bit one.
    EXPECT_EQ(record.cbSize, sizeof(void*) == 4 ? 508u : 528u);
    EXPECT_GE(record.cbSize, offsetof(NOTIFYICONDATAA, hBalloonIcon) + sizeof(HICON));
    EXPECT_EQ(record.hWnd, w.hwnd);
    EXPECT_EQ(record.uID, 5u);
    EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record.uCallbackMessage, 1025u);
    EXPECT_EQ(record.hIcon,
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    EXPECT_EQ(std::string(record.szTip), "TK校时软件");
}

TEST(TrayIcon, RemovedWithTheWindowAndAddedAgainWhenTheTaskbarIsRecreated) {
    MainWindow w;
    ::SendMessageA(w.hwnd, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(w.tray.Count(NIM_ADD), 2);
    EXPECT_EQ(w.tray.Count(NIM_DELETE), 0);
    w.dialog->Destroy();
    ASSERT_EQ(w.tray.Count(NIM_DELETE), 1);
    const NOTIFYICONDATAA& added = w.tray.calls.front().record;
    const NOTIFYICONDATAA& removed = w.tray.calls.back().record;
    EXPECT_EQ(w.tray.calls.back().message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(std::memcmp(&added, &removed, sizeof added), 0);
}

// A shell that refuses the icon changes nothing the user sees; each refusal is noted.
TEST(TrayIcon, RefusedRequestsAreOnlyNoted) {
    MainWindow w(std::nullopt, {false});
    w.tray.answer = FALSE;
    ASSERT_TRUE(w.dialog->Create());
    EXPECT_TRUE(::IsWindowVisible(w.dialog->Hwnd()));
    EXPECT_EQ(w.log, (EventLog{"NIM_ADD", "SetTimer 1 1000"}));
    w.dialog->Destroy();
    EXPECT_EQ(w.failures.notes,
              (std::vector<std::string>{"adding the tray icon", "removing the tray icon"}));
}

TEST(TrayIcon, MinimisingHidesTheWindowAndADoubleClickBringsItBack) {
    const struct {
        const char* name;
        void (*minimise)(HWND);
    } ways[] = {
        {"ShowWindow", [](HWND h) { ::ShowWindow(h, SW_MINIMIZE); }},
        {"system menu", [](HWND h) { ::SendMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0); }},
    };
    for (const auto& way : ways) {
        MainWindow w;
        ASSERT_TRUE(::IsWindowVisible(w.hwnd)) << way.name;
        way.minimise(w.hwnd);
        EXPECT_FALSE(::IsWindowVisible(w.hwnd)) << way.name;
        EXPECT_TRUE(::IsIconic(w.hwnd)) << way.name;
        EXPECT_EQ(Notify(w.hwnd, 5, WM_LBUTTONDBLCLK), 1) << way.name;
        EXPECT_TRUE(::IsWindowVisible(w.hwnd)) << way.name;
        EXPECT_FALSE(::IsIconic(w.hwnd)) << way.name;
    }
}

TEST(TrayIcon, OtherMouseMessagesAndOtherIconsDoNothing) {
    // The last would open the menu for icon 5; the script below ends any menu that opens anyway.
    const std::pair<WPARAM, UINT> cases[] = {{5, WM_LBUTTONDOWN},   {5, WM_LBUTTONUP},
                                             {5, WM_RBUTTONDOWN},   {5, WM_RBUTTONDBLCLK},
                                             {6, WM_LBUTTONDBLCLK}, {6, WM_RBUTTONUP}};
    for (const auto& [icon, mouse] : cases) {
        MainWindow w;
        ::ShowWindow(w.hwnd, SW_MINIMIZE);
        bool menuOpened = false;
        ModalScript script({}, [&] {
            menuOpened = true;
            ::EndMenu();
        });
        EXPECT_EQ(Notify(w.hwnd, icon, mouse), 1) << icon << " " << mouse;
        EXPECT_FALSE(::IsWindowVisible(w.hwnd)) << icon << " " << mouse;
        EXPECT_FALSE(menuOpened) << icon << " " << mouse;
        EXPECT_FALSE(w.dialog->EndResult().has_value()) << icon << " " << mouse;
    }
}

TEST(TrayIcon, TimersAndPassesGoOnWhileHidden) {
    MainWindow w(SettingsText("bStart=1\r\nnSel=0\r\nTimer=5\r\n", {{false, ""}}));
    ::ShowWindow(w.hwnd, SW_MINIMIZE);
    ASSERT_FALSE(::IsWindowVisible(w.hwnd));
    w.Tick(1);
    EXPECT_EQ(w.Text(IDC_CLOCK), "当前时间：12:34:56  离校时还有4秒");
    w.Tick(2);
    EXPECT_EQ(w.library.adjusted, std::vector<int>{1});
    EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：1张卡，其中1张成功，0张失败！");
    EXPECT_EQ(w.timers.armed.count(2), 1u);
}

// What the test window procedure saw of the tray menu while it was open.
struct MenuSeen {
    int idleMessages = 0;
    std::vector<std::pair<UINT, std::string>> items;
    HWND foreground = nullptr;
    RECT rect{};
    WNDPROC original = nullptr;
};
MenuSeen g_menu;

// Subclass of the main window: reads the menu when it opens and, once it sits idle, notes the
// foreground window and where the menu is, then chooses the first item with the keyboard.
LRESULT CALLBACK WatchMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITMENUPOPUP) {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            char text[64] = {};
            ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            g_menu.items.emplace_back(::GetMenuItemID(menu, i), text);
        }
    } else if (message == WM_ENTERIDLE && wParam == MSGF_MENU && g_menu.idleMessages++ == 0) {
        g_menu.foreground = ::GetForegroundWindow();
        HWND popup = reinterpret_cast<HWND>(lParam);
        ::GetWindowRect(popup, &g_menu.rect);
        ::PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    }
    return ::CallWindowProcA(g_menu.original, window, message, wParam, lParam);
}

// Right-clicks the icon of window, watched by WatchMenu, which chooses the menu's first item;
// false when the menu had to be ended from outside.
bool RightClickAndChooseTheFirstItem(HWND window) {
    g_menu = MenuSeen{};
    g_menu.original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchMenu)));
    bool gaveUp = false;
    ModalScript script({}, [&] {
        gaveUp = true;
        ::EndMenu();
    });
    EXPECT_EQ(Notify(window, 5, WM_RBUTTONUP), 1);
    return !gaveUp;
}

TEST(TrayIcon, RightClickTracksTheExitMenuAtTheCursor) {
    MainWindow w;
    // Another window of the program is in front when the icon is clicked.
    CAboutDlg other;
    ASSERT_TRUE(other.Create());
    ::ShowWindow(other.Hwnd(), SW_SHOW);
    ::SetForegroundWindow(other.Hwnd());
    ::ShowWindow(w.hwnd, SW_MINIMIZE);
    ::SetCursorPos(300, 200);

    EXPECT_TRUE(RightClickAndChooseTheFirstItem(w.hwnd));
    EXPECT_EQ(g_menu.items, (std::vector<std::pair<UINT, std::string>>{{2, "退出"}}));
    EXPECT_EQ(g_menu.foreground, w.hwnd);
    EXPECT_EQ(g_menu.rect.left, 300);
    EXPECT_EQ(g_menu.rect.top, 200);
    // The chosen command arrives as a message once the menu is gone.
    tk_test::PumpAll();
    EXPECT_EQ(w.dialog->EndResult(), std::optional<INT_PTR>(IDCANCEL));
}

// "退出" chosen from the real tray menu while the window is hidden and automatic
// synchronisation runs: the window ends with Cancel, its tray icon removed.
TEST(TrayIcon, ExitFromTheMenuEndsTheProgramAlsoHiddenAndRunning) {
    MainWindow w(SettingsText("bStart=1\r\nnSel=1\r\nTimer=5\r\n"));
    ::ShowWindow(w.hwnd, SW_MINIMIZE);
    ASSERT_FALSE(::IsWindowVisible(w.hwnd));
    ASSERT_EQ(w.dialog->State().running, 1);
    EXPECT_TRUE(RightClickAndChooseTheFirstItem(w.hwnd));
    ASSERT_EQ(g_menu.items.size(), 1u);
    tk_test::PumpAll();
    EXPECT_EQ(w.dialog->EndResult(), std::optional<INT_PTR>(IDCANCEL));
    EXPECT_FALSE(::IsWindow(w.hwnd));
    EXPECT_EQ(w.log.back(), "NIM_DELETE");
}

// Start with Windows through check box IDC_AUTO_START with a recorded Run key: the choice is
// recorded as bStart and the value set; when the Run key cannot be opened, the choice is still
// recorded and the failure said in red. (Clearing, and other failures in red:
// LaterStatusTextsStayRedUntilAnActionSucceeds.)
TEST(StartWithWindows, ClickRecordsBStartThenSetsTheRunValue) {
    using Requests = std::vector<std::string>;
    for (const bool opens : {true, false}) {
        MainWindow w;
        w.runKey.opens = opens;
        w.Click(IDC_AUTO_START);
        EXPECT_EQ(w.Check(), BST_CHECKED);
        EXPECT_EQ(w.Cont("bStart"), "1");
        const Requests expected =
            opens ? Requests{"open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "close"}
                  : Requests{"open"};
        EXPECT_EQ(w.runKey.requests, expected);
        EXPECT_EQ(w.Text(IDC_STATUS),
                  opens ? "状态：设置自动启动成功！" : "状态：设置自动启动失败！");
        EXPECT_EQ(w.dialog->StatusColourFlag(), opens ? 1 : 0);
    }
}

// Text colour the window gives the status line now; the background stays black.
COLORREF StatusColour(const MainWindow& w) {
    const tk_test::CtlColour colour =
        tk_test::AskColour(w.hwnd, w.Item(IDC_STATUS), WM_CTLCOLORSTATIC);
    EXPECT_EQ(colour.background, RGB(0, 0, 0));
    return colour.text;
}

TEST(StartWithWindows, LaterStatusTextsStayRedUntilAnActionSucceeds) {
    MainWindow w(SettingsText("bStart=1\r\n", {{false, ""}}));
    w.runKey.deleteWorks = false;
    w.Click(IDC_AUTO_START);
    EXPECT_EQ(w.Check(), BST_UNCHECKED);
    EXPECT_EQ(w.Cont("bStart"), "0");
    EXPECT_EQ(w.runKey.requests, (std::vector<std::string>{"open", "delete [Sync]", "close"}));
    ASSERT_EQ(w.Text(IDC_STATUS), "状态：关闭自动启动失败！");
    EXPECT_EQ(w.dialog->StatusColourFlag(), 0);
    std::vector<COLORREF> colourDuringPass;
    w.library.onAdjust = [&](int) { colourDuringPass.push_back(StatusColour(w)); };
    w.Click(IDC_MANUAL);
    EXPECT_EQ(w.Text(IDC_STATUS), "此次校时共：1张卡，其中1张成功，0张失败！");
    EXPECT_EQ(colourDuringPass, std::vector<COLORREF>{RGB(255, 0, 0)});
    EXPECT_EQ(StatusColour(w), RGB(255, 0, 0));

    w.Click(IDC_AUTO_START);
    EXPECT_EQ(w.Text(IDC_STATUS), "状态：设置自动启动成功！");
    EXPECT_EQ(StatusColour(w), RGB(0, 255, 0));
}

TEST(StartWithWindows, ActsOnTheBoxAlsoWhenTheIntervalIsNoNumber) {
    BoxRecorder boxes;
    MainWindow w;
    w.SetInterval("");
    boxes.boxes.clear();
    w.Click(IDC_AUTO_START);
    ASSERT_EQ(w.Check(), BST_CHECKED);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{tk::ui::kIntegerPrompt});
    EXPECT_EQ(w.Cont("bStart"), "1");
    EXPECT_EQ(w.runKey.requests,
              (std::vector<std::string>{"open", "set [Sync]=C:\\Tools\\Sync\\TK.exe", "close"}));
    EXPECT_EQ(w.Text(IDC_STATUS), "状态：设置自动启动成功！");
}

// The Run key, spelt out here so that a wrong key in the program fails the test.
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Reads a value of the Run key; nullopt when there is none.
std::optional<std::string> RunValue(const std::string& name) {
    char data[512] = {};
    DWORD size = sizeof data - 1;
    if (::RegGetValueA(HKEY_CURRENT_USER, kRunKey, name.c_str(), RRF_RT_REG_SZ, nullptr, data,
                       &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data);
}

// The window's own Run key, with a folder name that belongs to this test process alone.
TEST(StartWithWindows, RealRunKeyValueNamedAfterTheExecutablesFolder) {
    const std::string folder = "tk-test-" + std::to_string(::GetCurrentProcessId());
    const std::string exe = "C:\\" + folder + "\\TK.exe";
    ASSERT_FALSE(RunValue(folder).has_value());
    {
        MainWindow w(std::nullopt, {true, exe, false, true});
        w.Click(IDC_AUTO_START);
        EXPECT_EQ(RunValue(folder), exe);
        EXPECT_EQ(w.Text(IDC_STATUS), "状态：设置自动启动成功！");
        w.Click(IDC_AUTO_START);
        EXPECT_FALSE(RunValue(folder).has_value());
        EXPECT_EQ(w.Text(IDC_STATUS), "状态：关闭自动启动成功！");
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, folder.c_str());
        ::RegCloseKey(key);
    }
}

}  // namespace
