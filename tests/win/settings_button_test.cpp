// Button 1005 of the main window: the controller list window opens modally over it on its
// settings file, and whatever it ends with, the roster is reloaded and the controller library
// told to re-read the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/win/main_window_harness.h"

namespace {

using tk_test::MainWindow;
using tk_test::ModalScript;
using tk_test::SettingsText;
using tk_test::WithListWindow;

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

}  // namespace
