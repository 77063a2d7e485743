// The controller list window as the operator meets it: the rows read from the settings file,
// add, modify, delete and double-click through an editor the test answers for, OK writing the
// file in one replace (compared byte for byte with the profile API's own writes), Cancel, the
// limit of 300 screens, a save that cannot write, and the exchange-file import and export. A
// real window from template IDD_SCREEN_LIST in the test process; list cells are read back as GBK
// bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/screens/screen_row_codec.h"
#include "resources/resource.h"
#include "tests/win/scripted_files.h"
#include "tests/win/win_test_util.h"
#include "ui/config/screen_list_dlg.h"
// After windows.h: the control IDs of the common file dialogs.
#include <dlgs.h>

namespace {

using tk::ScreenRow;
using tk_test::BoxRecorder;
using tk_test::ReadFileBytes;
using tk_test::ScriptedFiles;
using tk_test::TempDir;
using tk_test::WriteFileBytes;

// Cancels an enabled window of this thread (an EnumThreadWindows callback).
BOOL CALLBACK CancelEnabledWindow(HWND window, LPARAM) {
    if (::IsWindowEnabled(window)) ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Runs act on the window of this thread with the given caption once it shows, from inside
// whatever modal loop is running; true when it showed. A window that never shows is given up
// on: every other popup of the thread is cancelled so that the test cannot hang.
bool WhenShown(const std::string& caption, const std::function<void()>& start,
               const std::function<void(HWND)>& act) {
    bool shown = false;
    tk_test::ModalScript script(
        {[&] {
            HWND window = tk_test::FindThreadWindow(caption);
            if (window == nullptr) return false;
            shown = true;
            act(window);
            return true;
        }},
        [] { ::EnumThreadWindows(::GetCurrentThreadId(), CancelEnabledWindow, 0); });
    start();
    return shown && !script.GaveUp();
}

// One call of the editor.
struct EditCall {
    int number;
    std::optional<ScreenRow> given;
};

// Answers the list window's edits from a queue: a row confirms, nullopt cancels.
class ScriptedEditor : public tk::ui::IScreenEditor {
public:
    std::vector<EditCall> calls;
    std::deque<std::optional<ScreenRow>> answers;
    bool outOfMemory = false;  // the next edit fails as an allocation would

    bool EditScreen(HWND, int number, const ScreenRow* given, ScreenRow& edited) override {
        calls.push_back({number, given ? std::optional<ScreenRow>(*given) : std::nullopt});
        if (std::exchange(outOfMemory, false)) throw std::bad_alloc();
        if (answers.empty()) return false;
        const std::optional<ScreenRow> answer = answers.front();
        answers.pop_front();
        if (!answer) return false;
        edited = *answer;
        return true;
    }
};

// One settings-file screen section, keys in the order the list window writes them.
std::string SettingsSection(int index, const std::string& keys) {
    return "[地址：" + std::to_string(index) + "]\r\n" + keys;
}

const char kScreenA[] =
    "CardType=4\r\nCardAddress=0\r\nCommunicationMode=1\r\nScreemHeight=32\r\nScreemWidth=64\r\n"
    "SerialBaud=57600\r\nSerialNum=1\r\nNetPort=5005\r\nIpAddress0=10\r\nIpAddress1=0\r\n"
    "IpAddress2=0\r\nIpAddress3=5\r\nColorStyle=1\r\n";
const char kScreenB[] =
    "CardType=8\r\nCardAddress=1\r\nCommunicationMode=0\r\nScreemHeight=16\r\nScreemWidth=128\r\n"
    "SerialBaud=9600\r\nSerialNum=3\r\nNetPort=5005\r\nIpAddress0=192\r\nIpAddress1=168\r\n"
    "IpAddress2=1\r\nIpAddress3=236\r\nColorStyle=0\r\n";
const char kScreenC[] =
    "CardType=23\r\nCardAddress=2\r\nCommunicationMode=1\r\nScreemHeight=64\r\nScreemWidth=256\r\n"
    "SerialBaud=115200\r\nSerialNum=2\r\nNetPort=6000\r\nIpAddress0=127\r\nIpAddress1=0\r\n"
    "IpAddress2=0\r\nIpAddress3=9\r\nColorStyle=1\r\n";

const ScreenRow kRowA = {"TK300", "1",        "网络通讯", "COM1", "57600",
                         "5005",  "10.0.0.5", "双色",     "64",   "32"};
const ScreenRow kRowB = {"TK320",         "2",    "串口通讯", "COM3", "9600", "5005",
                         "192.168.1.236", "单色", "128",      "16"};
const ScreenRow kRowC = {"TK700", "3",         "网络通讯", "COM2", "115200",
                         "6000",  "127.0.0.9", "双色",     "256",  "64"};
const ScreenRow kNewRow = {"TK500", "9",         "串口通讯", "COM12", "115200",
                           "5005",  "127.0.0.1", "单色",     "96",    "48"};

std::string ThreeScreens() {
    return "[CONT]\r\nnSel=1\r\nTimer=5\r\nScreenCount=3\r\n" + SettingsSection(0, kScreenA) +
           SettingsSection(1, kScreenB) + SettingsSection(2, kScreenC);
}

// One list window over its own settings file, with the editor and the file dialogs scripted.
class ListWindow {
public:
    explicit ListWindow(const std::optional<std::string>& settings = std::nullopt)
        : path(dir.File("TK100_Dll_Set.ini")) {
        if (settings) WriteFileBytes(path, *settings);
        window = std::make_unique<CCreateIniFile>(settingsFile.file, editor, files);
        created = window->Create();
        tk_test::PumpAll();
    }

    HWND Item(int id) const { return ::GetDlgItem(window->Hwnd(), id); }
    HWND List() const { return Item(IDC_LIST_SCREENS); }
    void Click(int id) const { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
    int Rows() const { return static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)); }
    ScreenRow Row(int index) const { return window->Row(index); }
    std::vector<ScreenRow> AllRows() const {
        std::vector<ScreenRow> rows;
        for (int i = 0; i < Rows(); ++i) rows.push_back(Row(i));
        return rows;
    }
    // Selects the rows given, and only those.
    void Select(const std::vector<int>& indices) const {
        LVITEMA clear = {};
        clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&clear));
        for (int index : indices) {
            LVITEMA item = {};
            item.stateMask = LVIS_SELECTED;
            item.state = LVIS_SELECTED;
            ::SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(&item));
        }
    }
    std::optional<INT_PTR> Result() const { return window->EndResult(); }
    std::string FileBytes() const { return ReadFileBytes(path).value_or("<no file>"); }

    TempDir dir;
    std::string path;
    tk_test::SettingsFileAt settingsFile{path};
    ScriptedEditor editor;
    ScriptedFiles files;
    std::unique_ptr<CCreateIniFile> window;
    bool created = false;
};

