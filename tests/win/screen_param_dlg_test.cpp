// The controller parameter window driven through its real window inside the test process:
// what it shows when it opens, how the handed-in texts pre-select the lists, what OK takes back
// (and refuses to take while a list has no selection), and that Cancel takes nothing.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/screens/screen_row_codec.h"
#include "resources/resource.h"
#include "tests/win/win_test_util.h"
#include "ui/config/screen_param_dlg.h"

namespace {

using tk_test::TextOf;

// Items of a list in shown order, and the index selected (CB_ERR for none).
struct ListState {
    std::vector<std::string> items;
    int selected;
};

ListState StateOf(HWND list) {
    ListState state{{}, static_cast<int>(::SendMessageA(list, CB_GETCURSEL, 0, 0))};
    const auto count = static_cast<int>(::SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        ::SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        state.items.push_back(text);
    }
    return state;
}

// Text of the selected item; empty when nothing is selected (no list has an empty item).
std::string SelectedText(HWND list) {
    const ListState state = StateOf(list);
    return state.selected == CB_ERR ? std::string() : state.items.at(state.selected);
}

// The four field edits of an IP address control, first field first.
std::vector<HWND> IpFields(HWND ip) {
    std::vector<HWND> fields;
    for (HWND child = ::GetWindow(ip, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        fields.push_back(child);
    }
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        ::GetWindowRect(a, &ra);
        ::GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return fields;
}

// What the four fields show, as the user sees them ("" for a blank field).
std::vector<std::string> IpFieldTexts(HWND ip) {
    std::vector<std::string> texts;
    for (HWND field : IpFields(ip)) texts.push_back(TextOf(field));
    return texts;
}

// A row as the list window hands it in for modify.
tk::ScreenRow ModifiedRow() {
    return {"TK310", "7", "串口通讯", "COM12", "57600", "5005", "127.0.0.7", "双色", "128", "64"};
}

// The row with its five list texts replaced.
tk::ScreenRow WithListTexts(const char* model, const char* comm, const char* serialPort,
                            const char* baud, const char* colour) {
    tk::ScreenRow row = ModifiedRow();
    row[tk::kColumnModel] = model;
    row[tk::kColumnCommMode] = comm;
    row[tk::kColumnSerialPort] = serialPort;
    row[tk::kColumnBaud] = baud;
    row[tk::kColumnColour] = colour;
    return row;
}

// Picks item index of a list as the user does: the selection, then the control's notification.
void Choose(HWND dialog, int id, int index) {
    ::SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void Click(HWND dialog, int id) { ::SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }

// What RunModal's thread timer does on each tick, and the timer's procedure.
std::function<void()> g_tick;
VOID CALLBACK RunTick(HWND, UINT, UINT_PTR, DWORD) { g_tick(); }

// Runs dialog modally; act runs once inside its modal loop, as soon as the window shows (from
// a thread timer that the loop dispatches). A window that never shows ends with -2.
INT_PTR RunModal(CSrcreenParamDlg& dialog, const std::function<void(HWND)>& act) {
    bool acted = false;
    int idleTicks = 0;
    g_tick = [&] {
        const HWND hwnd = dialog.Hwnd();
        if (acted) return;
        if (hwnd == nullptr || !::IsWindowVisible(hwnd)) {
            if (++idleTicks > 500 && hwnd != nullptr) ::EndDialog(hwnd, -2);
            return;
        }
        acted = true;
        act(hwnd);
    };
    const UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, RunTick);
    const INT_PTR result = dialog.DoModal();
    ::KillTimer(nullptr, timer);
    g_tick = nullptr;
    return result;
}

// The window opened modeless, shown and active (the focus checks need it), with message boxes
// recorded.
class ScreenParamDlgTest : public ::testing::Test {
protected:
    // Opens the window for number; row, when given, is handed in as for modify.
    void Open(int number, const std::optional<tk::ScreenRow>& row = std::nullopt) {
        m_dialog = std::make_unique<CSrcreenParamDlg>(number);
        if (row) m_dialog->SetRow(*row);
        ASSERT_TRUE(m_dialog->Create()) << ::GetLastError();
        ::ShowWindow(Hwnd(), SW_SHOW);
        ::SetForegroundWindow(Hwnd());
    }

    HWND Hwnd() const { return m_dialog->Hwnd(); }
    HWND Item(int id) const { return ::GetDlgItem(Hwnd(), id); }

    tk_test::BoxRecorder m_boxes;
    std::unique_ptr<CSrcreenParamDlg> m_dialog;
};

TEST_F(ScreenParamDlgTest, NewScreenShowsItsNumberAndSelectsOnlySerialPortAndColour) {
    Open(5);
    EXPECT_EQ(TextOf(Hwnd()), "控制卡参数配置");
    EXPECT_EQ(TextOf(Item(IDC_PARAM_ADDRESS)), "5");
    for (int id : {IDC_PARAM_NET_PORT, IDC_PARAM_WIDTH, IDC_PARAM_HEIGHT}) {
        EXPECT_EQ(TextOf(Item(id)), "") << id;
    }
    struct Expected {
        int id;
        std::vector<std::string> items;
        int selected;
    };
    const Expected lists[] = {
        {IDC_PARAM_MODEL,
         {"TK100-I/II", "TK100-IE", "TK300", "TK310", "TK320", "TK350", "TK500", "TK700"},
         CB_ERR},
        {IDC_PARAM_COMM, {"串口通讯", "网络通讯"}, CB_ERR},
        {IDC_PARAM_SERIAL_PORT,
         {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10", "COM11",
          "COM12", "COM13", "COM14", "COM15", "COM16", "COM17"},
         0},
        {IDC_PARAM_BAUD, {"9600", "57600", "115200"}, CB_ERR},
        {IDC_PARAM_COLOUR, {"单色", "双色"}, 0},
    };
    for (const Expected& want : lists) {
        const ListState state = StateOf(Item(want.id));
        EXPECT_EQ(state.items, want.items) << want.id;
        EXPECT_EQ(state.selected, want.selected) << want.id;
    }
    EXPECT_NE(::SendMessageA(Item(IDC_PARAM_IP), IPM_ISBLANK, 0, 0), 0);
    EXPECT_EQ(IpFieldTexts(Item(IDC_PARAM_IP)), (std::vector<std::string>{"", "", "", ""}));
    // The caller's row is the number and nine empty texts until OK.
    EXPECT_EQ(m_dialog->Row(), (tk::ScreenRow{"", "5", "", "", "", "", "", "", "", ""}));
}

TEST_F(ScreenParamDlgTest, HandedInTextsPreselectTheirItems) {
    struct Case {
        const char* what;
        tk::ScreenRow row;
        // Expected selections: model, communication, serial port, baud, colour ("" for none).
        const char* selected[5];
    };
    const Case cases[] = {
        {"whole item texts",
         WithListTexts("TK500", "网络通讯", "COM10", "115200", "双色"),
         {"TK500", "网络通讯", "COM10", "115200", "双色"}},
        {"first items, found by wrapping",
         WithListTexts("TK100-I/II", "串口通讯", "COM1", "9600", "单色"),
         {"TK100-I/II", "串口通讯", "COM1", "9600", "单色"}},
        {"texts no item has",
         WithListTexts("无效", "红外", "COM99", "4800", "七彩色"),
         {"", "", "COM1", "", "单色"}},
        {"prefixes in any letter case",
         WithListTexts("tk3", "网络", "COM17", "1", "双"),
         {"TK300", "网络通讯", "COM17", "115200", "双色"}},
        // The prefix search starts at the second item: "tk100" skips TK100-I/II; the serial
        // port must match whole and in case.
        {"search from the second item",
         WithListTexts("tk100", "串", "com3", "5", "单"),
         {"TK100-IE", "串口通讯", "COM1", "57600", "单色"}},
        {"prefix of the first item only",
         WithListTexts("TK100-I/", "", "COM", "96", ""),
         {"TK100-I/II", "", "COM1", "9600", "单色"}},
        {"empty texts", WithListTexts("", "", "", "", ""), {"", "", "COM1", "", "单色"}},
    };
    const int lists[] = {IDC_PARAM_MODEL, IDC_PARAM_COMM, IDC_PARAM_SERIAL_PORT, IDC_PARAM_BAUD,
                         IDC_PARAM_COLOUR};
    for (const Case& c : cases) {
        Open(3, c.row);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(SelectedText(Item(lists[i])), c.selected[i])
                << c.what << ", list " << lists[i];
        }
        m_dialog->Destroy();
    }
}

TEST_F(ScreenParamDlgTest, OkWithoutChangesReturnsTheRowThroughTheControls) {
    struct Case {
        tk::ScreenRow in;
        tk::ScreenRow out;
    };
    const Case cases[] = {
        {ModifiedRow(), ModifiedRow()},
        // A full-colour screen comes back single-colour unless the user picks otherwise.
        {WithListTexts("tk700", "网络通讯", "COM3", "9600", "七彩色"),
         {"TK700", "7", "网络通讯", "COM3", "9600", "5005", "127.0.0.7", "单色", "128", "64"}},
    };
    for (const Case& c : cases) {
        Open(1, c.in);
        EXPECT_EQ(TextOf(Item(IDC_PARAM_ADDRESS)), c.in[tk::kColumnAddress]);
        EXPECT_EQ(TextOf(Item(IDC_PARAM_NET_PORT)), c.in[tk::kColumnNetPort]);
        EXPECT_EQ(TextOf(Item(IDC_PARAM_WIDTH)), c.in[tk::kColumnWidth]);
        EXPECT_EQ(TextOf(Item(IDC_PARAM_HEIGHT)), c.in[tk::kColumnHeight]);
        Click(Hwnd(), IDOK);
        EXPECT_EQ(m_dialog->EndResult(), IDOK);
        EXPECT_EQ(m_dialog->Row(), c.out);
        EXPECT_TRUE(m_boxes.boxes.empty());
    }
}

TEST_F(ScreenParamDlgTest, OkTakesEveryEditedControl) {
    Open(2, ModifiedRow());
    ::SetWindowTextA(Item(IDC_PARAM_ADDRESS), "12");
    ::SetWindowTextA(Item(IDC_PARAM_NET_PORT), "6000");
    ::SetWindowTextA(Item(IDC_PARAM_WIDTH), "256");
    ::SetWindowTextA(Item(IDC_PARAM_HEIGHT), "");
    Choose(Hwnd(), IDC_PARAM_MODEL, 4);        // TK320
    Choose(Hwnd(), IDC_PARAM_COMM, 1);         // 网络通讯
    Choose(Hwnd(), IDC_PARAM_SERIAL_PORT, 4);  // COM5
    Choose(Hwnd(), IDC_PARAM_BAUD, 0);         // 9600
    Choose(Hwnd(), IDC_PARAM_COLOUR, 0);       // 单色
    ::SendMessageA(Item(IDC_PARAM_IP), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 9));
    Click(Hwnd(), IDOK);
    EXPECT_EQ(m_dialog->EndResult(), IDOK);
    EXPECT_EQ(m_dialog->Row(), (tk::ScreenRow{"TK320", "12", "网络通讯", "COM5", "9600", "6000",
                                              "127.0.0.9", "单色", "256", ""}));
}

