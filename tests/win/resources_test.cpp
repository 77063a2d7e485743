// The compiled resources: templates 102 and 100 as stored and as the dialog manager builds
// them (texts read back as GBK bytes), string 101, icon 5, the manifest, and the guard against
// duplicate IDs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Name of a predefined control class that a template gives by ordinal.
std::string ClassOfOrdinal(WORD ordinal) {
    switch (ordinal) {
        case 0x0080:
            return "Button";
        case 0x0081:
            return "Edit";
        case 0x0082:
            return "Static";
        case 0x0083:
            return "ListBox";
        case 0x0084:
            return "ScrollBar";
        case 0x0085:
            return "ComboBox";
        default:
            return "#" + std::to_string(ordinal);
    }
}
// A control without an ID of its own (IDC_STATIC, -1).
constexpr DWORD kNoId = 0xFFFFFFFF;

// Converts template text (UTF-16) into what the ANSI functions give: GBK bytes.
std::string ToGbk(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

// One control of a DLGTEMPLATEEX.
struct ControlTemplate {
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;  // a predefined class by its name, whether stored by name or ordinal
    std::string text;
    WORD textOrdinal = 0;  // resource ID of an icon control's image
};

// A DLGTEMPLATEEX as stored in the executable.
struct DialogTemplate {
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<ControlTemplate> controls;
};

// Reads DLGTEMPLATEEX fields in order, keeping the alignment rules of the format.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool Ok() const { return m_ok; }
    template <typename T>
    T Read() {
        T value{};
        if (m_offset + sizeof(T) > m_size) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_data + m_offset, sizeof(T));
        m_offset += sizeof(T);
        return value;
    }
    std::wstring ReadString() {
        std::wstring text;
        for (WCHAR c = Read<WCHAR>(); m_ok && c != 0; c = Read<WCHAR>()) text += c;
        return text;
    }
    // sz_Or_Ord: empty, 0xFFFF + ordinal, or a string.
    void ReadNameOrOrdinal(WORD& ordinal, std::wstring& name) {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            ordinal = Read<WORD>();
        } else if (first != 0) {
            name = std::wstring(1, static_cast<WCHAR>(first)) + ReadString();
        }
    }
    void Skip(size_t bytes) { m_offset += bytes; }
    void AlignDword() { m_offset = (m_offset + 3) & ~size_t{3}; }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_offset = 0;
    bool m_ok = true;
};

// Raw bytes of a resource of this executable.
std::optional<std::string> ResourceBytes(LPCSTR name, LPCSTR type) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(module, name, type);
    if (info == nullptr) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) return std::nullopt;
    return std::string(static_cast<const char*>(data), ::SizeofResource(module, info));
}

// Parses a dialog template resource; nothing if it is missing or not a DLGTEMPLATEEX.
std::optional<DialogTemplate> LoadTemplate(LPCSTR name) {
    const std::optional<std::string> bytes = ResourceBytes(name, MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!bytes) return std::nullopt;
    TemplateReader reader(reinterpret_cast<const BYTE*>(bytes->data()), bytes->size());
    DialogTemplate dialog;
    if (reader.Read<WORD>() != 1 || reader.Read<WORD>() != 0xFFFF) return std::nullopt;
    reader.Read<DWORD>();  // help ID
    dialog.exStyle = reader.Read<DWORD>();
    dialog.style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    WORD ordinal = 0;
    std::wstring name16;
    reader.ReadNameOrOrdinal(ordinal, name16);  // menu
    reader.ReadNameOrOrdinal(ordinal, name16);  // class
    dialog.caption = ToGbk(reader.ReadString());
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = reader.Read<WORD>();
        reader.Read<WORD>();  // weight
        reader.Read<BYTE>();  // italic
        reader.Read<BYTE>();  // character set
        dialog.font = ToGbk(reader.ReadString());
    }
    for (WORD i = 0; i < count && reader.Ok(); ++i) {
        reader.AlignDword();
        ControlTemplate control;
        reader.Read<DWORD>();  // help ID
        control.exStyle = reader.Read<DWORD>();
        control.style = reader.Read<DWORD>();
        control.x = reader.Read<short>();
        control.y = reader.Read<short>();
        control.cx = reader.Read<short>();
        control.cy = reader.Read<short>();
        control.id = reader.Read<DWORD>();
        WORD classOrdinal = 0;
        std::wstring className;
        reader.ReadNameOrOrdinal(classOrdinal, className);
        control.className = classOrdinal != 0 ? ClassOfOrdinal(classOrdinal) : ToGbk(className);
        std::wstring text;
        reader.ReadNameOrOrdinal(control.textOrdinal, text);
        control.text = ToGbk(text);
        reader.Skip(reader.Read<WORD>());  // creation data
        dialog.controls.push_back(control);
    }
    if (!reader.Ok()) return std::nullopt;
    return dialog;
}

// What a control of a template must look like.
struct ExpectedControl {
    DWORD id;
    const char* className;  // as GetClassNameA reports it
    const char* text;
    RECT rect;         // dialog units: left, top, width, height
    DWORD styleMask;   // bits compared: the type field and the flags that matter
    DWORD styleValue;  // their required values
    DWORD exStyle;
};