// A value as the profile API reads it; "<none>" when the key is missing.
std::string Value(const std::string& path, const std::string& section, const char* key) {
    char value[128] = {};
    ::GetPrivateProfileStringA(section.c_str(), key, "<none>", value, sizeof value, path.c_str());
    return value;
}

// Writes the rows into path the way the list window's OK always did: one profile API call per
// key, ScreenCount first.
void WriteThroughApi(const std::string& path, const std::vector<ScreenRow>& rows) {
    ::WritePrivateProfileStringA("CONT", "ScreenCount", std::to_string(rows.size()).c_str(),
                                 path.c_str());
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string section = "地址：" + std::to_string(i);
        for (const auto& [key, value] : tk::SettingsKeyValues(rows[i])) {
            ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
        }
    }
}

// Holds a file open the way another program can: reading allowed, no write sharing.
class FileHolder {
public:
    explicit FileHolder(const std::string& path)
        : m_handle(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~FileHolder() {
        if (m_handle != INVALID_HANDLE_VALUE) ::CloseHandle(m_handle);
    }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool Held() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// Holds a file open the way another program can that lets nobody else read it either.
HANDLE HoldExclusively(const std::string& path) {
    return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The system's reason for an error code, as the messages give it: Wine's text in code page
// 936, without the line break the system ends it with.
std::string SystemReason(DWORD error) {
    if (error == ERROR_ACCESS_DENIED) return "error 5: 访问被拒绝。";
    if (error == ERROR_SHARING_VIOLATION) return "error 32: 共享冲突。";
    ADD_FAILURE() << "no text for error " << error;
    return "";
}

// A message of a format with its values, as the window fills it in.
template <typename... T>
std::string Message(const char* format, T... values) {
    std::vector<char> text(4096 + 2 * MAX_PATH, '\0');
    std::snprintf(text.data(), text.size(), format, values...);
    return text.data();
}

// A settings file of one screen, padded with a comment to one byte over the size limit.
std::string TooLargeFile() {
    std::string text = "[CONT]\r\nScreenCount=1\r\n" + SettingsSection(0, kScreenA);
    return text + ";" + std::string(tk::kMaxProfileFileBytes - text.size(), 'x');
}

TEST(ScreenListOpening, ReportViewColumnsAndRowsFromTheFile) {
    ListWindow w(ThreeScreens());
    ASSERT_TRUE(w.created);
    EXPECT_EQ(tk_test::TextOf(w.window->Hwnd()), "控制卡参数");
    const LONG style = ::GetWindowLongA(w.List(), GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(style & LVS_SINGLESEL, 0);
    const DWORD extended =
        static_cast<DWORD>(::SendMessageA(w.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));

    const char* titles[] = {"型号", "地址", "通讯方式", "串口号", "波特率",
                            "端口", "IP",   "颜色",     "屏宽",   "屏高"};
    const int widths[] = {100, 60, 60, 60, 60, 60, 100, 50, 60, 60};
    for (int column = 0; column < 10; ++column) {
        char title[32] = {};
        LVCOLUMNA info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        info.pszText = title;
        info.cchTextMax = sizeof title;
        ASSERT_TRUE(
            ::SendMessageA(w.List(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info)));
        EXPECT_STREQ(title, titles[column]);
        EXPECT_EQ(info.cx, widths[column]);
        EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kRowB, kRowC}));
    EXPECT_FALSE(::IsWindowVisible(w.Item(IDC_LIST_EXPORT)));
}

TEST(ScreenListOpening, CountDecidesTheRows) {
    struct Case {
        const char* name;
        std::optional<std::string> file;
        int rows;
    };
    const std::string threeSections =
        SettingsSection(0, kScreenA) + SettingsSection(1, kScreenB) + SettingsSection(2, kScreenC);
    const Case cases[] = {
        {"no file", std::nullopt, 0},
        {"ScreenCount missing", "[CONT]\r\nnSel=1\r\n" + threeSections, 0},
        {"ScreenCount 2, three sections", "[CONT]\r\nScreenCount=2\r\n" + threeSections, 2},
        {"ScreenCount -1", "[CONT]\r\nScreenCount=-1\r\n" + threeSections, 0},
        {"ScreenCount 2, no sections", std::string("[CONT]\r\nScreenCount=2\r\n"), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListWindow w(c.file);
        EXPECT_EQ(w.Rows(), c.rows);
    }
    // Sections that are missing read as all defaults.
    ListWindow defaults(std::string("[CONT]\r\nScreenCount=1\r\n"));
    EXPECT_EQ(defaults.Row(0), (ScreenRow{"TK350", "1", "串口通讯", "COM1", "57600", "5005",
                                          "192.168.1.236", "双色", "64", "32"}));
}

TEST(ScreenListOpening, ModelOutsideTheTableShowsInvalidAndIsWrittenAs21) {
    ListWindow w("[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nCardType=6\r\nCommunicationMode=2\r\n");
    ASSERT_EQ(w.Rows(), 1);
    EXPECT_EQ(w.Row(0)[tk::kColumnModel], "无效");
    EXPECT_EQ(w.Row(0)[tk::kColumnCommMode], "网络通讯");
    w.Click(IDOK);
    EXPECT_EQ(w.Result(), IDOK);
    EXPECT_EQ(Value(w.path, "地址：0", "CardType"), "21");
    EXPECT_EQ(Value(w.path, "地址：0", "CommunicationMode"), "1");
}

TEST(ScreenListEditing, AddNumbersTheNewScreenAfterTheLastRowAndAppendsIt) {
    ListWindow w(ThreeScreens());
    w.Select({0});
    w.editor.answers = {kNewRow, std::nullopt};
    w.Click(IDC_LIST_ADD);
    ASSERT_EQ(w.editor.calls.size(), 1u);
    EXPECT_EQ(w.editor.calls[0].number, 4);
    EXPECT_FALSE(w.editor.calls[0].given.has_value());
    ASSERT_EQ(w.Rows(), 4);
    EXPECT_EQ(w.Row(3), kNewRow);

    w.Click(IDC_LIST_ADD);  // cancelled this time
    ASSERT_EQ(w.editor.calls.size(), 2u);
    EXPECT_EQ(w.editor.calls[1].number, 5);
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kRowB, kRowC, kNewRow}));
}

