// The dialog layer driven through a real dialog (test template IDD_FRAMEWORK_TEST) inside the test
// process: message-table routing, the dialog procedure's return rule, data exchange and its integer
// prompt, notification suppression, OK/Cancel, exceptions, control wrappers, owning handles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/common/failure_recorder.h"
#include "tests/win/framework_test_res.h"
#include "tests/win/win_test_util.h"
#include "ui/framework/controls.h"
#include "ui/framework/dialog.h"
#include "ui/framework/message_box.h"
#include "ui/framework/message_table.h"
#include "ui/framework/unique_handle.h"

namespace {

using tk::ui::MessageEntry;
using tk::ui::MessageTable;
using tk_test::TextOf;

constexpr UINT kTrayLikeMessage = WM_USER + 1;
constexpr LRESULT kTrayLikeResult = 1234;

// The test dialog: members exchanged with four controls, and handlers that count.
class TestDialog : public tk::ui::Dialog {
public:
    TestDialog() : tk::ui::Dialog(IDD_FRAMEWORK_TEST) {}
    ~TestDialog() override { ::DeleteObject(m_brush); }

    int m_first = 42;
    int m_second = 7;
    int m_check = 1;
    std::string m_text = "文本";
    tk::ui::ComboBox m_combo;

    int m_goClicks = 0;
    int m_firstChanges = 0;
    int m_listNotifications = 0;
    std::vector<UINT_PTR> m_timers;
    std::vector<std::array<int, 3>> m_sizes;  // type, width, height
    int m_destroys = 0;
    bool m_throwOnGo = false;
    bool m_outOfMemoryOnGo = false;
    void StayOpenOnFailures() { StayOpenOnHandlerFailure(); }
    HBRUSH m_brush = ::CreateSolidBrush(RGB(0, 0, 0));
    HICON m_dragIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION

protected:
    bool DoDataExchange(bool take) override {
        tk::ui::DataExchange dx(Hwnd(), take);
        dx.Control(IDC_T_COMBO, m_combo);
        dx.Int(IDC_T_FIRST, m_first);
        dx.Int(IDC_T_SECOND, m_second);
        dx.Check(IDC_T_CHECK, m_check);
        dx.Text(IDC_T_TEXT, m_text);
        return dx.Ok();
    }

    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return kMessageTable.Dispatch(*this, message, wParam, lParam, result);
    }

private:
    void OnGo() {
        ++m_goClicks;
        if (m_outOfMemoryOnGo) throw std::bad_alloc();
        if (m_throwOnGo) throw std::runtime_error("handler failed");
    }
    void OnFirstChanged() { ++m_firstChanges; }
    LRESULT OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
        if (message != WM_CTLCOLORSTATIC ||
            ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_T_COLOURED) {
            handled = false;
            return 0;
        }
        DefaultHandling(message, wParam, lParam);
        return reinterpret_cast<LRESULT>(m_brush);
    }
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, bool&) {
        return reinterpret_cast<LRESULT>(m_dragIcon);
    }
    LRESULT OnTrayLike(UINT, WPARAM, LPARAM, bool&) { return kTrayLikeResult; }
    void OnTimer(UINT_PTR timerId) { m_timers.push_back(timerId); }
    void OnSize(UINT type, int width, int height) {
        m_sizes.push_back({static_cast<int>(type), width, height});
    }
    void OnDestroy() { ++m_destroys; }
    LRESULT OnListClick(NMHDR&, bool&) {
        ++m_listNotifications;
        return 0;
    }

    static const MessageTable<TestDialog> kMessageTable;
};

using Entry = MessageEntry<TestDialog>;

// A handler of the raw message, told which one came; it may decline it by setting handled to
// false.
using RawHandler = LRESULT (TestDialog::*)(UINT message, WPARAM wParam, LPARAM lParam,
                                           bool& handled);

// Messages first to last inclusive (all WM_CTLCOLOR* messages, say), with their raw parameters:
// a kind of entry of the test's own, made from a cracker as any dialog could.
Entry RawRange(UINT first, UINT last, RawHandler handler) {
    return Entry(
        [=](TestDialog& self, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
            if (message < first || message > last) return false;
            bool handled = true;
            result = (self.*handler)(message, wParam, lParam, handled);
            return handled;
        });
}

// One message with its raw parameters.
Entry RawMessage(UINT message, RawHandler handler) { return RawRange(message, message, handler); }