TEST_F(ScreenParamDlgTest, IpTextReachesTheFieldsAsNumbersAndComesBackDotted) {
    struct Case {
        const char* in;
        std::vector<std::string> fields;  // as shown when the window opens
        const char* firstFieldTyped;      // nullptr: the user leaves the fields alone
        const char* out;
    };
    const Case cases[] = {
        {"", {"", "", "", ""}, nullptr, "0.0.0.0"},
        {"", {"", "", "", ""}, "10", "10.0.0.0"},
        {"0.0.0.0", {"0", "0", "0", "0"}, nullptr, "0.0.0.0"},
        {"10.0.0.0", {"10", "0", "0", "0"}, nullptr, "10.0.0.0"},
        {"127.0.0.5", {"127", "0", "0", "5"}, nullptr, "127.0.0.5"},
        {"127.0.0.5", {"127", "0", "0", "5"}, "10", "10.0.0.5"},
        // Texts that give no four numbers the fields can hold leave them blank.
        {"错误", {"", "", "", ""}, nullptr, "0.0.0.0"},
        {"127.0.1", {"", "", "", ""}, nullptr, "0.0.0.0"},
        {"300.1.2.3", {"", "", "", ""}, nullptr, "0.0.0.0"},
        {"127.0.0.256", {"", "", "", ""}, nullptr, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        tk::ScreenRow row = ModifiedRow();
        row[tk::kColumnIp] = c.in;
        Open(1, row);
        EXPECT_EQ(IpFieldTexts(Item(IDC_PARAM_IP)), c.fields) << c.in;
        if (c.firstFieldTyped) {
            ::SetWindowTextA(IpFields(Item(IDC_PARAM_IP)).at(0), c.firstFieldTyped);
        }
        Click(Hwnd(), IDOK);
        EXPECT_EQ(m_dialog->EndResult(), IDOK) << c.in;
        EXPECT_EQ(m_dialog->Row()[tk::kColumnIp], c.out) << c.in;
    }
}

TEST_F(ScreenParamDlgTest, OkWithAListWithoutSelectionNamesItAndKeepsTheWindowAndTheRow) {
    struct Case {
        int list;
        const char* message;
    };
    const Case cases[] = {
        {IDC_PARAM_MODEL, "请选择控制卡型号。"}, {IDC_PARAM_COMM, "请选择通讯方式。"},
        {IDC_PARAM_BAUD, "请选择波特率。"},      {IDC_PARAM_SERIAL_PORT, "请选择串口号。"},
        {IDC_PARAM_COLOUR, "请选择颜色。"},
    };
    for (const Case& c : cases) {
        m_boxes.boxes.clear();
        Open(1, ModifiedRow());
        ::SetWindowTextA(Item(IDC_PARAM_ADDRESS), "77");
        ::SendMessageA(Item(IDC_PARAM_IP), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 8));
        Choose(Hwnd(), c.list, -1);
        Click(Hwnd(), IDOK);
        ASSERT_EQ(m_boxes.Texts(), std::vector<std::string>{c.message}) << c.list;
        EXPECT_EQ(m_boxes.boxes[0].owner, Hwnd()) << c.list;
        EXPECT_EQ(m_boxes.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK)) << c.list;
        EXPECT_EQ(::GetFocus(), Item(c.list)) << c.list;
        EXPECT_FALSE(m_dialog->EndResult().has_value()) << c.list;
        EXPECT_TRUE(::IsWindow(Hwnd())) << c.list;
        EXPECT_EQ(m_dialog->Row(), ModifiedRow()) << c.list;

        // Once the user picks an item, OK takes everything.
        Choose(Hwnd(), c.list, 1);
        Click(Hwnd(), IDOK);
        EXPECT_EQ(m_dialog->EndResult(), IDOK) << c.list;
        EXPECT_EQ(m_dialog->Row()[tk::kColumnAddress], "77") << c.list;
        EXPECT_EQ(m_dialog->Row()[tk::kColumnIp], "127.0.0.8") << c.list;
    }
}