TEST(ScreenListEditing, ModifyAndDeleteActOnTheFirstSelectedRowOnly) {
    const std::string four = "[CONT]\r\nScreenCount=4\r\n" + SettingsSection(0, kScreenA) +
                             SettingsSection(1, kScreenB) + SettingsSection(2, kScreenC) +
                             SettingsSection(3, kScreenA);
    ListWindow w(four);
    ASSERT_EQ(w.Rows(), 4);
    w.Select({1, 3});
    w.editor.answers = {kNewRow};
    w.Click(IDC_LIST_MODIFY);
    ASSERT_EQ(w.editor.calls.size(), 1u);
    EXPECT_EQ(w.editor.calls[0].number, 2);
    EXPECT_EQ(w.editor.calls[0].given, kRowB);
    ScreenRow fourth = kRowA;
    fourth[tk::kColumnAddress] = "1";
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kNewRow, kRowC, fourth}));

    w.Select({1, 3});
    w.Click(IDC_LIST_DELETE);
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kRowC, fourth}));
}

TEST(ScreenListEditing, CancelledModifyKeepsTheRow) {
    ListWindow w(ThreeScreens());
    w.Select({2});
    w.editor.answers = {std::nullopt};
    w.Click(IDC_LIST_MODIFY);
    EXPECT_EQ(w.editor.calls.size(), 1u);
    EXPECT_EQ(w.Row(2), kRowC);
}

TEST(ScreenListEditing, WithoutSelectionModifyAndDeleteOnlySaySo) {
    BoxRecorder boxes;
    ListWindow w(ThreeScreens());
    w.Select({});
    w.Click(IDC_LIST_MODIFY);
    w.Click(IDC_LIST_DELETE);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"请选择要修改的项", "请选择要删除的项"}));
    EXPECT_TRUE(w.editor.calls.empty());
    EXPECT_EQ(w.Rows(), 3);
}

TEST(ScreenListEditing, DoubleClickModifiesThatRow) {
    ListWindow w(ThreeScreens());
    w.editor.answers = {kNewRow};
    NMITEMACTIVATE activate = {};
    activate.hdr.hwndFrom = w.List();
    activate.hdr.idFrom = IDC_LIST_SCREENS;
    activate.hdr.code = NM_DBLCLK;
    activate.iItem = 2;
    ::SendMessageA(w.window->Hwnd(), WM_NOTIFY, IDC_LIST_SCREENS,
                   reinterpret_cast<LPARAM>(&activate));
    ASSERT_EQ(w.editor.calls.size(), 1u);
    EXPECT_EQ(w.editor.calls[0].number, 3);
    EXPECT_EQ(w.Row(2), kNewRow);

    activate.iItem = -1;  // beside the rows
    ::SendMessageA(w.window->Hwnd(), WM_NOTIFY, IDC_LIST_SCREENS,
                   reinterpret_cast<LPARAM>(&activate));
    EXPECT_EQ(w.editor.calls.size(), 1u);
}

TEST(ScreenListSaving, DeletingTheMiddleRowMovesTheThirdUpAndLeavesTheOldSection) {
    ListWindow w(ThreeScreens());
    w.Select({1});
    w.Click(IDC_LIST_DELETE);
    w.Click(IDOK);
    EXPECT_EQ(w.Result(), IDOK);
    EXPECT_EQ(Value(w.path, "CONT", "ScreenCount"), "2");
    EXPECT_EQ(Value(w.path, "CONT", "nSel"), "1");
    EXPECT_EQ(Value(w.path, "地址：0", "CardType"), "4");
    EXPECT_EQ(Value(w.path, "地址：1", "CardType"), "23");
    EXPECT_EQ(Value(w.path, "地址：1", "IpAddress3"), "9");
    EXPECT_EQ(Value(w.path, "地址：1", "CardAddress"), "2");
    EXPECT_EQ(Value(w.path, "地址：2", "CardType"), "23");  // stale, as it was
}

