// The compiled resources: the four dialog templates as the dialog manager builds them (texts
// read back as GBK bytes, rectangles in dialog units), string IDS_ABOUTBOX, icon IDR_MAINFRAME,
// the manifest, and the guard against duplicate IDs.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/screens/model_table.h"
#include "resources/resource.h"
#include "resources/version.h"
#include "tests/win/win_test_util.h"

namespace {

// A control without an ID of its own (IDC_STATIC, -1), as GetDlgCtrlID reports it.
constexpr int kNoId = -1;

// A rectangle in dialog units, as the template gives it: x, y, width, height.
struct DluRect {
    int x, y, width, height;
};

// What a control of a template must look like once built.
struct ExpectedControl {
    int id;
    const char* className;  // as GetClassNameA reports it
    const char* text;       // nullptr: an icon control, whose image must be icon 5
    DWORD styleMask;        // bits compared: the type field and the flags that matter
    DWORD styleValue;       // their required values
    bool framed;            // sunken frame (WS_BORDER or WS_EX_CLIENTEDGE in the template)
    // Where the template puts it; a combo box's height includes its dropped-down list.
    std::optional<DluRect> rect = std::nullopt;
    bool hidden = false;  // created without WS_VISIBLE
};

// Style bits compared per kind of control. The dialog manager turns a control's WS_BORDER into
// WS_EX_CLIENTEDGE, and a combo box keeps no WS_VSCROLL of its own.
constexpr DWORD kButtonBits = BS_TYPEMASK | BS_FLAT | WS_TABSTOP;
constexpr DWORD kStaticBits = SS_TYPEMASK | SS_CENTERIMAGE | SS_NOPREFIX;
constexpr DWORD kEditBits = ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP | ES_MULTILINE;
constexpr DWORD kComboBits = 0x3 | CBS_SORT | WS_TABSTOP;  // 0x3: the CBS_ type field
constexpr DWORD kFlatPush = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
constexpr DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kListViewBits =
    LVS_TYPEMASK | LVS_ALIGNMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
constexpr DWORD kDigits = ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP;
constexpr DWORD kSortedList = CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP;

// clang-format off
// IDD_ADJUSTTIME_DIALOG, in template order.
const ExpectedControl kMainControls[] = {
    {1000,  "Button",   "启动自动校时", kButtonBits, kFlatPush, false},
    {kNoId, "Static",   "更新间隔:",    kStaticBits, SS_LEFT, false},
    {1005,  "Button",   "参数设置",     kButtonBits, kFlatPush, false},
    {1002,  "Edit",     "",             kEditBits,   ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, true},
    {1006,  "ComboBox", "",             kComboBits,  CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP, false},
    {1007,  "Static",   "状态：",       kStaticBits, SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, true},
    {1019,  "Button",   "开启自动启动", kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, false},
    {1021,  "Static",   "北京时间：",   kStaticBits, SS_CENTER | SS_CENTERIMAGE, true},
    {kNoId, "Button",   "",             kButtonBits, BS_GROUPBOX, false},
    {1008,  "Button",   "手动校时",     kButtonBits, kFlatPush, false},
};

// IDD_ABOUTBOX, in template order.
const ExpectedControl kAboutControls[] = {
    {kNoId, "Static", nullptr,             kStaticBits, SS_ICON, false},
    {kNoId, "Static", "TK自动校时，3.4版", kStaticBits, SS_LEFT | SS_NOPREFIX, false},
    {kNoId, "Static", "版权所有 (C) 2026", kStaticBits, SS_LEFT, false},
    {IDOK,  "Button", "确定",              kButtonBits | WS_GROUP, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, false},
};

// IDD_SCREEN_LIST, in template order: the list view (several rows selectable, report view set
// when the window opens), the button column with the export button hidden, the group box.
const ExpectedControl kScreenListControls[] = {
    {1008,  "SysListView32", "",         kListViewBits, LVS_ICON | LVS_ALIGNLEFT | LVS_SHOWSELALWAYS | WS_TABSTOP, true, DluRect{7, 19, 373, 155}},
    {1009,  "Button",        "导入文件", kButtonBits, kPush, false, DluRect{380, 29, 30, 14}},
    {1010,  "Button",        "添加卡",   kButtonBits, kPush, false, DluRect{380, 53, 30, 14}},
    {1012,  "Button",        "修改",     kButtonBits, kPush, false, DluRect{380, 74, 30, 14}},
    {1011,  "Button",        "删除",     kButtonBits, kPush, false, DluRect{380, 97, 30, 14}},
    {1018,  "Button",        "保存文件", kButtonBits, kPush, false, DluRect{362, 120, 50, 14}, true},
    {IDOK,  "Button",        "确定",     kButtonBits, BS_DEFPUSHBUTTON | WS_TABSTOP, false, DluRect{381, 160, 30, 14}},
    {kNoId, "Button",        "控制卡参数", kButtonBits, BS_GROUPBOX, false, DluRect{7, 7, 405, 170}},
};

// IDD_SCREEN_PARAM, in template order: each label left of its control (x 17 in the left column,
// x 163 in the right one), OK and Cancel, then the four group boxes.
const ExpectedControl kScreenParamControls[] = {
    {kNoId, "Static",         "控制卡型号：", kStaticBits, SS_LEFT, false, DluRect{17, 23, 42, 8}},
    {1011,  "ComboBox",       "",             kComboBits,  kSortedList, false, DluRect{60, 21, 42, 120}},
    {kNoId, "Static",         "控制卡地址:",  kStaticBits, SS_LEFT, false, DluRect{163, 23, 41, 8}},
    {1003,  "Edit",           "",             kEditBits,   kDigits, true, DluRect{205, 21, 38, 12}},
    {kNoId, "Static",         "通许方式 ：",  kStaticBits, SS_LEFT, false, DluRect{17, 42, 42, 8}},
    {1012,  "ComboBox",       "",             kComboBits,  kSortedList, false, DluRect{60, 40, 42, 120}},
    {kNoId, "Static",         "串口号:",      kStaticBits, SS_LEFT, false, DluRect{17, 69, 42, 8}},
    {1013,  "ComboBox",       "",             kComboBits,  kSortedList, false, DluRect{60, 67, 42, 120}},
    {kNoId, "Static",         "波特率:",      kStaticBits, SS_LEFT, false, DluRect{163, 67, 41, 8}},
    {1014,  "ComboBox",       "",             kComboBits,  kSortedList, false, DluRect{205, 65, 38, 120}},
    {kNoId, "Static",         "网络端口:",    kStaticBits, SS_LEFT, false, DluRect{17, 96, 42, 8}},
    {1015,  "Edit",           "",             kEditBits,   kDigits, true, DluRect{60, 94, 40, 12}},
    {kNoId, "Static",         "IP地址:",      kStaticBits, SS_LEFT, false, DluRect{163, 97, 41, 8}},
    {1016,  "SysIPAddress32", "0.0.0.0",      WS_TABSTOP,  WS_TABSTOP, false, DluRect{205, 95, 94, 12}},
    {kNoId, "Static",         "屏宽：",       kStaticBits, SS_LEFT, false, DluRect{17, 123, 42, 8}},
    {1017,  "Edit",           "",             kEditBits,   kDigits, true, DluRect{60, 121, 40, 12}},
    {kNoId, "Static",         "屏高：",       kStaticBits, SS_LEFT, false, DluRect{163, 122, 41, 8}},
    {1018,  "Edit",           "",             kEditBits,   kDigits, true, DluRect{207, 120, 40, 12}},
    {kNoId, "Static",         "颜色:",        kStaticBits, SS_LEFT, false, DluRect{17, 139, 42, 8}},
    {1019,  "ComboBox",       "",             kComboBits,  kSortedList, false, DluRect{60, 137, 42, 120}},
    {IDOK,  "Button",         "确定",         kButtonBits, BS_DEFPUSHBUTTON | WS_TABSTOP, false, DluRect{62, 158, 50, 14}},
    {IDCANCEL, "Button",      "取消",         kButtonBits, kPush, false, DluRect{187, 158, 50, 14}},
    {kNoId, "Button",         "硬件设置",     kButtonBits, BS_GROUPBOX, false, DluRect{7, 12, 305, 44}},
    {kNoId, "Button",         "串口设置",     kButtonBits, BS_GROUPBOX, false, DluRect{7, 56, 305, 28}},
    {kNoId, "Button",         "网络设置",     kButtonBits, BS_GROUPBOX, false, DluRect{7, 85, 305, 27}},
    {kNoId, "Button",         "屏幕设置",     kButtonBits, BS_GROUPBOX, false, DluRect{7, 112, 305, 41}},
};
// clang-format on

// Sizes that windows of this thread were created with, recorded while BuildTemplate runs.
std::map<HWND, SIZE>& CreatedSizes() {
    static std::map<HWND, SIZE> sizes;
    return sizes;
}

// Records the size each window is created with, before the window can change it.
LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA& create = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        CreatedSizes()[reinterpret_cast<HWND>(wParam)] = {create.cx, create.cy};
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Template id built as a plain modeless dialog that handles nothing. The list view and IP
// address classes are registered first, as the program does before it opens those windows.
// The dialog procedure of a template built only to be measured.
INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND BuildTemplate(UINT id) {
    static const BOOL registered = [] {
        INITCOMMONCONTROLSEX classes = {sizeof classes,
                                        ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
        return ::InitCommonControlsEx(&classes);
    }();
    EXPECT_TRUE(registered);
    CreatedSizes().clear();
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, ::GetCurrentThreadId());
    HWND dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                       IgnoreMessages, 0);
    ::UnhookWindowsHookEx(hook);
    return dialog;
}