// Style bits compared per kind of control: the type field and the flags that matter.
constexpr DWORD kButtonBits = BS_TYPEMASK | BS_FLAT | WS_TABSTOP;
constexpr DWORD kStaticBits = SS_TYPEMASK | SS_CENTERIMAGE | WS_BORDER | SS_NOPREFIX;
constexpr DWORD kEditBits = ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | ES_MULTILINE;
constexpr DWORD kComboBits = 0x3 | CBS_SORT | WS_VSCROLL | WS_TABSTOP;  // 0x3: CBS_ type field
constexpr DWORD kFlatPush = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;

// clang-format off
// Template 102, in template order.
const ExpectedControl kMainControls[] = {
    {1000,  "Button",   "启动自动校时", {108, 26, 44, 14}, kButtonBits, kFlatPush, 0},
    {kNoId, "Static",   "更新间隔:",    {7, 29, 34, 8},    kStaticBits, SS_LEFT, 0},
    {1005,  "Button",   "参数设置",     {85, 60, 32, 14},  kButtonBits, kFlatPush, 0},
    {1002,  "Edit",     "",             {40, 27, 36, 12},  kEditBits,
     ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
    {1006,  "ComboBox", "",             {78, 27, 26, 47},  kComboBits,
     CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 0},
    {1007,  "Static",   "状态：",       {7, 43, 145, 15},  kStaticBits,
     SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | WS_BORDER, 0},
    {1019,  "Button",   "开启自动启动", {7, 61, 57, 10},   kButtonBits, BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {1021,  "Static",   "北京时间：",   {7, 8, 145, 15},   kStaticBits, SS_CENTER | SS_CENTERIMAGE,
     WS_EX_CLIENTEDGE},
    {kNoId, "Button",   "",             {2, 0, 156, 76},   kButtonBits, BS_GROUPBOX, 0},
    {1008,  "Button",   "手动校时",     {120, 60, 32, 14}, kButtonBits, kFlatPush, 0},
};

// Template 100, in template order (the icon control's image is icon 5).
const ExpectedControl kAboutControls[] = {
    {kNoId, "Static", "",                  {14, 14, 20, 20},  kStaticBits, SS_ICON, 0},
    {kNoId, "Static", "TK自动校时，3.4版", {42, 14, 114, 8},  kStaticBits, SS_LEFT | SS_NOPREFIX, 0},
    {kNoId, "Static", "版权所有 (C) 2026", {42, 26, 114, 8},  kStaticBits, SS_LEFT, 0},
    {IDOK,  "Button", "确定",              {113, 40, 50, 14}, kButtonBits | WS_GROUP,
     BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0},
};
// clang-format on

// Compares a stored template's controls with the expected table.
template <size_t N>
void ExpectControls(const DialogTemplate& dialog, const ExpectedControl (&expected)[N]) {
    ASSERT_EQ(dialog.controls.size(), N);
    for (size_t i = 0; i < N; ++i) {
        const ControlTemplate& actual = dialog.controls[i];
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " (" + std::to_string(want.id) + ")");
        EXPECT_EQ(actual.id, want.id);
        EXPECT_EQ(_stricmp(actual.className.c_str(), want.className), 0) << actual.className;
        if (want.styleValue == SS_ICON) {
            EXPECT_EQ(actual.textOrdinal, 5);
        } else {
            EXPECT_EQ(actual.text, want.text);
        }
        EXPECT_EQ(actual.x, want.rect.left);
        EXPECT_EQ(actual.y, want.rect.top);
        EXPECT_EQ(actual.cx, want.rect.right);
        EXPECT_EQ(actual.cy, want.rect.bottom);
        EXPECT_EQ(actual.style & want.styleMask, want.styleValue);
        EXPECT_EQ(actual.style & (WS_CHILD | WS_VISIBLE),
                  static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(actual.exStyle & WS_EX_CLIENTEDGE, want.exStyle);
    }
}

// Creates a template as a plain modeless dialog that handles nothing.
HWND CreatePlainDialog(UINT id) {
    return ::CreateDialogParamA(
        ::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
}

// Compares the live dialog's children, in creation order, with the expected table: IDs,
// classes, texts as GBK bytes and positions in dialog units.
template <size_t N>
void ExpectLiveControls(HWND dialog, const ExpectedControl (&expected)[N]) {
    HWND child = ::GetWindow(dialog, GW_CHILD);
    for (size_t i = 0; i < N; ++i, child = ::GetWindow(child, GW_HWNDNEXT)) {
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " (" + std::to_string(want.id) + ")");
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrA(child, GWLP_ID)) & 0xFFFF,
                  want.id & 0xFFFF);
        char className[64] = {};
        ::GetClassNameA(child, className, sizeof className);
        EXPECT_STREQ(className, want.className);
        char text[128] = {};
        ::GetWindowTextA(child, text, sizeof text);
        if (want.styleValue != SS_ICON) {
            EXPECT_STREQ(text, want.text);
        }

        // The dialog manager converts position and size separately: map them the same way.
        RECT expectedRect = want.rect;
        ::MapDialogRect(dialog, &expectedRect);
        RECT actual;
        ::GetWindowRect(child, &actual);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expectedRect.left);
        EXPECT_EQ(actual.top, expectedRect.top);
        // An icon control takes the size of its icon. A drop-down list's window is as high as
        // its closed box; the template gives the height of the open list.
        if (want.styleValue == SS_ICON) continue;
        EXPECT_EQ(actual.right - actual.left, expectedRect.right);
        if (_stricmp(want.className, "ComboBox") != 0) {
            EXPECT_EQ(actual.bottom - actual.top, expectedRect.bottom);
        }
    }
    EXPECT_EQ(child, nullptr) << "more controls than expected";
}