// The one replace leaves exactly what the profile API's call per key leaves, on files with
// comments, other keys, other sections and stale screen sections.
TEST(ScreenListSaving, BytesEqualTheProfileApiCallSequence) {
    const std::string files[] = {
        ThreeScreens(),
        "; screens of the hall\r\n[CONT]\r\nTimer=5\r\nScreenCount=5\r\nbStart=1\r\n" +
            SettingsSection(0, kScreenB) + "[Other]\r\nkey=value\r\n" +
            SettingsSection(1, kScreenA) + SettingsSection(2, kScreenC) +
            SettingsSection(3, kScreenC) + SettingsSection(4, kScreenA),
        "",
    };
    BoxRecorder boxes;
    for (const std::string& file : files) {
        ListWindow w(file);
        if (w.Rows() > 0) {
            w.Select({0});
            w.Click(IDC_LIST_DELETE);
        }
        w.editor.answers = {kNewRow};
        w.Click(IDC_LIST_ADD);
        const std::vector<ScreenRow> rows = w.AllRows();
        w.Click(IDOK);
        ASSERT_EQ(w.Result(), IDOK);

        const std::string apiPath = w.dir.File("api.ini");
        WriteFileBytes(apiPath, file);
        WriteThroughApi(apiPath, rows);
        EXPECT_EQ(w.FileBytes(), ReadFileBytes(apiPath).value_or("<no file>"));
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST(ScreenListSaving, OkWithoutChangeRewritesWhatTheCodecsDoNotRoundTrip) {
    ListWindow w(
        "[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nCardType=99\r\nCommunicationMode=2\r\n"
        "ColorStyle=2\r\nCardAddress=4\r\n");
    w.Click(IDOK);
    EXPECT_EQ(Value(w.path, "地址：0", "CardType"), "21");
    EXPECT_EQ(Value(w.path, "地址：0", "CommunicationMode"), "1");
    EXPECT_EQ(Value(w.path, "地址：0", "CardAddress"), "4");
    EXPECT_EQ(Value(w.path, "地址：0", "ColorStyle"), "2");  // full colour survives a save
    EXPECT_EQ(Value(w.path, "地址：0", "ScreemWidth"), "64");
}

TEST(ScreenListSaving, EmptyListWritesCountZeroAndNoSection) {
    ListWindow w;
    w.Click(IDOK);
    EXPECT_EQ(w.Result(), IDOK);
    EXPECT_EQ(w.FileBytes(), "[CONT]\r\nScreenCount=0\r\n");
}

TEST(ScreenListSaving, CancelAfterChangesLeavesTheFileAsItWas) {
    ListWindow w(ThreeScreens());
    w.Select({0});
    w.Click(IDC_LIST_DELETE);
    w.editor.answers = {kNewRow};
    w.Click(IDC_LIST_ADD);
    ::SendMessageA(w.window->Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(w.Result(), IDCANCEL);
    EXPECT_EQ(w.FileBytes(), ThreeScreens());
}

TEST(ScreenListSaving, AFileThatCannotBeWrittenKeepsTheWindowTheEditsAndTheFile) {
    BoxRecorder boxes;
    ListWindow w(ThreeScreens());
    w.Select({0});
    w.Click(IDC_LIST_DELETE);
    {
        FileHolder other(w.path);
        ASSERT_TRUE(other.Held());
        w.Click(IDOK);
    }
    EXPECT_FALSE(w.Result().has_value());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{Message(
                                 kSaveFailedFormat, SystemReason(ERROR_ACCESS_DENIED).c_str())}));
    EXPECT_EQ(w.FileBytes(), ThreeScreens());
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowB, kRowC}));
    // No temporary file is left beside the settings file.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((w.dir.Path() + "\\*").c_str(), &found);
    int files = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    EXPECT_EQ(files, 1);

    w.Click(IDOK);  // the other program has let go
    EXPECT_EQ(w.Result(), IDOK);
    EXPECT_EQ(Value(w.path, "CONT", "ScreenCount"), "2");
}

// A settings file the window could not read is never written over, even once it can be read:
// the operator is told why at once, and OK says that nothing was saved.
TEST(ScreenListSaving, AFileThatCouldNotBeReadIsNeverWritten) {
    struct Case {
        const char* name;
        std::string file;
        bool held;  // by another program while the window opens, let go before OK
        std::string reason;
    };
    const Case cases[] = {
        {"unicode", std::string("\xFF\xFE[\0C\0O\0N\0T\0]\0", 12), false, tk::kReasonNotAnsi},
        {"held", ThreeScreens(), true, SystemReason(ERROR_SHARING_VIOLATION)},
        {"too large", TooLargeFile(), false, tk::kReasonTooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxRecorder boxes;
        TempDir dir;
        const std::string path = dir.File("TK100_Dll_Set.ini");
        WriteFileBytes(path, c.file);
        HANDLE held = c.held ? HoldExclusively(path) : INVALID_HANDLE_VALUE;
        ScriptedEditor editor;
        ScriptedFiles files;
        tk_test::SettingsFileAt settings(path);
        CCreateIniFile window(settings.file, editor, files);
        ASSERT_TRUE(window.Create());
        tk_test::PumpAll();
        if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
        EXPECT_EQ(window.RowCount(), 0);
        editor.answers = {kNewRow};
        ::SendDlgItemMessageA(window.Hwnd(), IDC_LIST_ADD, BM_CLICK, 0, 0);
        ::SendMessageA(window.Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_FALSE(window.EndResult().has_value());
        EXPECT_EQ(window.RowCount(), 1);
        EXPECT_EQ(boxes.Texts(),
                  (std::vector<std::string>{Message(kUnreadableSettingsFormat, c.reason.c_str()),
                                            Message(kNotReadNotSavedFormat, c.reason.c_str())}));
        EXPECT_EQ(ReadFileBytes(path), c.file);
    }
}

// A save that the store refuses says why in its own words, never with a system text.
TEST(ScreenListSaving, AValueTheFileCannotHoldIsNotSaved) {
    BoxRecorder boxes;
    ListWindow w(ThreeScreens());
    ScreenRow lineBreak = kNewRow;
    lineBreak[tk::kColumnSerialPort] = "COM4\nX";
    w.editor.answers = {lineBreak};
    w.Click(IDC_LIST_ADD);
    w.Click(IDOK);
    EXPECT_FALSE(w.Result().has_value());
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{Message(kSaveFailedFormat, tk::kReasonUnstorable)}));
    EXPECT_EQ(w.FileBytes(), ThreeScreens());
}

