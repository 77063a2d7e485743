// Damaged and hand-made settings and exchange files (tests/data/malformed, and a few generated
// here) through every reader of the program: the settings store key by key, the main window's
// roster, the list window's rows and its import. Each must give what Wine's profile API gives
// for the same file and keys, and none may change the file by only reading it. Where the
// program reads a file differently on purpose, the table below says so and why.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/failure_report.h"
#include "core/store/profile_file.h"
#include "core/screens/roster.h"
#include "core/screens/screen_list_file.h"
#include "core/screens/screen_row_codec.h"
#include "core/store/settings.h"
#include "core/store/win32_profile_win.h"
#include "resources/resource.h"
#include "tests/win/main_window_harness.h"
#include "tests/win/screen_settings_sample.h"
#include "tests/win/scripted_files.h"
#include "tests/win/win_test_util.h"
#include "ui/config/screen_list_dlg.h"

namespace {

using tk::ScreenRow;
using tk_test::BoxRecorder;
using tk_test::ReadFileBytes;
using tk_test::ScriptedFiles;
using tk_test::SettingsFileAt;
using tk_test::TempDir;
using tk_test::WriteFileBytes;

// How the program reads a file where it does not follow the profile API.
enum class Reading {
    kAsTheApi,  // every value as the API gives it
    kNotAnsi,   // the list window reads nothing, says so, and never writes the file; the roster
                // reads it through the API, as the controller library does
    kTooLarge,  // as kNotAnsi, for a file past the size limit
};

// Why the list window and the import read nothing of a file that is not read as the API reads
// it, as their messages give it.
const char* NotReadReason(Reading reading) {
    return reading == Reading::kNotAnsi ? tk::kReasonNotAnsi : tk::kReasonTooLarge;
}
const char* NotImportedFormat(Reading reading) {
    return reading == Reading::kNotAnsi ? kImportNotAnsiFormat : kImportTooLargeFormat;
}

// One file of the corpus: its bytes, and whether the program reads it as the API does.
struct CorpusFile {
    std::string name;
    std::string bytes;
    Reading reading = Reading::kAsTheApi;
    const char* why = "";  // why the program reads it otherwise
};

// Test names and failure messages name the file only.
void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.name; }

// Files whose reading differs from the API's on purpose, and why.
const struct {
    const char* name;
    const char* why;
} kNotAnsiFiles[] = {
    {"utf16le-bom.ini",
     "a UTF-16 file is read by the API alone: taken for GBK it would read as empty, and GBK "
     "edits would be mixed into it"},
    {"utf16be-bom.ini", "as utf16le-bom.ini"},
    {"utf8-bom-utf8-names.ini",
     "behind a UTF-8 byte-order mark the API reads UTF-8: the Chinese section names mean "
     "something else to it than GBK does, so the program neither reads nor writes the file"},
    {"utf8-bom-gbk-names.ini",
     "as utf8-bom-utf8-names.ini: GBK bytes behind the mark, which the API reads as UTF-8 and "
     "finds no screen sections in"},
};

CorpusFile Described(std::string name, std::string bytes) {
    CorpusFile file{name, std::move(bytes)};
    for (const auto& known : kNotAnsiFiles) {
        if (name == known.name) {
            file.reading = Reading::kNotAnsi;
            file.why = known.why;
        }
    }
    return file;
}