// The control stands where the template puts it: the rectangle in dialog units, mapped to
// pixels by the dialog's font, against the control's place in the dialog's client area. The
// dialog manager maps the position and the size each on its own (not the right and bottom
// edges), and so does MapDialogRect with each field.
void ExpectRect(HWND dialog, HWND control, const DluRect& want) {
    RECT expected = {want.x, want.y, want.width, want.height};
    ASSERT_TRUE(::MapDialogRect(dialog, &expected));
    RECT actual;
    ::GetWindowRect(control, &actual);
    const LONG height = actual.bottom - actual.top;
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right - actual.left, expected.right);
    char className[64] = {};
    ::GetClassNameA(control, className, sizeof className);
    if (std::strcmp(className, "ComboBox") != 0) {
        EXPECT_EQ(height, expected.bottom);
        return;
    }
    // A combo box makes its own window as high as its edit part; the template's height, with
    // the list dropped down, is the height the dialog manager created it with.
    const auto created = CreatedSizes().find(control);
    ASSERT_NE(created, CreatedSizes().end());
    EXPECT_EQ(created->second.cy, expected.bottom);
}

// The dialog's client area is the template's size in dialog units.
void ExpectClientSize(HWND dialog, int width, int height) {
    RECT expected = {0, 0, width, height};
    ASSERT_TRUE(::MapDialogRect(dialog, &expected));
    RECT client;
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
}