// A handler that fails (out of memory) is reported, and the window keeps its rows and stays.
TEST(ScreenListEditing, AFailedEditKeepsTheWindowAndItsRows) {
    BoxRecorder boxes;
    ListWindow w(ThreeScreens());
    w.Select({0});
    w.Click(IDC_LIST_DELETE);
    w.editor.outOfMemory = true;
    w.Click(IDC_LIST_ADD);
    EXPECT_FALSE(w.Result().has_value());
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowB, kRowC}));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{Message(tk::ui::kHandlerFailedFormat,
                                                               tk::ui::kOutOfMemoryReason)}));
}

// A file of count screens, each a serial TK300 with address index + 1.
std::string ManyScreens(int count) {
    std::string text = "[CONT]\r\nScreenCount=" + std::to_string(count) + "\r\n";
    for (int i = 0; i < count; ++i) {
        text += SettingsSection(i, "CardType=4\r\nCardAddress=" + std::to_string(i) + "\r\n");
    }
    return text;
}

TEST(ScreenListLimit, ThreeHundredRowsAtMost) {
    BoxRecorder boxes;
    ListWindow full(ManyScreens(300));
    EXPECT_EQ(full.Rows(), 300);
    EXPECT_TRUE(boxes.boxes.empty());
    full.editor.answers = {kNewRow};
    full.Click(IDC_LIST_ADD);
    EXPECT_TRUE(full.editor.calls.empty());
    EXPECT_EQ(full.Rows(), 300);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"列表已满：最多只能配置300张卡。"}));

    boxes.boxes.clear();
    ListWindow over(ManyScreens(302));
    EXPECT_EQ(over.Rows(), 300);
    EXPECT_EQ(over.Row(299)[tk::kColumnAddress], "300");
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{
                  "配置文件中有302张卡，列表只显示前300张；按确定将只保存这300张。"}));
    over.Click(IDOK);
    EXPECT_EQ(Value(over.path, "CONT", "ScreenCount"), "300");
}

// Run modally, the window is shown with its rows before the notice it gives at opening, and
// owns it.
TEST(ScreenListLimit, TheNoticeShowsOverTheVisibleList) {
    TempDir dir;
    const std::string path = dir.File("TK100_Dll_Set.ini");
    WriteFileBytes(path, ManyScreens(305));
    ScriptedEditor editor;
    ScriptedFiles files;
    tk_test::SettingsFileAt settings(path);
    CCreateIniFile window(settings.file, editor, files);
    bool ownerVisible = false;
    int rowsBehind = -1;
    const tk::ui::MessageBoxHook previous =
        tk::ui::SetMessageBoxHook([&](HWND owner, const std::string&, const std::string&, UINT) {
            ownerVisible = owner == window.Hwnd() && ::IsWindowVisible(owner);
            rowsBehind = window.RowCount();
            ::PostMessageA(owner, WM_COMMAND, IDCANCEL, 0);
            return IDOK;
        });
    EXPECT_EQ(window.DoModal(), IDCANCEL);
    tk::ui::SetMessageBoxHook(previous);
    EXPECT_TRUE(ownerVisible);
    EXPECT_EQ(rowsBehind, 300);
}

// An exchange-file screen section with the ten keys in the export's order.
std::string ExchangeSection(int index, const std::string& keys) {
    return "[Screen" + std::to_string(index) + "]\r\n" + keys;
}

const char kExchangeA[] =
    "nCtrlType=3\r\nnCtrlAddress=1\r\nnCommType=1\r\nnHeight=32\r\nnWidth=64\r\n"
    "nSerialType=1\r\nnSerialNum=1\r\nnNetPort=5005\r\nsNetAdderrs=10.0.0.5\r\nnColorOrder=1\r\n";
const char kExchangeC[] =
    "nCtrlType=136\r\nnCtrlAddress=3\r\nnCommType=1\r\nnHeight=64\r\nnWidth=256\r\n"
    "nSerialType=2\r\nnSerialNum=2\r\nnNetPort=6000\r\nsNetAdderrs=127.0.0.9\r\nnColorOrder=1\r\n";

TEST(ScreenListImport, RowsOfTheFileReplaceTheList) {
    ListWindow w(ThreeScreens());
    const std::string exchange = w.dir.File("hall.ini");
    WriteFileBytes(exchange, "[CONT]\r\nScreenCount=2\r\n" + ExchangeSection(0, kExchangeA) +
                                 ExchangeSection(1, kExchangeC));
    w.files.openPath = exchange;
    w.Click(IDC_LIST_IMPORT);
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kRowC}));
    EXPECT_EQ(w.FileBytes(), ThreeScreens());  // only OK writes the settings file
    ::SendMessageA(w.window->Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(w.Result(), IDCANCEL);
    EXPECT_EQ(w.FileBytes(), ThreeScreens());
}

// Paints of the list its window was told of (the list's custom-draw notices), and the window
// procedure the counting one stands in front of.
int g_listPaints = 0;
WNDPROC g_listWindowProc = nullptr;

LRESULT CALLBACK CountListPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
    if (message == WM_NOTIFY && draw->hdr.idFrom == IDC_LIST_SCREENS &&
        draw->hdr.code == NM_CUSTOMDRAW && draw->dwDrawStage == CDDS_PREPAINT) {
        ++g_listPaints;
    }
    return ::CallWindowProcA(g_listWindowProc, window, message, wParam, lParam);
}

