// Button IDC_SETTINGS of the main window: the controller list window opens modally over it on its
// settings file, and whatever it ends with, the roster is reloaded and the controller library
// told to re-read the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/win/main_window_harness.h"

namespace {

using tk_test::FindListWindow;
using tk_test::MainWindow;
using tk_test::ModalScript;
using tk_test::SettingsText;
using tk_test::WithListWindow;

// Refuses, for the life of the object, to create any window of this thread that owner would
// own, as a system out of window resources does: a modal window over it then fails to open.
class RefuseOwnedWindows {
public:
    explicit RefuseOwnedWindows(HWND owner) {
        s_owner = owner;
        s_refused = 0;
        m_hook = ::SetWindowsHookExA(WH_CBT, &RefuseOwnedWindows::OnCbt, nullptr,
                                     ::GetCurrentThreadId());
    }
    ~RefuseOwnedWindows() { ::UnhookWindowsHookEx(m_hook); }
    RefuseOwnedWindows(const RefuseOwnedWindows&) = delete;
    RefuseOwnedWindows& operator=(const RefuseOwnedWindows&) = delete;

    static int Refused() { return s_refused; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) {
            const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
            if (!(create->style & WS_CHILD) && create->hwndParent == s_owner) {
                ++s_refused;
                return 1;
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline HWND s_owner = nullptr;
    static inline int s_refused = 0;
    HHOOK m_hook;
};

TEST(SettingsButton, CancelLeavesTheFileAndStillReloads) {
    const std::string settings =
        SettingsText("nSel=1\r\n", {{false, ""}, {true, "127,0,0,9"}, {false, ""}});
    MainWindow w(SettingsText("", {{false, ""}}));
    ASSERT_EQ(w.dialog->Roster().count, 1);
    tk_test::WriteFileBytes(w.settingsPath, settings);  // edited by hand meanwhile

    bool mainDisabled = false;
    int rowsShown = -1;
    ASSERT_TRUE(WithListWindow(
        w,
        [&](HWND list) {
            HWND view = ::GetDlgItem(list, IDC_LIST_SCREENS);
            rowsShown = static_cast<int>(::SendMessageA(view, LVM_GETITEMCOUNT, 0, 0));
            ::SendMessageA(view, LVM_DELETEITEM, 0, 0);  // an edit that Cancel drops
            ::PostMessageA(list, WM_COMMAND, IDCANCEL, 0);
        },
        &mainDisabled));
    EXPECT_TRUE(mainDisabled);
    EXPECT_EQ(rowsShown, 3);
    EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), settings);
    EXPECT_EQ(w.library.reloads, 1);
    ASSERT_EQ(w.dialog->Roster().count, 3);
    EXPECT_STREQ(w.dialog->Roster().entries[1].address, "127.0.0.9");
    EXPECT_TRUE(::IsWindowEnabled(w.Live()));
}

TEST(SettingsButton, OkWritesTheListAndTheRosterFollows) {
    MainWindow w(SettingsText("", {{false, ""}, {true, "127,0,0,9"}, {false, ""}}));
    ASSERT_TRUE(WithListWindow(w, [](HWND list) {
        HWND view = ::GetDlgItem(list, IDC_LIST_SCREENS);
        ::SendMessageA(view, LVM_DELETEITEM, 0, 0);
        ::PostMessageA(list, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(w.Cont("ScreenCount"), "2");
    EXPECT_EQ(w.library.reloads, 1);
    ASSERT_EQ(w.dialog->Roster().count, 2);
    EXPECT_EQ(w.dialog->Roster().entries[0].network, 1);
    EXPECT_STREQ(w.dialog->Roster().entries[0].address, "127.0.0.9");
    EXPECT_EQ(w.dialog->Roster().entries[1].network, 0);
}

// A list window that cannot open is met as a Cancel: the file stays as it is, and the roster
// is still reloaded from it and the library told once.
// Each save of the list reaches the sinks as the main window's own settings do: one the file's
// holder refuses as not saved, with the system's reason, and the next as saved; then the roster
// that followed it as a change of the program's state.
TEST(SettingsButton, EachSaveOfTheListReachesTheSinks) {
    tk_test::BoxRecorder boxes;
    MainWindow w(SettingsText("", {{false, ""}, {false, ""}}));
    w.sinks.told.clear();
    ASSERT_TRUE(WithListWindow(w, [&](HWND list) {
        HWND view = ::GetDlgItem(list, IDC_LIST_SCREENS);
        ::SendMessageA(view, LVM_DELETEITEM, 0, 0);
        HANDLE held = ::CreateFileA(w.settingsPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ::SendMessageA(list, WM_COMMAND, IDOK, 0);
        ::CloseHandle(held);
        ::PostMessageA(list, WM_COMMAND, IDOK, 0);
    }));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(w.sinks.told,
              (std::vector<std::string>{"not saved error 32: 共享冲突。", "saved",
                                        "state automatic 0 interval 3600 screens 1"}));
}

TEST(SettingsButton, ListWindowThatCannotOpenStillReloads) {
    MainWindow w(SettingsText("", {{false, ""}}));
    ASSERT_EQ(w.dialog->Roster().count, 1);
    const std::string settings = SettingsText("", {{false, ""}, {true, "127,0,0,9"}});
    tk_test::WriteFileBytes(w.settingsPath, settings);  // edited by hand meanwhile
    {
        RefuseOwnedWindows refuse(w.Live());
        w.Click(IDC_SETTINGS);
        EXPECT_EQ(RefuseOwnedWindows::Refused(), 1);
    }
    EXPECT_EQ(tk_test::ReadFileBytes(w.settingsPath), settings);
    EXPECT_EQ(w.library.reloads, 1);
    ASSERT_EQ(w.dialog->Roster().count, 2);
    EXPECT_STREQ(w.dialog->Roster().entries[1].address, "127.0.0.9");
    EXPECT_TRUE(::IsWindowEnabled(w.Live()));
}

// Esc typed on the keyboard (through the input queue, with its key-up and character) closes
// the list window and goes nowhere else: the main window, switched on afterwards, stays.
TEST(SettingsButton, EscTypedInTheListWindowClosesItAndNothingElse) {
    MainWindow w(SettingsText("nSel=1\r\nTimer=5\r\n", {{false, ""}}), {false});
    bool listGone = false;
    int running = -1;
    HWND list = nullptr;
    ModalScript script({[&] {
                            if (w.Live() == nullptr) return false;
                            ::PostMessageA(w.Item(IDC_SETTINGS), BM_CLICK, 0, 0);
                            return true;
                        },
                        [&] {
                            list = FindListWindow(w.Live());
                            if (list == nullptr || ::GetForegroundWindow() != list) return false;
                            INPUT keys[2] = {};
                            keys[0].type = keys[1].type = INPUT_KEYBOARD;
                            keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
                            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
                            ::SendInput(2, keys, sizeof(INPUT));
                            return true;
                        },
                        [&] {
                            listGone = !::IsWindow(list);
                            if (!listGone) return false;
                            ::PostMessageA(w.Item(IDC_START_STOP), BM_CLICK, 0, 0);
                            return true;
                        },
                        [&] {
                            if (w.Live() == nullptr) return true;
                            running = w.dialog->State().running;
                            if (running == 0) return false;
                            ::EndDialog(w.Live(), -2);
                            return true;
                        }},
                       [&] {
                           if (HWND open = FindListWindow(w.Live()))
                               ::PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
                           if (w.Live() != nullptr) ::EndDialog(w.Live(), -3);
                       });
    EXPECT_EQ(w.dialog->DoModal(), -2);
    EXPECT_FALSE(script.GaveUp());
    EXPECT_TRUE(listGone);
    EXPECT_EQ(running, 1);
}

}  // namespace