const MessageTable<TestDialog> TestDialog::kMessageTable = {
    Entry::Command(IDC_T_GO, BN_CLICKED, &TestDialog::OnGo),
    Entry::Command(IDC_T_FIRST, EN_CHANGE, &TestDialog::OnFirstChanged),
    RawRange(WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, &TestDialog::OnCtlColor),
    RawMessage(WM_QUERYDRAGICON, &TestDialog::OnQueryDragIcon),
    RawMessage(kTrayLikeMessage, &TestDialog::OnTrayLike),
    Entry::Notify(IDC_T_LIST, NM_CLICK, &TestDialog::OnListClick),
    Entry::Timer(&TestDialog::OnTimer),
    Entry::Size(&TestDialog::OnSize),
    Entry::Destroy(&TestDialog::OnDestroy),
};

// A dialog with the typed entries the test dialog leaves out, each handler noting its call.
class TypedDialog : public tk::ui::Dialog {
public:
    TypedDialog() : tk::ui::Dialog(IDD_FRAMEWORK_TEST) {}
    ~TypedDialog() override {
        ::DeleteObject(m_brush);
        ::DeleteObject(m_laterBrush);
    }

    static constexpr UINT kSignal = WM_APP + 1;
    static constexpr UINT kParams = WM_APP + 2;
    static inline UINT s_registered = 0;
    static constexpr char kTip[] = "tip";
    std::string m_calls;  // the handlers' notes, in order
    HBRUSH m_brush = ::CreateSolidBrush(RGB(0, 0, 0));
    HBRUSH m_laterBrush = ::CreateSolidBrush(RGB(255, 0, 0));
    HICON m_dragIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION

protected:
    bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return kMessageTable.Dispatch(*this, message, wParam, lParam, result);
    }

private:
    void Note(const std::string& call) { m_calls += (m_calls.empty() ? "" : ", ") + call; }

    void OnSignal() { Note("signal"); }
    void OnRegistered() { Note("registered"); }
    LRESULT OnParams(WPARAM wParam, LPARAM lParam) {
        Note("params " + std::to_string(wParam) + " " + std::to_string(lParam));
        return 99;
    }
    // Takes minimising, leaves the rest to the default handling.
    bool OnSysCommand(UINT command, LPARAM position) {
        Note("syscommand " + std::to_string(command) + " " + std::to_string(position));
        return (command & 0xFFF0) == SC_MINIMIZE;
    }
    bool OnPaint() {
        Note("paint");
        return true;
    }
    HICON OnQueryDragIcon() {
        Note("drag icon");
        return m_dragIcon;
    }
    HBRUSH OnCtlColorStatic(HDC, HWND control) {
        Note("colour " + std::to_string(::GetDlgCtrlID(control)));
        return ::GetDlgCtrlID(control) == IDC_T_COLOURED ? m_brush : nullptr;
    }
    // Offered what the entry before declines.
    HBRUSH OnLaterCtlColorStatic(HDC, HWND control) {
        Note("later colour " + std::to_string(::GetDlgCtrlID(control)));
        return ::GetDlgCtrlID(control) == IDC_T_PLAIN ? m_laterBrush : nullptr;
    }
    const char* OnTipText() {
        Note("tip");
        return kTip;
    }

    static const MessageTable<TypedDialog> kMessageTable;
};

using TypedEntry = MessageEntry<TypedDialog>;
const MessageTable<TypedDialog> TypedDialog::kMessageTable = {
    TypedEntry::Signal(kSignal, &TypedDialog::OnSignal),
    TypedEntry::Registered(&TypedDialog::s_registered, &TypedDialog::OnRegistered),
    TypedEntry::Params(kParams, &TypedDialog::OnParams),
    TypedEntry::SysCommand(&TypedDialog::OnSysCommand),
    TypedEntry::Paint(&TypedDialog::OnPaint),
    TypedEntry::QueryDragIcon(&TypedDialog::OnQueryDragIcon),
    TypedEntry::CtlColorStatic(&TypedDialog::OnCtlColorStatic),
    TypedEntry::CtlColorStatic(&TypedDialog::OnLaterCtlColorStatic),
    TypedEntry::TipText(IDC_T_COLOURED, &TypedDialog::OnTipText),
};

// Reads a control's text as bytes.
std::string TextOf(HWND dialog, int id) { return TextOf(::GetDlgItem(dialog, id)); }

// Sends a control's notification to its dialog the way the control itself would.
LRESULT Notify(HWND dialog, int id, WORD code) {
    return ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                          reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

class FrameworkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override { ASSERT_TRUE(m_dialog.Create()) << ::GetLastError(); }

    HWND Hwnd() const { return m_dialog.Hwnd(); }

    // Calls the dialog procedure directly, to see what it returns to the dialog manager.
    INT_PTR CallDialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
        auto proc = reinterpret_cast<DLGPROC>(::GetWindowLongPtrA(Hwnd(), DWLP_DLGPROC));
        ::SetWindowLongPtrA(Hwnd(), DWLP_MSGRESULT, -1);
        return proc(Hwnd(), message, wParam, lParam);
    }

    TestDialog m_dialog;
    tk_test::BoxRecorder m_boxes;
};