// Every file of the corpus folder, plus the cases too large to check in.
std::vector<CorpusFile> Corpus() {
    std::vector<CorpusFile> files;
    const std::string dir = TK_MALFORMED_DIR;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((dir + "/*.ini").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            files.push_back(Described(name, ReadFileBytes(dir + "/" + name).value_or("")));
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    std::sort(files.begin(), files.end(),
              [](const CorpusFile& a, const CorpusFile& b) { return a.name < b.name; });
    // Lines of 192 KB: a value, then a key name, then a section name of that length; the file
    // stays within the size limit.
    const std::string longLine(192 << 10, '7');
    files.push_back({"generated-long-lines",
                     "[CONT]\r\nScreenCount=1" + longLine + "\r\n[" + tk::ScreenSectionName(0) +
                         "]\r\nIpAddress0=127\r\nCommunicationMode=" + longLine + "\r\n" +
                         longLine + "=1\r\n[Screen0]\r\nnCtrlType=3\r\nsNetAdderrs=" + longLine +
                         "\r\n[" + longLine + "]\r\nk=v\r\n"});
    files.push_back({"generated-1mb-without-line-end",
                     "[CONT]ScreenCount=1" + std::string(1 << 20, ' ') + "x", Reading::kTooLarge,
                     "past the size limit: a screen list takes far less"});
    return files;
}

const std::vector<CorpusFile>& TheCorpus() {
    static const std::vector<CorpusFile> corpus = Corpus();
    return corpus;
}

// The sections a reader may ask for in these files.
std::vector<std::string> SettingsSections() {
    std::vector<std::string> names;
    for (int i : {0, 1, 2, 3, 7, 299, 300}) names.push_back(tk::ScreenSectionName(i));
    return names;
}
std::vector<std::string> ExchangeSections() {
    std::vector<std::string> names;
    for (int i : {0, 1, 2, 3, 4, 7, 300}) names.push_back(tk::ExchangeSectionName(i));
    return names;
}

const char* const kGlobalKeys[] = {"ScreenCount", "nSel", "Timer", "bStart"};
const char* const kExchangeKeys[] = {"nCtrlType",   "nCtrlAddress", "nCommType",  "nHeight",
                                     "nWidth",      "nSerialType",  "nSerialNum", "nNetPort",
                                     "sNetAdderrs", "nColorOrder"};

// One read through the store and through the API differs.
struct Mismatch {
    std::string what;
    std::string store;
    std::string api;
};

// Reads section/key through both as an integer and as texts of 100 and 16 bytes, and notes
// every difference.
void CompareKey(tk::IProfile& store, tk::IProfile& api, const std::string& section, const char* key,
                std::vector<Mismatch>& out) {
    const int si = store.GetInt(section.c_str(), key, -99);
    const int ai = api.GetInt(section.c_str(), key, -99);
    if (si != ai)
        out.push_back({section + "/" + key + " int", std::to_string(si), std::to_string(ai)});
    for (unsigned size : {100u, 16u}) {
        // Where a double-byte character does not fit, Wine puts a NUL in its place and counts
        // it; the store hands out the shorter text. Both are the same text for every caller
        // (the program reads texts up to their NUL), so the texts are compared, and the
        // store's count must be its text's length.
        char s[128] = {}, a[128] = {};
        const unsigned sn = store.GetString(section.c_str(), key, "<none>", s, size);
        api.GetString(section.c_str(), key, "<none>", a, size);
        if (std::string(s) != std::string(a)) {
            out.push_back({section + "/" + key + " text " + std::to_string(size), s, a});
        }
        if (sn != std::string(s).size()) {
            out.push_back({section + "/" + key + " count " + std::to_string(size),
                           std::to_string(sn), std::to_string(std::string(s).size())});
        }
    }
}

std::string Describe(const std::vector<Mismatch>& mismatches) {
    std::string text;
    for (const Mismatch& m : mismatches)
        text += "  " + m.what + ": store [" + m.store + "] api [" + m.api + "]\n";
    return text;
}

// Dates the file back. Wine's profile API reads a file again at every call while its time is
// within the last seconds, which with files of megabytes takes minutes.
void Settle(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SYSTEMTIME day = {};
    day.wYear = 2020;
    day.wMonth = 1;
    day.wDay = 1;
    FILETIME time;
    ::SystemTimeToFileTime(&day, &time);
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
}

// A corpus file copied into a private directory, so that nothing the test does can reach the
// checked-in bytes.
struct FileCopy {
    explicit FileCopy(const CorpusFile& file, const char* name = "TK100_Dll_Set.ini")
        : path(dir.File(name)), bytes(file.bytes) {
        WriteFileBytes(path, bytes);
        Settle(path);
    }
    bool Unchanged() const { return ReadFileBytes(path) == bytes; }

    TempDir dir;
    std::string path;
    std::string bytes;
};

// One test of each kind per file of the corpus, named after the file.
class MalformedFile : public ::testing::TestWithParam<CorpusFile> {};

std::string TestName(const ::testing::TestParamInfo<CorpusFile>& info) {
    std::string name;
    for (char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, MalformedFile, ::testing::ValuesIn(TheCorpus()), TestName);

TEST(MalformedFiles, CorpusHoldsThemAll) {
    EXPECT_GE(TheCorpus().size(), 30u);
    int notAnsi = 0;
    for (const CorpusFile& file : TheCorpus()) notAnsi += file.reading == Reading::kNotAnsi;
    EXPECT_EQ(notAnsi, static_cast<int>(std::size(kNotAnsiFiles)));
}

// (1) The settings store answers every key the program reads as the API does.
TEST_P(MalformedFile, StoreReadsEveryKeyAsTheApi) {
    const CorpusFile& file = GetParam();
    {
        const FileCopy copy(file);
        tk::ProfileBatch batch(copy.path);
        tk::Win32Profile api(copy.path);
        if (file.reading != Reading::kAsTheApi) {
            EXPECT_FALSE(batch.Loaded()) << file.why;
            EXPECT_EQ(tk::ReadScreenCount(batch), 0) << file.why;
            return;
        }
        EXPECT_TRUE(batch.Loaded());
        std::vector<Mismatch> mismatches;
        for (const char* key : kGlobalKeys) CompareKey(batch, api, "CONT", key, mismatches);
        for (const std::string& section : SettingsSections())
            for (const char* key : tk_test::kScreenKeys)
                CompareKey(batch, api, section, key, mismatches);
        for (const std::string& section : ExchangeSections())
            for (const char* key : kExchangeKeys) CompareKey(batch, api, section, key, mismatches);
        EXPECT_TRUE(mismatches.empty()) << Describe(mismatches);
        EXPECT_TRUE(copy.Unchanged());
    }
}

// The roster the API's values give.
tk::ScreenRoster RosterThroughTheApi(const std::string& path) {
    tk::Win32Profile api(path);
    tk::ScreenRoster roster;
    tk::LoadRoster(api, roster);
    return roster;
}

void ExpectSameRoster(const tk::ScreenRoster& actual, const tk::ScreenRoster& expected) {
    ASSERT_EQ(actual.count, expected.count);
    for (int i = 0; i < expected.count; ++i) {
        EXPECT_EQ(actual.entries[i].number, expected.entries[i].number) << i;
        EXPECT_EQ(actual.entries[i].network, expected.entries[i].network) << i;
        EXPECT_STREQ(actual.entries[i].address, expected.entries[i].address) << i;
    }
}

// The texts of one list control, read back from the control.
std::vector<ScreenRow> ListRows(HWND list) {
    std::vector<ScreenRow> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        ScreenRow row;
        for (size_t column = 0; column < row.size(); ++column) {
            std::vector<char> text(4096, '\0');
            LVITEMA item = {};
            item.iSubItem = static_cast<int>(column);
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(text.size());
            ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(&item));
            row[column] = text.data();
        }
        rows.push_back(row);
    }
    return rows;
}