// Compares the built dialog's controls, in creation order, with the expected ones.
template <size_t N>
void ExpectControls(HWND dialog, const ExpectedControl (&expected)[N]) {
    HWND child = ::GetWindow(dialog, GW_CHILD);
    for (size_t i = 0; i < N; ++i, child = ::GetWindow(child, GW_HWNDNEXT)) {
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " (" + std::to_string(want.id) + ")");
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::GetDlgCtrlID(child), want.id);
        char className[64] = {};
        ::GetClassNameA(child, className, sizeof className);
        EXPECT_STREQ(className, want.className);
        if (want.text) {
            EXPECT_EQ(tk_test::TextOf(child), want.text);
        } else {
            EXPECT_EQ(::SendMessageA(child, STM_GETICON, 0, 0),
                      reinterpret_cast<LRESULT>(
                          ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5))));
        }
        const auto style = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE));
        EXPECT_EQ(style & want.styleMask, want.styleValue);
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE),
                  static_cast<DWORD>(want.hidden ? WS_CHILD : WS_CHILD | WS_VISIBLE));
        EXPECT_EQ((::GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, want.framed);
        if (want.rect) ExpectRect(dialog, child, *want.rect);
    }
    EXPECT_EQ(child, nullptr) << "more controls than expected";
}

TEST(MainWindowTemplate, BuildsTheWindowWithGbkTextsInTabOrder) {
    HWND dialog = BuildTemplate(102);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    EXPECT_EQ(tk_test::TextOf(dialog),
              "TK\xD7\xD4\xB6\xAF\xD0\xA3\xCA\xB1(V3.4)");  // TK自动校时(V3.4)
    // The dialog manager adds DS_3DLOOK and WS_CLIPSIBLINGS.
    EXPECT_EQ(::GetWindowLongPtrA(dialog, GWL_STYLE) & ~(DS_3DLOOK | WS_CLIPSIBLINGS),
              DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                  WS_MINIMIZEBOX);
    EXPECT_NE(::GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    ExpectControls(dialog, kMainControls);

    // No OK or Cancel control and no default button: Enter and Esc stay plain commands.
    EXPECT_EQ(::GetDlgItem(dialog, IDOK), nullptr);
    EXPECT_EQ(::GetDlgItem(dialog, IDCANCEL), nullptr);
    const LRESULT defId = ::SendMessageA(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(defId) == DC_HASDEFID) {
        EXPECT_EQ(::GetDlgItem(dialog, LOWORD(defId)), nullptr);
    }
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        EXPECT_EQ(::SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0)
            << ::GetDlgCtrlID(child);
    }
    ::DestroyWindow(dialog);
}