// Whether the list paints when asked to. Asked into a memory DC, so that no other window on
// the display can hide it: a list with redrawing off paints nothing.
bool ListPaints(HWND list) {
    const int before = g_listPaints;
    HDC screen = ::GetDC(list);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 64, 64);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageA(list, WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(list, screen);
    return g_listPaints > before;
}

// After opening, and after an import has filled it, the list is left redrawing (its item texts
// read back the same either way).
TEST(ScreenListImport, TheListRedrawsAfterOpeningAndAfterAnImport) {
    ListWindow w(ThreeScreens());
    g_listWindowProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        w.window->Hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountListPaints)));
    EXPECT_TRUE(ListPaints(w.List()));

    const std::string exchange = w.dir.File("hall.ini");
    WriteFileBytes(exchange, "[CONT]\r\nScreenCount=1\r\n" + ExchangeSection(0, kExchangeA));
    w.files.openPath = exchange;
    w.Click(IDC_LIST_IMPORT);
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA}));
    EXPECT_TRUE(ListPaints(w.List()));
    ::SetWindowLongPtrA(w.window->Hwnd(), GWLP_WNDPROC,
                        reinterpret_cast<LONG_PTR>(g_listWindowProc));
}

TEST(ScreenListImport, ScreensTheTableDoesNotKnowAndMissingKeys) {
    BoxRecorder boxes;
    ListWindow w;
    const std::string exchange = w.dir.File("hall.ini");
    WriteFileBytes(exchange, "[CONT]\r\nScreenCount=5\r\n" + ExchangeSection(0, kExchangeA) +
                                 ExchangeSection(1,
                                                 "nCtrlType=99\r\nnCtrlAddress=0\r\nnCommType=0\r\n"
                                                 "nSerialType=7\r\nnNetPort=5005\r\n") +
                                 ExchangeSection(2, "nCtrlAddress=4\r\nnColorOrder=0\r\n") +
                                 /* no Screen3 at all */ ExchangeSection(4, kExchangeC));
    w.files.openPath = exchange;
    w.Click(IDC_LIST_IMPORT);
    const ScreenRow unknownModel = {"无效", "0",    "串口通讯", "COM错误", "",
                                    "5005", "错误", "双色",     "错误",    "错误"};
    const ScreenRow noModel = {"无效", "4",    "串口通讯", "COM错误", "",
                               "错误", "错误", "单色",     "错误",    "错误"};
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, unknownModel, noModel, kRowC}));
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{
                  "文件的ScreenCount为5，其中1张在文件中没有Screen段；导入了4张卡。"}));

    // Address 0 is written as -1; "无效" as CardType 21.
    w.Click(IDOK);
    EXPECT_EQ(Value(w.path, "地址：1", "CardAddress"), "-1");
    EXPECT_EQ(Value(w.path, "地址：1", "CardType"), "21");
    EXPECT_EQ(Value(w.path, "地址：1", "SerialNum"), "错误");
    EXPECT_EQ(Value(w.path, "CONT", "ScreenCount"), "4");
}

// Texts longer than their fields in a hand-made file are cut, not written past a buffer.
TEST(ScreenListImport, LongTextsAreCutToTheirFields) {
    ListWindow w;
    const std::string longText(300, '7');
    w.files.openPath = w.dir.File("long.ini");
    WriteFileBytes(w.files.openPath,
                   "[CONT]\r\nScreenCount=1\r\n[Screen0]\r\nnCtrlType=3\r\n"
                   "sNetAdderrs=123.123.123.123.45\r\nnWidth=" +
                       longText + "\r\n");
    w.Click(IDC_LIST_IMPORT);
    ASSERT_EQ(w.Rows(), 1);
    EXPECT_EQ(w.Row(0)[tk::kColumnIp], "123.123.123.123");
    EXPECT_EQ(w.Row(0)[tk::kColumnWidth], std::string(99, '7'));
}

TEST(ScreenListImport, FilesThatAreNoExchangeFileKeepTheRows) {
    struct Case {
        const char* name;
        std::optional<std::string> file;
        const char* message;
    };
    const Case cases[] = {
        {"missing file", std::nullopt, kImportNoFileFormat},
        {"a settings file", ThreeScreens(),
         "导入失败：文件的ScreenCount为3，但文件中没有任何Screen段，不是导出的控制卡文件。"
         "列表保持不变。"},
        {"too large", TooLargeFile(), kImportTooLargeFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxRecorder boxes;
        ListWindow w(ThreeScreens());
        w.files.openPath = w.dir.File("chosen.ini");
        if (c.file) WriteFileBytes(w.files.openPath, *c.file);
        w.Click(IDC_LIST_IMPORT);
        EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kRowB, kRowC}));
        EXPECT_EQ(boxes.Texts(),
                  (std::vector<std::string>{Message(c.message, w.files.openPath.c_str())}));
    }
}

TEST(ScreenListImport, AFileHeldByAnotherProgramKeepsTheRows) {
    BoxRecorder boxes;
    ListWindow w(ThreeScreens());
    w.files.openPath = w.dir.File("held.ini");
    WriteFileBytes(w.files.openPath, "[CONT]\r\nScreenCount=1\r\n[Screen0]\r\nnCtrlType=3\r\n");
    HANDLE held = ::CreateFileA(w.files.openPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    w.Click(IDC_LIST_IMPORT);
    ::CloseHandle(held);
    EXPECT_EQ(w.Rows(), 3);
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{Message(kImportUnreadableFormat, w.files.openPath.c_str(),
                                                SystemReason(ERROR_SHARING_VIOLATION).c_str())}));
}