TEST_F(FrameworkTest, CommandEntriesMatchIdAndCodeTogether) {
    struct Case {
        int id;
        WORD code;
        int expectedClicks;
    };
    const Case cases[] = {
        {IDC_T_GO, BN_CLICKED, 1},    {IDC_T_GO, BN_DOUBLECLICKED, 0}, {IDC_T_GO, BN_SETFOCUS, 0},
        {IDC_T_CHECK, BN_CLICKED, 0}, {IDC_T_SECOND, EN_CHANGE, 0},
    };
    for (const Case& c : cases) {
        m_dialog.m_goClicks = 0;
        m_dialog.m_firstChanges = 0;
        Notify(Hwnd(), c.id, c.code);
        EXPECT_EQ(m_dialog.m_goClicks, c.expectedClicks) << c.id << "/" << c.code;
        EXPECT_EQ(m_dialog.m_firstChanges, 0) << c.id << "/" << c.code;
    }
    // A real click goes through the same entry.
    m_dialog.m_goClicks = 0;
    ::SendDlgItemMessageA(Hwnd(), IDC_T_GO, BM_CLICK, 0, 0);
    EXPECT_EQ(m_dialog.m_goClicks, 1);
}

TEST_F(FrameworkTest, NotifyEntriesMatchIdAndCodeTogether) {
    NMHDR header = {::GetDlgItem(Hwnd(), IDC_T_LIST), IDC_T_LIST, static_cast<UINT>(NM_CLICK)};
    ::SendMessageA(Hwnd(), WM_NOTIFY, IDC_T_LIST, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(m_dialog.m_listNotifications, 1);
    header.code = static_cast<UINT>(NM_DBLCLK);
    ::SendMessageA(Hwnd(), WM_NOTIFY, IDC_T_LIST, reinterpret_cast<LPARAM>(&header));
    header.code = static_cast<UINT>(NM_CLICK);
    header.idFrom = IDC_T_COMBO;
    ::SendMessageA(Hwnd(), WM_NOTIFY, IDC_T_COMBO, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(m_dialog.m_listNotifications, 1);
}

// The typed entries hand their handlers the message's own values and let the message go on to
// the default handling (the dialog procedure returns FALSE).
TEST_F(FrameworkTest, TypedEntriesUnpackTheirMessagesAndLetThemGoOn) {
    EXPECT_EQ(CallDialogProc(WM_TIMER, 7, 0), FALSE);
    EXPECT_EQ(CallDialogProc(WM_TIMER, 0x12345, 0), FALSE);
    EXPECT_EQ(m_dialog.m_timers, (std::vector<UINT_PTR>{7, 0x12345}));
    EXPECT_EQ(CallDialogProc(WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(300, 200)), FALSE);
    EXPECT_EQ(m_dialog.m_sizes, (std::vector<std::array<int, 3>>{{SIZE_MINIMIZED, 300, 200}}));
    EXPECT_EQ(m_dialog.m_destroys, 0);
    m_dialog.Destroy();
    EXPECT_EQ(m_dialog.m_destroys, 1);
    EXPECT_EQ(m_dialog.m_timers.size(), 2u);
}

TEST_F(FrameworkTest, DialogProcedureReturnsResultsByTheRule) {
    HWND coloured = ::GetDlgItem(Hwnd(), IDC_T_COLOURED);
    HDC dc = ::GetDC(coloured);
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        INT_PTR procResult;
        LONG_PTR msgResult;  // DWLP_MSGRESULT afterwards; -1: left alone
    };
    const Case cases[] = {
        {"control colour: brush returned directly", WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
         reinterpret_cast<LPARAM>(coloured), reinterpret_cast<INT_PTR>(m_dialog.m_brush), -1},
        {"drag icon: icon returned directly", WM_QUERYDRAGICON, 0, 0,
         reinterpret_cast<INT_PTR>(m_dialog.m_dragIcon), -1},
        {"plain message: TRUE, result in DWLP_MSGRESULT", kTrayLikeMessage, 5, WM_LBUTTONUP, TRUE,
         kTrayLikeResult},
        {"command: TRUE, result 0", WM_COMMAND, MAKEWPARAM(IDC_T_GO, BN_CLICKED),
         reinterpret_cast<LPARAM>(::GetDlgItem(Hwnd(), IDC_T_GO)), TRUE, 0},
        {"unhandled: FALSE", WM_USER + 77, 0, 0, FALSE, -1},
        {"declined by its handler: FALSE", WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
         reinterpret_cast<LPARAM>(::GetDlgItem(Hwnd(), IDC_T_TEXT)), FALSE, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CallDialogProc(c.message, c.wParam, c.lParam), c.procResult) << c.what;
        EXPECT_EQ(::GetWindowLongPtrA(Hwnd(), DWLP_MSGRESULT), c.msgResult) << c.what;
    }
    ::ReleaseDC(coloured, dc);

    // Through the dialog manager, as a sender sees it.
    EXPECT_EQ(::SendMessageA(Hwnd(), kTrayLikeMessage, 5, 0), kTrayLikeResult);
    HWND plain = ::GetDlgItem(Hwnd(), IDC_T_PLAIN);
    HDC plainDc = ::GetDC(plain);
    const LRESULT defaultBrush =
        ::SendMessageA(Hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(plainDc),
                       reinterpret_cast<LPARAM>(plain));
    ::ReleaseDC(plain, plainDc);
    EXPECT_NE(defaultBrush, reinterpret_cast<LRESULT>(m_dialog.m_brush));
}

// Each typed entry matches its own message only, hands its handler the message's values and
// gives the dialog procedure the handler's answer, which the procedure returns by the rule.
TEST_F(FrameworkTest, TypedEntriesCrackTheirMessagesForTheReturnRule) {
    TypedDialog dialog;
    ASSERT_TRUE(dialog.Create());
    const HWND hwnd = dialog.Hwnd();
    const HWND coloured = ::GetDlgItem(hwnd, IDC_T_COLOURED);
    const HWND plain = ::GetDlgItem(hwnd, IDC_T_PLAIN);
    const HDC dc = ::GetDC(coloured);
    NMTTDISPINFOA tip{};
    tip.hdr = {nullptr, reinterpret_cast<UINT_PTR>(coloured), static_cast<UINT>(TTN_GETDISPINFOA)};
    tip.uFlags = TTF_IDISHWND;
    NMTTDISPINFOA tipById = tip;
    tipById.uFlags = 0;
    NMTTDISPINFOA tipOfPlain = tip;
    tipOfPlain.hdr.idFrom = reinterpret_cast<UINT_PTR>(plain);
    NMTTDISPINFOA wideTip = tip;
    wideTip.hdr.code = static_cast<UINT>(TTN_GETDISPINFOW);
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        INT_PTR procResult;
        LONG_PTR msgResult;  // DWLP_MSGRESULT afterwards; -1: left alone
        const char* calls;   // the handlers' notes
    };
    const auto lp = [](const void* p) { return reinterpret_cast<LPARAM>(p); };
    auto proc = reinterpret_cast<DLGPROC>(::GetWindowLongPtrA(hwnd, DWLP_DLGPROC));
    auto run = [&](const Case& c) {
        dialog.m_calls.clear();
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, -1);
        EXPECT_EQ(proc(hwnd, c.message, c.wParam, c.lParam), c.procResult) << c.what;
        EXPECT_EQ(::GetWindowLongPtrA(hwnd, DWLP_MSGRESULT), c.msgResult) << c.what;
        EXPECT_EQ(dialog.m_calls, c.calls) << c.what;
    };
    run({"registered, not yet: nothing matches", WM_NULL, 0, 0, FALSE, -1, ""});
    TypedDialog::s_registered = ::RegisterWindowMessageA("tk-framework-test-registered");
    ASSERT_NE(TypedDialog::s_registered, 0u);
    const Case cases[] = {
        {"signal", TypedDialog::kSignal, 1, 2, TRUE, 0, "signal"},
        {"another message of the program's own", WM_APP + 7, 0, 0, FALSE, -1, ""},
        {"registered", TypedDialog::s_registered, 3, 4, TRUE, 0, "registered"},
        {"params", TypedDialog::kParams, 5, 6, TRUE, 99, "params 5 6"},
        {"system command taken", WM_SYSCOMMAND, SC_MINIMIZE | 2, MAKELPARAM(7, 8), TRUE, 0,
         "syscommand 61474 524295"},
        {"system command left to the default", WM_SYSCOMMAND, SC_CLOSE, 0, FALSE, -1,
         "syscommand 61536 0"},
        {"paint", WM_PAINT, 0, 0, TRUE, 0, "paint"},
        {"drag icon: returned directly", WM_QUERYDRAGICON, 0, 0,
         reinterpret_cast<INT_PTR>(dialog.m_dragIcon), -1, "drag icon"},
        {"static colour: returned directly", WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
         lp(coloured), reinterpret_cast<INT_PTR>(dialog.m_brush), -1, "colour 907"},
        {"static colour declined, taken by a later entry", WM_CTLCOLORSTATIC,
         reinterpret_cast<WPARAM>(dc), lp(plain), reinterpret_cast<INT_PTR>(dialog.m_laterBrush),
         -1, "colour 911, later colour 911"},
        {"static colour declined by both", WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
         lp(::GetDlgItem(hwnd, IDC_T_TEXT)), FALSE, -1, "colour 904, later colour 904"},
        {"edit colour: no entry", WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), lp(coloured),
         FALSE, -1, ""},
        {"tip text", WM_NOTIFY, IDC_T_COLOURED, lp(&tip), TRUE, 0, "tip"},
        {"tip of a tool added by ID", WM_NOTIFY, IDC_T_COLOURED, lp(&tipById), FALSE, -1, ""},
        {"tip of another control", WM_NOTIFY, IDC_T_PLAIN, lp(&tipOfPlain), FALSE, -1, ""},
        {"tip asked in UTF-16", WM_NOTIFY, IDC_T_COLOURED, lp(&wideTip), FALSE, -1, ""},
        {"notification without its header", WM_NOTIFY, IDC_T_COLOURED, 0, FALSE, -1, ""},
    };
    for (const Case& c : cases) run(c);
    EXPECT_EQ(tip.lpszText, TypedDialog::kTip);
    EXPECT_EQ(tipById.lpszText, nullptr);
    ::ReleaseDC(coloured, dc);
    TypedDialog::s_registered = 0;
}