TEST_F(ScreenParamDlgTest, NewScreenAsksForCommunicationThenModelThenBaud) {
    Open(5);
    const std::pair<int, const char*> steps[] = {
        {IDC_PARAM_COMM, "请选择通讯方式。"},
        {IDC_PARAM_MODEL, "请选择控制卡型号。"},
        {IDC_PARAM_BAUD, "请选择波特率。"},
    };
    for (const auto& [list, message] : steps) {
        m_boxes.boxes.clear();
        Click(Hwnd(), IDOK);
        EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{message});
        EXPECT_EQ(::GetFocus(), Item(list)) << list;
        Choose(Hwnd(), list, 0);
    }
    m_boxes.boxes.clear();
    Click(Hwnd(), IDOK);
    EXPECT_TRUE(m_boxes.boxes.empty());
    EXPECT_EQ(m_dialog->EndResult(), IDOK);
    EXPECT_EQ(m_dialog->Row(), (tk::ScreenRow{"TK100-I/II", "5", "串口通讯", "COM1", "9600", "",
                                              "0.0.0.0", "单色", "", ""}));
}

// Modal runs: Cancel, Esc and the close box return IDCANCEL and leave the row alone whatever
// was edited; OK returns IDOK with the edits. One object opens several times in a row.
TEST(ScreenParamDlgModal, CancelTakesNothingAndOkTakesTheEdits) {
    tk_test::BoxRecorder boxes;
    struct Case {
        const char* what;
        std::function<void(HWND)> close;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Cancel button", [](HWND dialog) { Click(dialog, IDCANCEL); }, IDCANCEL},
        {"close box", [](HWND dialog) { ::SendMessageA(dialog, WM_CLOSE, 0, 0); }, IDCANCEL},
        {"OK button", [](HWND dialog) { Click(dialog, IDOK); }, IDOK},
    };
    CSrcreenParamDlg dialog(4);
    for (const Case& c : cases) {
        dialog.SetRow(ModifiedRow());
        const INT_PTR result = RunModal(dialog, [&](HWND hwnd) {
            ::SetWindowTextA(::GetDlgItem(hwnd, IDC_PARAM_WIDTH), "512");
            Choose(hwnd, IDC_PARAM_MODEL, 7);  // TK700
            ::SendDlgItemMessageA(hwnd, IDC_PARAM_IP, IPM_SETADDRESS, 0,
                                  MAKEIPADDRESS(127, 0, 0, 2));
            c.close(hwnd);
        });
        EXPECT_EQ(result, c.result) << c.what;
        tk::ScreenRow expected = ModifiedRow();
        if (c.result == IDOK) {
            expected[tk::kColumnWidth] = "512";
            expected[tk::kColumnModel] = "TK700";
            expected[tk::kColumnIp] = "127.0.0.2";
        }
        EXPECT_EQ(dialog.Row(), expected) << c.what;
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