TEST(AboutBoxTemplate, BuildsTheBoxWithGbkTextsAndOkAsDefault) {
    HWND dialog = BuildTemplate(100);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    EXPECT_EQ(tk_test::TextOf(dialog), "关于 TK自动校时");
    EXPECT_EQ(::GetWindowLongPtrA(dialog, GWL_STYLE) & ~(DS_SETFONT | DS_3DLOOK | WS_CLIPSIBLINGS),
              DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ExpectControls(dialog, kAboutControls);
    EXPECT_EQ(::SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    ::DestroyWindow(dialog);
}

TEST(ScreenListTemplate, BuildsTheListWindowWithTheExportButtonHidden) {
    HWND dialog = BuildTemplate(103);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    EXPECT_EQ(tk_test::TextOf(dialog), "控制卡参数");
    EXPECT_EQ(::GetWindowLongPtrA(dialog, GWL_STYLE) & ~(DS_SETFONT | DS_3DLOOK | WS_CLIPSIBLINGS),
              DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ExpectClientSize(dialog, 419, 185);
    ExpectControls(dialog, kScreenListControls);
    // OK is the default button; there is no Cancel button (Esc and the close box cancel).
    EXPECT_EQ(::SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    EXPECT_EQ(::GetDlgItem(dialog, IDCANCEL), nullptr);
    ::DestroyWindow(dialog);
}

TEST(ScreenParamTemplate, BuildsTheParameterWindowWithLabelsLeftOfTheirControls) {
    HWND dialog = BuildTemplate(104);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    EXPECT_EQ(tk_test::TextOf(dialog), "控制卡参数配置");
    EXPECT_EQ(::GetWindowLongPtrA(dialog, GWL_STYLE) & ~(DS_SETFONT | DS_3DLOOK | WS_CLIPSIBLINGS),
              DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ExpectClientSize(dialog, 319, 184);
    ExpectControls(dialog, kScreenParamControls);
    EXPECT_EQ(::SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    // The lists are empty until the window's own code fills them.
    for (int id : {1011, 1012, 1013, 1014, 1019}) {
        EXPECT_EQ(::SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0), 0) << id;
    }
    ::DestroyWindow(dialog);
}

// Raw bytes of a resource of this executable.
std::optional<std::string> ResourceBytes(LPCSTR name, LPCSTR type) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(module, name, type);
    HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(data), ::SizeofResource(module, info));
}

// The version and the model names are written where the resource compiler needs them: the
// caption, the about text and the parameter window's model list (its template's init data) must
// say what version.h and the model table say.
TEST(ResourceTexts, VersionAndModelsMatchTheirOneSource) {
    HWND main = BuildTemplate(102);
    ASSERT_NE(main, nullptr) << ::GetLastError();
    EXPECT_EQ(tk_test::TextOf(main), "TK自动校时(V" TK_VERSION_TEXT ")");
    ::DestroyWindow(main);
    HWND about = BuildTemplate(100);
    ASSERT_NE(about, nullptr) << ::GetLastError();
    std::string texts;
    for (HWND child = ::GetWindow(about, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        texts += tk_test::TextOf(child) + "\n";
    EXPECT_NE(texts.find("TK自动校时，" TK_VERSION_TEXT "版\n"), std::string::npos) << texts;
    ::DestroyWindow(about);

    // Init data: per item a control ID, a message, a length and the text with its zero.
    const auto init = ResourceBytes(MAKEINTRESOURCEA(104), MAKEINTRESOURCEA(240));
    ASSERT_TRUE(init.has_value());
    std::set<std::string> listed, models;
    for (size_t at = 0; at + 8 <= init->size();) {
        WORD id = 0;
        DWORD length = 0;
        std::memcpy(&id, init->data() + at, sizeof id);
        std::memcpy(&length, init->data() + at + 4, sizeof length);
        if (id == 0 || at + 8 + length > init->size()) break;
        if (id == IDC_PARAM_MODEL) listed.insert(init->substr(at + 8, length).c_str());
        at += 8 + length;
    }
    for (const tk::ControllerModel& model : tk::kControllerModels) models.insert(model.name);
    EXPECT_EQ(listed, models);
}

TEST(StringTable, AboutItemTextIsGbk) {
    char text[64] = {};
    const int length = ::LoadStringA(::GetModuleHandleA(nullptr), 101, text, sizeof text);
    EXPECT_EQ(
        std::string(text, static_cast<size_t>(length)),
        "\xB9\xD8\xD3\xDA TK\xD7\xD4\xB6\xAF\xD0\xA3\xCA\xB1(&A)...");  // 关于 TK自动校时(&A)...
}

TEST(ApplicationIcon, Icon5HoldsA16And32PixelImage) {
    const std::optional<std::string> group =
        ResourceBytes(MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_TRUE(group && group->size() >= 6u);
    WORD count = 0;
    std::memcpy(&count, group->data() + 4, 2);
    ASSERT_EQ(group->size(), 6u + 14u * count);
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto width = static_cast<unsigned char>((*group)[6 + 14 * i]);
        EXPECT_EQ(width, static_cast<unsigned char>((*group)[6 + 14 * i + 1]));
        sizes.insert(width);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

TEST(Manifest, DeclaresDpiAwarenessAndOsesWithoutCommonControls6) {
    const std::optional<std::string> manifest =
        ResourceBytes(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(manifest);
    for (const char* needle : {
             ">true</dpiAware>", ">system</dpiAwareness>",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
         }) {
        EXPECT_NE(manifest->find(needle), std::string::npos) << needle;
    }
    EXPECT_EQ(manifest->find("Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest->find("dependency"), std::string::npos);
}

// Collects the names of every dialog template in the executable.
BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name)) {
        reinterpret_cast<std::vector<UINT>*>(param)->push_back(
            static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    }
    return TRUE;
}

TEST(ResourceIds, NoDialogHasTwoControlsWithOneId) {
    std::vector<UINT> dialogs;
    ::EnumResourceNamesA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5), CollectName,
                         reinterpret_cast<LONG_PTR>(&dialogs));
    EXPECT_GE(dialogs.size(), 2u);
    for (UINT id : dialogs) {
        HWND dialog = BuildTemplate(id);
        ASSERT_NE(dialog, nullptr) << "template " << id;
        std::set<int> seen;
        for (HWND c = ::GetWindow(dialog, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            const int control = ::GetDlgCtrlID(c);
            EXPECT_TRUE(control == kNoId || seen.insert(control).second)
                << "template " << id << " uses control ID " << control << " twice";
        }
        ::DestroyWindow(dialog);
    }
}

// resource.h: every name defined once, and no number used twice among the IDs of one kind
// of resource (dialogs, strings, icons, menu commands). Control IDs only need to be unique
// within their dialog, which the templates show.
TEST(ResourceIds, ResourceHeaderHasNoDuplicates) {
    const std::optional<std::string> header = ResourceBytes("RESOURCE_H", MAKEINTRESOURCEA(10));
    ASSERT_TRUE(header);  // RT_RCDATA
    std::istringstream lines(*header);
    std::map<std::string, long> values;
    std::map<std::string, std::map<long, std::string>> byKind;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        if (!(words >> directive >> name >> value) || directive != "#define") continue;
        if (value.front() == '(') value = value.substr(1, value.size() - 2);
        const long number = std::stol(value);
        EXPECT_TRUE(values.emplace(name, number).second) << name << " defined twice";
        const std::string kind = name.substr(0, name.find('_'));
        if (kind == "IDC") continue;
        const auto [it, added] = byKind[kind].emplace(number, name);
        EXPECT_TRUE(added) << name << " and " << it->second << " are both " << number;
    }
    EXPECT_GE(values.size(), 10u) << "resource.h was not read";
}

}  // namespace