// The rows the list window shows for a settings file, from the API's values through the
// settings read conversion: ScreenCount of them, at most 300 (the program's decision: the
// roster holds 300 screens, and the list keeps in step with it; screencount-301.ini,
// screencount-huge.ini and others meet the cap).
std::vector<ScreenRow> SettingsRowsThroughTheApi(const std::string& path) {
    tk::Win32Profile api(path);
    const int count = std::min(tk::ReadScreenCount(api), tk::kMaxScreens);
    std::vector<ScreenRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(tk::ReadSettingsRow(tk::ReadScreenSection(api, i)));
    return rows;
}

// (2) The main window loads its roster as the API reads the file; the settings button's list
// window shows the API's rows; the roster after it closes is the same; and opening, cancelling
// and closing leave the file's bytes as they were.
TEST_P(MalformedFile, MainWindowRosterAndListAsTheApiAndFileUntouched) {
    const CorpusFile& file = GetParam();
    {
        BoxRecorder boxes;
        tk_test::MainWindow w(file.bytes);
        ASSERT_TRUE(w.created);
        Settle(w.settingsPath);
        const tk::ScreenRoster expected = RosterThroughTheApi(w.settingsPath);
        {
            SCOPED_TRACE("at start-up");
            ExpectSameRoster(w.dialog->Roster(), expected);
        }
        std::vector<ScreenRow> shown;
        const bool opened = tk_test::WithListWindow(w, [&](HWND list) {
            shown = ListRows(::GetDlgItem(list, IDC_LIST_SCREENS));
            ::PostMessageA(list, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_TRUE(opened);
        if (file.reading != Reading::kAsTheApi) {
            EXPECT_TRUE(shown.empty()) << file.why;
        } else {
            EXPECT_EQ(shown, SettingsRowsThroughTheApi(w.settingsPath));
        }
        {
            SCOPED_TRACE("after the list window");
            ExpectSameRoster(w.dialog->Roster(), expected);
        }
        EXPECT_EQ(w.library.reloads, 1);
        w.dialog.reset();
        EXPECT_EQ(ReadFileBytes(w.settingsPath), file.bytes);
    }
}

// Answers no edit: the corpus tests only read.
class NoEditor : public tk::ui::IScreenEditor {
public:
    bool EditScreen(HWND, int, const ScreenRow*, ScreenRow&) override { return false; }
};

// The list an import leaves, from the API's values through the exchange read conversion: the
// "Screen%d" sections the file has, for ScreenCount screens, at most 300 rows; a file that
// names screens but has none of their sections leaves the list as it was. Decisions of the
// program where the API would read on: the 300-row cap (as for the settings file), and no
// more than the first 100,000 sections looked at, so that a damaged count such as
// exchange-screencount-huge-few-sections.ini's 2,000,000,000 is not walked to its end.
std::vector<ScreenRow> ImportThroughTheApi(const std::string& path,
                                           const std::vector<ScreenRow>& before) {
    std::vector<char> names(8 << 20, '\0');
    const DWORD length = ::GetPrivateProfileSectionNamesA(
        names.data(), static_cast<DWORD>(names.size()), path.c_str());
    std::set<std::string> sections;
    for (DWORD i = 0; i < length;) {
        std::string name(names.data() + i);
        i += static_cast<DWORD>(name.size()) + 1;
        for (char& c : name) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
        sections.insert(name);
    }
    tk::Win32Profile api(path);
    const int count = tk::ReadScreenCount(api);
    std::vector<ScreenRow> rows;
    for (int i = 0; i < std::min(count, 100000) && rows.size() < tk::kMaxScreens; ++i) {
        const std::string section = tk::ExchangeSectionName(i);
        std::string upper = section;
        for (char& c : upper) c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
        if (sections.count(upper) == 0) continue;
        const tk::SectionReader reader{
            [&](const char* key, int def) { return api.GetInt(section.c_str(), key, def); },
            [&](const char* key, const char* def, unsigned maxLength) {
                // Up to the NUL Wine may count in place of a character cut at the end.
                return std::string(
                    tk::GetProfileText(api, section.c_str(), key, def, maxLength + 1).c_str());
            }};
        tk::ExchangeRow screen = tk::ReadExchangeRow(reader);
        if (!screen.hasModel) screen.row[tk::kColumnModel] = "无效";
        rows.push_back(screen.row);
    }
    if (count > 0 && rows.empty()) return before;
    return rows;
}

// The message box text of a format with one path.
std::string Formatted(const char* format, const std::string& path) {
    std::vector<char> text(std::strlen(format) + path.size() + 1, '\0');
    std::snprintf(text.data(), text.size(), format, path.c_str());
    return text.data();
}

// (3) The list window opened on the file as the settings file shows the API's rows; the same
// file imported as an exchange file gives the API's rows; Cancel leaves both files as they
// were.
TEST_P(MalformedFile, ListWindowAndImportAsTheApiAndFilesUntouched) {
    const CorpusFile& file = GetParam();
    {
        BoxRecorder boxes;
        const FileCopy settings(file);
        const FileCopy exchange(file, "exchange.ini");
        NoEditor editor;
        ScriptedFiles chooser;
        chooser.openPath = exchange.path;
        SettingsFileAt settingsFile(settings.path);
        CCreateIniFile window(settingsFile.file, editor, chooser);
        ASSERT_TRUE(window.Create());
        tk_test::PumpAll();
        HWND list = ::GetDlgItem(window.Hwnd(), IDC_LIST_SCREENS);
        const std::vector<ScreenRow> opened = ListRows(list);
        if (file.reading != Reading::kAsTheApi) {
            EXPECT_TRUE(opened.empty()) << file.why;
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{Formatted(
                                         kUnreadableSettingsFormat, NotReadReason(file.reading))});
        } else {
            EXPECT_EQ(opened, SettingsRowsThroughTheApi(settings.path));
        }

        boxes.boxes.clear();
        ::SendMessageA(::GetDlgItem(window.Hwnd(), IDC_LIST_IMPORT), BM_CLICK, 0, 0);
        const std::vector<ScreenRow> imported = ListRows(list);
        if (file.reading != Reading::kAsTheApi) {
            EXPECT_EQ(imported, opened) << file.why;
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{Formatted(
                                         NotImportedFormat(file.reading), exchange.path)})
                << file.why;
        } else {
            EXPECT_EQ(imported, ImportThroughTheApi(exchange.path, opened));
        }

        ::SendMessageA(window.Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_EQ(window.EndResult(), IDCANCEL);
        EXPECT_TRUE(settings.Unchanged());
        EXPECT_TRUE(exchange.Unchanged());
    }
}

// An exchange file the import does not read is reported, and the rows the list had stay.
TEST(MalformedFiles, ImportOfAFileNotReadKeepsTheRows) {
    const std::string oneScreen =
        "[CONT]\r\nScreenCount=1\r\n[" + tk::ScreenSectionName(0) + "]\r\nCardType=4\r\n";
    int checked = 0;
    for (const CorpusFile& file : TheCorpus()) {
        if (file.reading == Reading::kAsTheApi) continue;
        SCOPED_TRACE(file.name);
        ++checked;
        BoxRecorder boxes;
        TempDir dir;
        const std::string settings = dir.File("TK100_Dll_Set.ini");
        WriteFileBytes(settings, oneScreen);
        NoEditor editor;
        ScriptedFiles chooser;
        chooser.openPath = dir.File("exchange.ini");
        WriteFileBytes(chooser.openPath, file.bytes);
        SettingsFileAt settingsFile(settings);
        CCreateIniFile window(settingsFile.file, editor, chooser);
        ASSERT_TRUE(window.Create());
        HWND list = ::GetDlgItem(window.Hwnd(), IDC_LIST_SCREENS);
        const std::vector<ScreenRow> before = ListRows(list);
        ASSERT_EQ(before.size(), 1u);
        ::SendMessageA(::GetDlgItem(window.Hwnd(), IDC_LIST_IMPORT), BM_CLICK, 0, 0);
        EXPECT_EQ(ListRows(list), before) << file.why;
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                                     Formatted(NotImportedFormat(file.reading), chooser.openPath)});
        EXPECT_EQ(ReadFileBytes(chooser.openPath), file.bytes);
    }
    EXPECT_EQ(checked, 5);
}