TEST(ScreenListImport, CountZeroOrMissingEmptiesTheList) {
    for (const char* file : {"[CONT]\r\nScreenCount=0\r\n", "[Other]\r\nx=1\r\n"}) {
        ListWindow w(ThreeScreens());
        w.files.openPath = w.dir.File("empty.ini");
        WriteFileBytes(w.files.openPath, file);
        w.Click(IDC_LIST_IMPORT);
        EXPECT_EQ(w.Rows(), 0) << file;
    }
}

TEST(ScreenListImport, CancelledDialogChangesNothing) {
    BoxRecorder boxes;
    ListWindow w(ThreeScreens());
    w.Click(IDC_LIST_IMPORT);
    w.Click(IDC_LIST_EXPORT);
    EXPECT_EQ(w.files.opens, 1);
    EXPECT_EQ(w.files.saves, 1);
    EXPECT_EQ(w.Rows(), 3);
    EXPECT_TRUE(boxes.boxes.empty());
}

// What the import says is what happened: the rows imported, the screens left out past the
// limit, and the screens the count names that have no section, each counted apart.
TEST(ScreenListImport, TheMessageCountsWhatWasImportedAndWhatWasNot) {
    struct Case {
        int count;
        std::vector<int> sections;
        int rows;
        const char* message;  // nullptr: none
    };
    std::vector<int> first305(305), first303(303);
    for (int i = 0; i < 305; ++i) first305[i] = i;
    for (int i = 0; i < 303; ++i) first303[i] = i;
    const Case cases[] = {
        {305, first305, 300, "文件中有305张卡，列表最多300张：只导入了前300张，5张没有导入。"},
        {200000,
         {0, 1},
         2,
         "文件的ScreenCount为200000，其中199998张在文件中没有Screen段；导入了2张卡。"},
        {305, first303, 300,
         "文件的ScreenCount为305，其中2张在文件中没有Screen段；导入了300张卡，"
         "另有3张因列表最多300张没有导入。"},
        {3, {0, 1, 2, 3}, 3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        BoxRecorder boxes;
        ListWindow w;
        std::string text = "[CONT]\r\nScreenCount=" + std::to_string(c.count) + "\r\n";
        for (const int i : c.sections) text += ExchangeSection(i, kExchangeA);
        w.files.openPath = w.dir.File("big.ini");
        WriteFileBytes(w.files.openPath, text);
        w.Click(IDC_LIST_IMPORT);
        EXPECT_EQ(w.Rows(), c.rows);
        EXPECT_EQ(boxes.Texts(),
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
}

TEST(ScreenListExport, ExportThenImportGivesTheRowsBackButTwo) {
    ListWindow w(ThreeScreens());
    ScreenRow oddBaud = kRowB;
    oddBaud[tk::kColumnBaud] = "19200";
    ScreenRow invalid = kRowC;
    invalid[tk::kColumnModel] = "无效";
    w.editor.answers = {oddBaud, invalid};
    w.Click(IDC_LIST_ADD);
    w.Click(IDC_LIST_ADD);
    w.files.savePath = w.dir.File("out.ini");
    w.Click(IDC_LIST_EXPORT);
    EXPECT_EQ(w.Rows(), 5);
    EXPECT_EQ(Value(w.files.savePath, "Screen3", "nSerialType"), "19200");
    EXPECT_EQ(Value(w.files.savePath, "Screen4", "nCtrlType"), "8");

    w.files.openPath = w.files.savePath;
    w.Click(IDC_LIST_IMPORT);
    ScreenRow emptyBaud = oddBaud;
    emptyBaud[tk::kColumnBaud] = "";
    ScreenRow fallback = kRowC;
    fallback[tk::kColumnModel] = "TK350";
    EXPECT_EQ(w.AllRows(), (std::vector<ScreenRow>{kRowA, kRowB, kRowC, emptyBaud, fallback}));
    EXPECT_EQ(w.FileBytes(), ThreeScreens());
}

TEST(ScreenListExport, EmptyListWritesCountZeroAndNoSection) {
    ListWindow w;
    w.files.savePath = w.dir.File("out.ini");
    w.Click(IDC_LIST_EXPORT);
    EXPECT_EQ(ReadFileBytes(w.files.savePath), "[CONT]\r\nScreenCount=0\r\n");
}

// Into an existing file the export writes what the profile API's call per key writes: its
// own keys change, every other section and key stays.
TEST(ScreenListExport, ExistingFileKeepsItsOtherSectionsAndKeys) {
    ListWindow w(ThreeScreens());
    const std::string before = "[CONT]\r\nScreenCount=4\r\nAuthor=hall\r\n" +
                               ExchangeSection(0, kExchangeC) + "[Notes]\r\nfloor=2\r\n" +
                               ExchangeSection(3, kExchangeA);
    w.files.savePath = w.dir.File("out.ini");
    WriteFileBytes(w.files.savePath, before);
    w.Click(IDC_LIST_EXPORT);

    const std::string apiPath = w.dir.File("api.ini");
    WriteFileBytes(apiPath, before);
    ::WritePrivateProfileStringA("CONT", "ScreenCount", "3", apiPath.c_str());
    for (int i = 0; i < 3; ++i) {
        for (const auto& [key, value] : tk::ExchangeKeyValues(w.Row(i))) {
            ::WritePrivateProfileStringA(("Screen" + std::to_string(i)).c_str(), key.c_str(),
                                         value.c_str(), apiPath.c_str());
        }
    }
    EXPECT_EQ(ReadFileBytes(w.files.savePath), ReadFileBytes(apiPath));
    EXPECT_EQ(Value(w.files.savePath, "Notes", "floor"), "2");
    EXPECT_EQ(Value(w.files.savePath, "Screen3", "nCtrlType"), "3");
}

// An export that cannot write says why, and the list and the file stay as they were.
TEST(ScreenListExport, AFileThatCannotBeWrittenIsReported) {
    struct Case {
        const char* name;
        std::string file;
        bool held;
        std::string reason;
    };
    const Case cases[] = {
        {"held", "[CONT]\r\nScreenCount=0\r\n", true, SystemReason(ERROR_ACCESS_DENIED)},
        {"unicode", std::string("\xFF\xFE[\0C\0O\0N\0T\0]\0", 12), false, tk::kReasonNotAnsi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxRecorder boxes;
        ListWindow w(ThreeScreens());
        w.files.savePath = w.dir.File("out.ini");
        WriteFileBytes(w.files.savePath, c.file);
        {
            std::optional<FileHolder> other;
            if (c.held) other.emplace(w.files.savePath);
            w.Click(IDC_LIST_EXPORT);
        }
        EXPECT_EQ(boxes.Texts(),
                  (std::vector<std::string>{
                      Message(kExportFailedFormat, w.files.savePath.c_str(), c.reason.c_str())}));
        EXPECT_EQ(ReadFileBytes(w.files.savePath), c.file);
        EXPECT_EQ(w.Rows(), 3);
        EXPECT_FALSE(w.Result().has_value());
    }
}

// A list window over a settings file of three screens, with the program's own editor and
// file dialogs.
struct RealListWindow {
    RealListWindow() {
        WriteFileBytes(path, ThreeScreens());
        created = window.Create();
    }
    void Click(int id) const { ::SendDlgItemMessageA(window.Hwnd(), id, BM_CLICK, 0, 0); }

    TempDir dir;
    std::string path = dir.File("TK100_Dll_Set.ini");
    tk::ui::ParameterWindowEditor editor;
    tk::ui::CommonFileDialogs files;
    tk_test::SettingsFileAt settings{path};
    CCreateIniFile window{settings.file, editor, files};
    bool created = false;
};

// The program's own editor and file dialogs, as the operator meets them.
TEST(ScreenListRealWindows, AddThroughTheParameterWindow) {
    RealListWindow w;
    ASSERT_TRUE(w.created);
    const bool shown = WhenShown(
        "控制卡参数配置", [&] { w.Click(IDC_LIST_ADD); },
        [](HWND param) {
            EXPECT_EQ(tk_test::TextOf(::GetDlgItem(param, IDC_PARAM_ADDRESS)), "4");
            ::SendDlgItemMessageA(param, IDC_PARAM_MODEL, CB_SETCURSEL, 6, 0);  // TK500
            ::SendDlgItemMessageA(param, IDC_PARAM_COMM, CB_SETCURSEL, 1, 0);   // 网络通讯
            ::SendDlgItemMessageA(param, IDC_PARAM_BAUD, CB_SETCURSEL, 2, 0);   // 115200
            ::SendDlgItemMessageA(param, IDC_PARAM_IP, IPM_SETADDRESS, 0,
                                  MAKEIPADDRESS(127, 0, 0, 7));
            ::SetDlgItemTextA(param, IDC_PARAM_NET_PORT, "5005");
            ::SetDlgItemTextA(param, IDC_PARAM_WIDTH, "96");
            ::SetDlgItemTextA(param, IDC_PARAM_HEIGHT, "48");
            ::PostMessageA(param, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(shown);
    ASSERT_EQ(w.window.RowCount(), 4);
    EXPECT_EQ(w.window.Row(3), (ScreenRow{"TK500", "4", "网络通讯", "COM1", "115200", "5005",
                                          "127.0.0.7", "单色", "96", "48"}));
}

// The Open dialog comes up over the list window with the exchange file's filter; a typed name
// of a file that does not exist is taken, and the import then says so.
TEST(ScreenListRealWindows, ImportOpensTheCommonOpenDialog) {
    BoxRecorder boxes;
    RealListWindow w;
    ASSERT_TRUE(w.created);
    const std::string typed = w.dir.File("none.ini");
    std::vector<std::string> types;
    HWND owner = nullptr;
    const bool shown = WhenShown(
        "打开", [&] { w.Click(IDC_LIST_IMPORT); },
        [&](HWND open) {
            owner = ::GetWindow(open, GW_OWNER);
            HWND typeList = ::GetDlgItem(open, cmb1);
            const int count = static_cast<int>(::SendMessageA(typeList, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char item[64] = {};
                ::SendMessageA(typeList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
                types.push_back(item);
            }
            ::SetDlgItemTextA(open, cmb13, typed.c_str());
            ::PostMessageA(open, WM_COMMAND, IDOK, 0);
        });
    ASSERT_TRUE(shown);
    EXPECT_EQ(owner, w.window.Hwnd());
    EXPECT_EQ(types, (std::vector<std::string>{"Ini Files(*.ini)", "All Files(*.*)"}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "导入失败：文件不存在。\r\n" + typed);
    EXPECT_EQ(w.window.RowCount(), 3);
}

// The Save dialog adds the extension "ini" to a typed name and the export lands there.
TEST(ScreenListRealWindows, ExportOpensTheCommonSaveDialog) {
    BoxRecorder boxes;
    RealListWindow w;
    ASSERT_TRUE(w.created);
    HWND owner = nullptr;
    const bool shown = WhenShown(
        "另存为", [&] { w.Click(IDC_LIST_EXPORT); },
        [&](HWND save) {
            owner = ::GetWindow(save, GW_OWNER);
            ::SetDlgItemTextA(save, cmb13, w.dir.File("hall").c_str());
            ::PostMessageA(save, WM_COMMAND, IDOK, 0);
        });
    ASSERT_TRUE(shown);
    EXPECT_EQ(owner, w.window.Hwnd());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Value(w.dir.File("hall.ini"), "CONT", "ScreenCount"), "3");
    ::DeleteFileA(w.dir.File("hall.ini").c_str());
}

}  // namespace