TEST_F(FrameworkTest, PushWritesDecimalTextTextsAndCheckState) {
    EXPECT_EQ(TextOf(Hwnd(), IDC_T_FIRST), "42");
    EXPECT_EQ(::IsDlgButtonChecked(Hwnd(), IDC_T_CHECK), BST_CHECKED);
    EXPECT_EQ(TextOf(Hwnd(), IDC_T_TEXT), "\xCE\xC4\xB1\xBE");  // 文本 in GBK
    EXPECT_EQ(m_dialog.m_combo.Hwnd(), ::GetDlgItem(Hwnd(), IDC_T_COMBO));
    for (const int value : {-15, 2147483647, -2147483647 - 1}) {
        m_dialog.m_first = value;
        m_dialog.m_check = 0;
        EXPECT_TRUE(m_dialog.UpdateData(false));
        EXPECT_EQ(TextOf(Hwnd(), IDC_T_FIRST), std::to_string(value));
        EXPECT_EQ(::IsDlgButtonChecked(Hwnd(), IDC_T_CHECK), BST_UNCHECKED);
    }
}

TEST_F(FrameworkTest, TakeReadsEveryControlWhenAllAreValid) {
    ::SetDlgItemTextA(Hwnd(), IDC_T_FIRST, " 25 ");
    ::SetDlgItemTextA(Hwnd(), IDC_T_SECOND, "-3");
    ::CheckDlgButton(Hwnd(), IDC_T_CHECK, BST_UNCHECKED);
    ::SetDlgItemTextA(Hwnd(), IDC_T_TEXT, "新的");
    EXPECT_TRUE(m_dialog.UpdateData(true));
    EXPECT_EQ(m_dialog.m_first, 25);
    EXPECT_EQ(m_dialog.m_second, -3);
    EXPECT_EQ(m_dialog.m_check, 0);
    EXPECT_EQ(m_dialog.m_text, "新的");
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(FrameworkTest, TakeStopsAtTheFirstNonIntegerWithPromptFocusAndSelection) {
    struct Case {
        int badId;
        const char* text;
        int expectedFirst;  // the first edit is taken before the second one fails
    };
    const Case cases[] = {
        {IDC_T_FIRST, "", 42},
        {IDC_T_FIRST, "12a", 42},
        {IDC_T_SECOND, "1 2", 99},
    };
    for (const Case& c : cases) {
        m_dialog.m_first = 42;
        m_dialog.m_second = 7;
        m_dialog.m_check = 1;
        m_dialog.m_text = "old";
        m_boxes.boxes.clear();
        ::SetDlgItemTextA(Hwnd(), IDC_T_FIRST, "99");
        ::SetDlgItemTextA(Hwnd(), IDC_T_SECOND, "5");
        ::SetDlgItemTextA(Hwnd(), c.badId, c.text);
        ::CheckDlgButton(Hwnd(), IDC_T_CHECK, BST_UNCHECKED);
        ::SetDlgItemTextA(Hwnd(), IDC_T_TEXT, "new");
        ::SetFocus(::GetDlgItem(Hwnd(), IDC_T_GO));

        EXPECT_FALSE(m_dialog.UpdateData(true)) << c.text;

        ASSERT_EQ(m_boxes.boxes.size(), 1u) << c.text;
        EXPECT_EQ(m_boxes.boxes[0].text,
                  "\xC7\xEB\xCA\xE4\xC8\xEB\xD2\xBB\xB8\xF6\xD5\xFB\xCA\xFD\xA1\xA3");
        EXPECT_EQ(m_boxes.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(m_boxes.boxes[0].owner, Hwnd());
        HWND bad = ::GetDlgItem(Hwnd(), c.badId);
        EXPECT_EQ(::GetFocus(), bad) << c.text;
        DWORD start = 1;
        DWORD end = 0;
        ::SendMessageA(bad, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u) << c.text;
        EXPECT_EQ(end, static_cast<DWORD>(::GetWindowTextLengthA(bad))) << c.text;
        EXPECT_EQ(m_dialog.m_first, c.expectedFirst) << c.text;
        EXPECT_EQ(m_dialog.m_second, 7) << c.text;
        EXPECT_EQ(m_dialog.m_check, 1) << c.text;
        EXPECT_EQ(m_dialog.m_text, "old") << c.text;
    }
}

TEST_F(FrameworkTest, NotificationsDuringExchangeDoNotReachHandlers) {
    m_dialog.m_first = 1234;
    m_dialog.UpdateData(false);
    EXPECT_EQ(TextOf(Hwnd(), IDC_T_FIRST), "1234");
    EXPECT_EQ(m_dialog.m_firstChanges, 0);
    // The same rewrite outside an exchange is the user's change: the edit sends EN_CHANGE.
    ::SetDlgItemTextA(Hwnd(), IDC_T_FIRST, "5");
    EXPECT_EQ(m_dialog.m_firstChanges, 1);
    // Suppression ends with the exchange, also after a failed take.
    ::SetDlgItemTextA(Hwnd(), IDC_T_SECOND, "x");
    EXPECT_FALSE(m_dialog.UpdateData(true));
    Notify(Hwnd(), IDC_T_FIRST, EN_CHANGE);
    EXPECT_EQ(m_dialog.m_firstChanges, 2);
}

TEST_F(FrameworkTest, OkStaysOpenOnBadValueAndEndsWithIdOkOnGoodValue) {
    ::SetDlgItemTextA(Hwnd(), IDC_T_FIRST, "abc");
    ::SendDlgItemMessageA(Hwnd(), IDOK, BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindow(Hwnd()));
    EXPECT_FALSE(m_dialog.EndResult().has_value());
    EXPECT_EQ(m_boxes.boxes.size(), 1u);

    HWND hwnd = Hwnd();
    ::SetDlgItemTextA(hwnd, IDC_T_FIRST, "31");
    ::SendDlgItemMessageA(hwnd, IDOK, BM_CLICK, 0, 0);
    EXPECT_EQ(m_dialog.EndResult(), std::optional<INT_PTR>(IDOK));
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(m_dialog.Hwnd(), nullptr);
    EXPECT_EQ(m_dialog.m_first, 31);
}

TEST_F(FrameworkTest, CancelCommandsEndWithIdCancelAndTakeNothing) {
    const std::function<void(HWND)> commands[] = {
        [](HWND h) { ::SendMessageA(h, WM_CLOSE, 0, 0); },  // close box, Alt+F4
        [](HWND h) { ::SendDlgItemMessageA(h, IDCANCEL, BM_CLICK, 0, 0); },
    };
    for (const auto& command : commands) {
        TestDialog dialog;
        ASSERT_TRUE(dialog.Create());
        HWND hwnd = dialog.Hwnd();
        ::SetDlgItemTextA(hwnd, IDC_T_FIRST, "8");
        command(hwnd);
        tk_test::PumpAll();
        EXPECT_EQ(dialog.EndResult(), std::optional<INT_PTR>(IDCANCEL));
        EXPECT_FALSE(::IsWindow(hwnd));
        EXPECT_EQ(dialog.m_first, 42);
    }
}

// A dialog without an owner opens centred on the screen's work area; one with an owner opens
// centred over it.
TEST_F(FrameworkTest, DialogsOpenCentred) {
    auto centre = [](HWND h) {
        RECT r{};
        ::GetWindowRect(h, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    const POINT own = centre(Hwnd());
    EXPECT_NEAR(own.x, (work.left + work.right) / 2, 1);
    EXPECT_NEAR(own.y, (work.top + work.bottom) / 2, 1);

    ::SetWindowPos(Hwnd(), nullptr, work.left + 10, work.top + 20, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
    TestDialog child;
    ASSERT_TRUE(child.Create(Hwnd()));
    const POINT ownerCentre = centre(Hwnd()), childCentre = centre(child.Hwnd());
    RECT childRect{};
    ::GetWindowRect(child.Hwnd(), &childRect);
    // Kept inside the work area even where centring over the owner would push it out.
    EXPECT_GE(childRect.left, work.left);
    EXPECT_GE(childRect.top, work.top);
    if (childRect.left > work.left) {
        EXPECT_NEAR(childCentre.x, ownerCentre.x, 1);
    }
    if (childRect.top > work.top) {
        EXPECT_NEAR(childCentre.y, ownerCentre.y, 1);
    }
}

TEST_F(FrameworkTest, ExceptionFromHandlerEndsTheDialogAndDoesNotEscape) {
    HWND hwnd = Hwnd();
    tk_test::FailureRecorder failures;
    m_dialog.m_throwOnGo = true;
    ::SendDlgItemMessageA(hwnd, IDC_T_GO, BM_CLICK, 0, 0);
    EXPECT_EQ(m_dialog.m_goClicks, 1);
    EXPECT_EQ(m_dialog.EndResult(), std::optional<INT_PTR>(tk::ui::kAbortResult));
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(failures.notes,
              std::vector<std::string>{"handling message 0x0111 (exception: handler failed)"});
}

TEST_F(FrameworkTest, ExceptionFromHandlerOfADialogThatStaysOpenIsShownAndKeepsIt) {
    tk_test::BoxRecorder boxes;
    tk_test::FailureRecorder failures;
    m_dialog.StayOpenOnFailures();
    m_dialog.m_throwOnGo = true;
    ::SendDlgItemMessageA(Hwnd(), IDC_T_GO, BM_CLICK, 0, 0);
    m_dialog.m_outOfMemoryOnGo = true;
    ::SendDlgItemMessageA(Hwnd(), IDC_T_GO, BM_CLICK, 0, 0);
    EXPECT_EQ(m_dialog.m_goClicks, 2);
    EXPECT_FALSE(m_dialog.EndResult().has_value());
    EXPECT_TRUE(::IsWindow(Hwnd()));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "操作没有完成：程序内部错误。\r\n窗口保持打开，之前的修改都还在。",
                                 "操作没有完成：内存不足。\r\n窗口保持打开，之前的修改都还在。"}));
    EXPECT_EQ(failures.notes.size(), 2u);
}

// A dialog whose template is missing fails to run or to be created, with a note each time.
TEST(FrameworkDialog, MissingTemplateFailsWithANote) {
    tk_test::FailureRecorder failures;
    tk::ui::Dialog missing(65000);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_FALSE(missing.Create());
    EXPECT_EQ(missing.Hwnd(), nullptr);
    EXPECT_EQ(failures.notes,
              (std::vector<std::string>{"running dialog 65000", "creating dialog 65000"}));
}

TEST_F(FrameworkTest, InitialisationDataFillsListsInTheirOwnOrder) {
    tk::ui::ComboBox combo(::GetDlgItem(Hwnd(), IDC_T_COMBO));
    ASSERT_EQ(combo.GetCount(), 3);
    // The sorted style orders added items; the GBK item sorts after the ASCII ones.
    EXPECT_EQ(combo.GetLBText(0), "alpha");
    EXPECT_EQ(combo.GetLBText(1), "bravo");
    EXPECT_EQ(combo.GetLBText(2), "单色");
    EXPECT_EQ(::SendDlgItemMessageA(Hwnd(), IDC_T_LISTBOX, LB_GETCOUNT, 0, 0), 1);
}

TEST_F(FrameworkTest, MessageBoxGoesThroughTheHookWithTheProgramTitle) {
    EXPECT_EQ(m_dialog.MessageBox("提示", MB_OK), IDOK);
    ASSERT_EQ(m_boxes.boxes.size(), 1u);
    EXPECT_EQ(m_boxes.boxes[0].text, "提示");
    EXPECT_EQ(m_boxes.boxes[0].caption, "framework_test");
    EXPECT_EQ(m_boxes.boxes[0].owner, Hwnd());
    EXPECT_EQ(tk::ui::AppTitle(), "framework_test");
}

TEST(ParseWholeNumber, AcceptsOnlyWholeNumbersInRange) {
    const std::pair<const char*, int> good[] = {{"  25\t", 25},
                                                {"+5", 5},
                                                {"-5", -5},
                                                {"007", 7},
                                                {"2147483647", 2147483647},
                                                {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, expected] : good) {
        int value = -99;
        EXPECT_TRUE(tk::ui::ParseWholeNumber(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text : {"", "   ", "12a", "1 2", "-", "+-1", "1.5", "0x10", "2147483648",
                             "-2147483649", "99999999999999999999"}) {
        int value = -99;
        EXPECT_FALSE(tk::ui::ParseWholeNumber(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -99) << '"' << text << '"';
    }
}

// Makes one row the selected and focused one, as a click would.
void SelectRow(const tk::ui::ListView& list, int item) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    list.Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
}

TEST_F(FrameworkTest, ListViewWrapperReadsBackCellsOfAnyLength) {
    tk::ui::ListView list(::GetDlgItem(Hwnd(), IDC_T_LIST));
    EXPECT_EQ(list.InsertColumn(0, "型号", 60), 0);
    EXPECT_EQ(list.InsertColumn(1, "地址", 60), 1);
    const std::string longText(300, 'x');
    EXPECT_EQ(list.InsertItem(0, "TK350"), 0);
    EXPECT_EQ(list.InsertItem(1, "TK700"), 1);
    EXPECT_TRUE(list.SetItemText(1, 1, longText));
    EXPECT_EQ(list.GetItemText(0, 0), "TK350");
    EXPECT_EQ(list.GetItemText(1, 1), longText);
    EXPECT_EQ(list.GetItemText(0, 1), "");

    SelectRow(list, 1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 0), "TK700");
}

TEST_F(FrameworkTest, IpAddressWrapperReadsFieldsInTextOrder) {
    tk::ui::IpAddress ip(::GetDlgItem(Hwnd(), IDC_T_IP));
    std::array<BYTE, 4> fields = {9, 9, 9, 9};
    EXPECT_NE(ip.Send(IPM_ISBLANK), 0);
    EXPECT_EQ(ip.GetAddress(fields), 0);
    EXPECT_EQ(fields, (std::array<BYTE, 4>{0, 0, 0, 0}));
    ip.SetAddress({192, 168, 1, 236});
    EXPECT_EQ(ip.GetText(), "192.168.1.236");
    EXPECT_EQ(ip.GetAddress(fields), 4);
    EXPECT_EQ(fields, (std::array<BYTE, 4>{192, 168, 1, 236}));
    ip.ClearAddress();
    EXPECT_NE(ip.Send(IPM_ISBLANK), 0);
}

// Owning handles, with a traits class that counts what it closes.
std::vector<int> g_closed;

struct CountingTraits {
    using Handle = int;
    static Handle Invalid() noexcept { return 0; }
    static void Close(Handle handle) noexcept { g_closed.push_back(handle); }
};
using Counted = tk::ui::UniqueAny<CountingTraits>;

static_assert(!std::is_copy_constructible_v<Counted>);
static_assert(!std::is_copy_assignable_v<Counted>);
static_assert(std::is_nothrow_move_constructible_v<Counted>);
static_assert(std::is_nothrow_move_assignable_v<Counted>);
static_assert(!std::is_copy_constructible_v<tk::ui::UniqueBrush>);

TEST(UniqueAny, ClosesEachHandleOnceThroughMovesAndResets) {
    g_closed.clear();
    {
        Counted empty;
        Counted source(1);
        EXPECT_FALSE(empty);
        Counted moved(std::move(source));
        EXPECT_FALSE(source);  // NOLINT(bugprone-use-after-move): the point of the test
        Counted target(2);
        target = std::move(moved);  // closes 2, takes 1
        EXPECT_EQ(g_closed, std::vector<int>{2});
        EXPECT_FALSE(moved);  // NOLINT(bugprone-use-after-move)
        Counted& alias = target;
        target = std::move(alias);  // self-move keeps the handle
        EXPECT_EQ(target.Get(), 1);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1}));

    Counted handle(3);
    handle.Reset(4);
    handle.Reset();
    handle.Reset();
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1, 3, 4}));
    handle.Reset(5);
    EXPECT_EQ(handle.Release(), 5);
    EXPECT_FALSE(handle);
    handle.Reset(6);
    int* slot = handle.Put();
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1, 3, 4, 6}));
    *slot = 8;
    EXPECT_EQ(handle.Get(), 8);
}

TEST(UniqueHandles, ReleaseTheRealObjects) {
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_NE(::GetObjectType(brush), 0u);
    { tk::ui::UniqueBrush owned(brush); }
    EXPECT_EQ(::GetObjectType(brush), 0u);

    HMENU menu = ::CreatePopupMenu();
    { tk::ui::UniqueMenu owned(menu); }
    EXPECT_FALSE(::IsMenu(menu));

    EXPECT_FALSE(tk::ui::UniqueFile());  // INVALID_HANDLE_VALUE is its empty value

    WSADATA data;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET rawSocket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    ASSERT_NE(rawSocket, INVALID_SOCKET);
    { tk::ui::UniqueSocket owned(rawSocket); }
    int type = 0;
    int length = sizeof type;
    EXPECT_EQ(::getsockopt(rawSocket, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length),
              SOCKET_ERROR);
    ::WSACleanup();
}

}  // namespace