// Into an ASCII file behind a UTF-8 mark the store writes GBK section names without the mark,
// so that the API reads back what was written, and everything the file held.
TEST(MalformedFiles, GbkWrittenIntoAMarkedAsciiFileReadsBackThroughTheApi) {
    const auto found =
        std::find_if(TheCorpus().begin(), TheCorpus().end(),
                     [](const CorpusFile& f) { return f.name == "utf8-bom-ascii-names.ini"; });
    ASSERT_NE(found, TheCorpus().end());
    const FileCopy copy(*found);
    tk::Win32Profile api(copy.path);
    const std::string ipBefore = tk::GetProfileText(api, "Screen1", "sNetAdderrs", "", 100);
    ASSERT_EQ(ipBefore, "127.0.0.2");
    {
        tk::ProfileBatch batch(copy.path);
        ASSERT_TRUE(batch.Loaded());
        EXPECT_TRUE(tk::SaveSettingsRows(copy.path, {tk::ReadSettingsScreen(batch, 0)}));
    }
    EXPECT_EQ(ReadFileBytes(copy.path)->rfind("\xEF\xBB\xBF", 0), std::string::npos);
    EXPECT_EQ(tk::ReadScreenCount(api), 1);
    EXPECT_EQ(api.GetInt(tk::ScreenSectionName(0).c_str(), "CardType", -1), 21);
    EXPECT_EQ(tk::GetProfileText(api, "Screen1", "sNetAdderrs", "", 100), ipBefore);
    EXPECT_EQ(api.GetInt("CONT", "nSel", -1), 3);
}

