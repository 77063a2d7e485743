// The about box: built from template 100 with its texts, and closed by OK, Enter, Esc and the
// close box through the framework's default OK and Cancel.
#include "ui/main/about_dlg.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace {

// Reads a window's text as bytes.
std::string TextOf(HWND window) {
    char buffer[128] = {};
    ::GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

TEST(AboutDlg, ShowsTheProgramNameVersionAndCopyright) {
    CAboutDlg about;
    ASSERT_TRUE(about.Create());
    HWND hwnd = about.Hwnd();
    EXPECT_EQ(TextOf(hwnd),
              "\xB9\xD8\xD3\xDA TK\xD7\xD4\xB6\xAF\xD0\xA3\xCA\xB1");  // 关于 TK自动校时
    HWND icon = ::GetWindow(hwnd, GW_CHILD);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(::SendMessageA(icon, STM_GETICON, 0, 0), 0);
    HWND name = ::GetWindow(icon, GW_HWNDNEXT);
    EXPECT_EQ(TextOf(name), "TK自动校时，3.4版");
    EXPECT_EQ(TextOf(::GetWindow(name, GW_HWNDNEXT)), "版权所有 (C) 2026");
    EXPECT_EQ(TextOf(::GetDlgItem(hwnd, IDOK)), "确定");
}

TEST(AboutDlg, ClosesThroughTheDefaultOkAndCancel) {
    const struct {
        const char* how;
        std::function<void(HWND)> close;
        INT_PTR result;
    } cases[] = {
        {"OK button", [](HWND h) { ::SendDlgItemMessageA(h, IDOK, BM_CLICK, 0, 0); }, IDOK},
        {"OK command",
         [](HWND h) { ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, IDOK},
        {"Esc", [](HWND h) { ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
         IDCANCEL},
        {"close box", [](HWND h) { ::SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        CAboutDlg about;
        ASSERT_TRUE(about.Create()) << c.how;
        HWND hwnd = about.Hwnd();
        c.close(hwnd);
        // The dialog manager posts the Cancel command for a close request.
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        EXPECT_EQ(about.EndResult(), std::optional<INT_PTR>(c.result)) << c.how;
        EXPECT_FALSE(::IsWindow(hwnd)) << c.how;
    }
}

// Key the timer below presses in the open about box.
WPARAM g_key = 0;

// Runs inside the about box's modal loop: presses g_key on the focused control, as the user
// would, so the dialog manager's keyboard handling decides what happens.
void CALLBACK PressKey(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND about = ::FindWindowA(MAKEINTATOM(32770), "关于 TK自动校时");
    if (about == nullptr) {
        ADD_FAILURE() << "about box not found by its caption";
        about = ::GetActiveWindow();
    }
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus != nullptr && (focus == about || ::IsChild(about, focus)));
    ::PostMessageA(focus ? focus : about, WM_KEYDOWN, g_key, 0);
}

TEST(AboutDlg, ModalRunEndsOnEnterAndEsc) {
    const struct {
        WPARAM key;
        INT_PTR result;
    } cases[] = {{VK_RETURN, IDOK}, {VK_ESCAPE, IDCANCEL}};
    for (const auto& c : cases) {
        g_key = c.key;
        ASSERT_NE(::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, PressKey), 0u);
        CAboutDlg about;
        EXPECT_EQ(about.DoModal(), c.result) << c.key;
    }
}

}  // namespace