TEST(MainWindowTemplate, StoredAsSpecifiedDialogUnitsStylesAndTexts) {
    const std::optional<DialogTemplate> dialog = LoadTemplate(MAKEINTRESOURCEA(102));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->caption, "TK自动校时(V3.4)");
    EXPECT_EQ(dialog->cx, 163);
    EXPECT_EQ(dialog->cy, 81);
    EXPECT_EQ(dialog->pointSize, 9);
    EXPECT_EQ(dialog->font, "MS Shell Dlg");
    EXPECT_EQ(dialog->style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE |
                                                WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ(dialog->exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    ExpectControls(*dialog, kMainControls);
}

TEST(MainWindowTemplate, BuildsTheWindowWithGbkTextsInTabOrder) {
    HWND dialog = CreatePlainDialog(102);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    char caption[64] = {};
    ::GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "TK\xD7\xD4\xB6\xAF\xD0\xA3\xCA\xB1(V3.4)");  // TK自动校时(V3.4)
    ExpectLiveControls(dialog, kMainControls);

    const LONG_PTR style = ::GetWindowLongPtrA(dialog, GWL_STYLE);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_SYSMENU | WS_CAPTION),
              static_cast<LONG_PTR>(WS_MINIMIZEBOX | WS_SYSMENU | WS_CAPTION));
    EXPECT_NE(::GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_NE(style & WS_VISIBLE, 0);

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

TEST(AboutBoxTemplate, StoredAndBuiltAsSpecified) {
    const std::optional<DialogTemplate> stored = LoadTemplate(MAKEINTRESOURCEA(100));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->caption, "关于 TK自动校时");
    EXPECT_EQ(stored->cx, 170);
    EXPECT_EQ(stored->cy, 62);
    EXPECT_EQ(stored->font, "MS Shell Dlg");
    EXPECT_EQ(stored->pointSize, 9);
    EXPECT_EQ(stored->style & ~static_cast<DWORD>(DS_SETFONT),
              static_cast<DWORD>(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
    ExpectControls(*stored, kAboutControls);

    HWND dialog = CreatePlainDialog(100);
    ASSERT_NE(dialog, nullptr) << ::GetLastError();
    ExpectLiveControls(dialog, kAboutControls);
    HWND icon = ::GetWindow(dialog, GW_CHILD);
    EXPECT_NE(::SendMessageA(icon, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(::SendMessageA(dialog, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    ::DestroyWindow(dialog);
}

TEST(StringTable, AboutItemTextIsGbk) {
    char text[64] = {};
    const int length = ::LoadStringA(::GetModuleHandleA(nullptr), 101, text, sizeof text);
    EXPECT_EQ(
        std::string(text, static_cast<size_t>(length)),
        "\xB9\xD8\xD3\xDA TK\xD7\xD4\xB6\xAF\xD0\xA3\xCA\xB1(&A)...");  // 关于 TK自动校时(&A)...
}

TEST(ApplicationIcon, Icon5HoldsA16And32PixelImage) {
    EXPECT_NE(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5)), nullptr);
    const std::optional<std::string> group =
        ResourceBytes(MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(14));
    ASSERT_TRUE(group);  // RT_GROUP_ICON
    ASSERT_GE(group->size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group->data() + 4, 2);
    ASSERT_EQ(group->size(), 6u + 14u * count);
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto width = static_cast<unsigned char>((*group)[6 + 14 * i]);
        const auto height = static_cast<unsigned char>((*group)[6 + 14 * i + 1]);
        EXPECT_EQ(width, height);
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
        const std::optional<DialogTemplate> dialog = LoadTemplate(MAKEINTRESOURCEA(id));
        ASSERT_TRUE(dialog) << "template " << id;
        std::set<DWORD> seen;
        for (const ControlTemplate& control : dialog->controls) {
            if (control.id == kNoId) continue;
            EXPECT_TRUE(seen.insert(control.id).second)
                << "template " << id << " uses control ID " << control.id << " twice";
        }
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
    EXPECT_EQ(values["IDD_ABOUTBOX"], 100);
    EXPECT_EQ(values["IDS_ABOUTBOX"], 101);
    EXPECT_EQ(values["IDD_ADJUSTTIME_DIALOG"], 102);
    EXPECT_EQ(values["IDR_MAINFRAME"], 5);
    EXPECT_EQ(values["IDM_ABOUTBOX"], 16);
}

}  // namespace