// A path of any length is named whole in the import's message: a cut one would name another
// file.
TEST(MalformedFiles, ImportMessageNamesALongPathWhole) {
    BoxRecorder boxes;
    TempDir dir;
    NoEditor editor;
    ScriptedFiles chooser;
    chooser.openPath =
        dir.Path() + "\\" + std::string(1500, 'a') + "\\" + std::string(1200, 'b') + ".ini";
    SettingsFileAt settings(dir.File("TK100_Dll_Set.ini"));
    CCreateIniFile window(settings.file, editor, chooser);
    ASSERT_TRUE(window.Create());
    ::SendMessageA(::GetDlgItem(window.Hwnd(), IDC_LIST_IMPORT), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string& text = boxes.boxes[0].text;
    EXPECT_NE(text.find(chooser.openPath), std::string::npos) << text.size();
    EXPECT_EQ(text.rfind("导入失败：", 0), 0u);
}

// A settings file of exactly 1 MiB is read; one byte more is refused by its size.
TEST(MalformedFiles, AFileOfTheSizeLimitIsReadAndOneByteMoreIsNot) {
    const struct {
        size_t size;
        tk::FileFailure::Kind load;
        int screenCount;
    } cases[] = {{1048576, tk::FileFailure::Kind::kNone, 1},
                 {1048577, tk::FileFailure::Kind::kTooLarge, 0}};
    const std::string head = "[CONT]\r\nScreenCount=1\r\n;";
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = dir.File("TK100_Dll_Set.ini");
        WriteFileBytes(path, head + std::string(c.size - head.size(), 'x'));
        tk::ProfileBatch batch(path);
        EXPECT_EQ(batch.Failure().kind, c.load);
        EXPECT_EQ(tk::ReadScreenCount(batch), c.screenCount);
    }
}

// The reason a failure message gives is the system's whole text for the error.
TEST(MalformedFiles, ErrorTextIsTheSystemsWholeMessage) {
    ::SetLastError(ERROR_SHARING_VIOLATION);
    const std::string text = tk::LastErrorText();
    EXPECT_EQ(text.rfind("error 32: ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("error 32: ").size()) << text;
    EXPECT_NE(text.back(), '\n');
}

}  // namespace
