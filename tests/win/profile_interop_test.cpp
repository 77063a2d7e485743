#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/store/profile_file.h"
#include "core/screens/roster.h"
#include "core/store/settings.h"
#include "core/store/win32_profile_win.h"
#include "tests/win/screen_settings_sample.h"
#include "tests/win/win_test_util.h"

// The portable profile store against the real profile API: the same writes give the same
// bytes, and every file reads the same through both.
namespace {

const char kAddr[] = "\xB5\xD8\xD6\xB7\xA3\xBA";  // "地址：" in GBK

class ProfileInteropTest : public ::testing::Test {
protected:
    std::string File(const char* name) const { return m_dir.File(name); }
    static std::string Bytes(const std::string& path) {
        return tk_test::ReadFileBytes(path).value_or("");
    }

    tk_test::TempDir m_dir;
};

// What the tool writes: the globals, then screens key by key, then edits of earlier sections.
void ToolLikeWrites(tk::IProfile& p) {
    p.WriteString("CONT", "ScreenCount", "3");
    const char* keys[] = {"CardType",    "CardAddress", "CommunicationMode", "ScreemHeight",
                          "ScreemWidth", "SerialBaud",  "SerialNum",         "NetPort",
                          "IpAddress0",  "IpAddress1",  "IpAddress2",        "IpAddress3",
                          "ColorStyle"};
    for (int i = 0; i < 3; ++i) {
        const std::string section = kAddr + std::to_string(i);
        int k = 0;
        for (const char* key : keys)
            p.WriteString(section.c_str(), key, std::to_string(i * 100 + k++).c_str());
    }
    p.WriteString("CONT", "nSel", "1");
    p.WriteString("CONT", "Timer", "25");
    p.WriteString("cont", "timer", "30");
    p.WriteString((std::string(kAddr) + "1").c_str(), "NetPort", "5005");
    p.WriteString((std::string(kAddr) + "0").c_str(), "Extra", "  padded value ");
    p.WriteString("CONT", "ScreenCount", "2");
    p.WriteString("CONT", "bStart", "1");
    p.WriteString("CONT", "bStart", "1");
}

TEST_F(ProfileInteropTest, SameWritesGiveSameBytes) {
    const std::string viaApi = File("api.ini"), viaSingle = File("single.ini"),
                      viaBatch = File("batch.ini");
    tk::Win32Profile api(viaApi);
    ToolLikeWrites(api);
    tk::PortableProfile single(viaSingle);
    ToolLikeWrites(single);
    {
        tk::ProfileBatch batch(viaBatch);
        ToolLikeWrites(batch);
        ASSERT_TRUE(batch.Commit());
    }
    const std::string expected = Bytes(viaApi);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Bytes(viaSingle), expected);
    EXPECT_EQ(Bytes(viaBatch), expected);

    // Editing a file the API wrote gives the same bytes again.
    tk::Win32Profile(viaApi).WriteString("CONT", "Timer", "7");
    tk::PortableProfile(viaSingle).WriteString("CONT", "Timer", "7");
    EXPECT_EQ(Bytes(viaSingle), Bytes(viaApi));
}

struct Read {
    const char* section;
    const char* key;
    const char* def;
    unsigned size;
};

// Every read gives the same text, length and integer through the API on apiPath and through
// both portable readers on ownPath (the same file unless a test compares two).
void ExpectSameReads(const std::string& apiPath, const std::string& ownPath,
                     const std::vector<Read>& reads) {
    tk::Win32Profile api(apiPath);
    tk::PortableProfile single(ownPath);
    tk::ProfileBatch batch(ownPath);
    for (tk::IProfile* own :
         {static_cast<tk::IProfile*>(&single), static_cast<tk::IProfile*>(&batch)}) {
        for (const auto& r : reads) {
            char a[128] = {}, b[128] = {};
            const unsigned na = api.GetString(r.section, r.key, r.def, a, r.size);
            const unsigned nb = own->GetString(r.section, r.key, r.def, b, r.size);
            EXPECT_EQ(std::string(b), std::string(a))
                << r.section << "/" << r.key << " size " << r.size;
            EXPECT_EQ(nb, na) << r.section << "/" << r.key;
            EXPECT_EQ(own->GetInt(r.section, r.key, -99), api.GetInt(r.section, r.key, -99))
                << r.section << "/" << r.key;
        }
    }
}

void ExpectSameReads(const std::string& path, const std::vector<Read>& reads) {
    ExpectSameReads(path, path, reads);
}

TEST_F(ProfileInteropTest, HandMadeFileReadsTheSame) {
    const std::string path = File("hand.ini");
    tk_test::WriteFileBytes(path,
                            "; written by hand\n"
                            "[CONT]\n"
                            "ScreenCount = 12abc\n"
                            "nSel=abc\n"
                            "Timer=\n"
                            "bStart=  -5  \n"
                            "Hex=0x10\n"
                            "Quoted=\"quoted value\"\n"
                            "Single='x'\n"
                            "Long=abcdefghijklmnopqrstuvwxyz\n"
                            "Bare\n"
                            "\n"
                            "[\x81\x41]\n"
                            "k=upper\n"
                            "[\xB5\xD8\xD6\xB7\xA3\xBA"
                            "0]\r\n"
                            "IpAddress0=127\r\n"
                            "Name=\xB5\xD8\xD6\xB7\r\n");
    const std::string s0 = std::string(kAddr) + "0";
    ExpectSameReads(path, {{"CONT", "ScreenCount", "", 100},
                           {"CONT", "nSel", "", 100},
                           {"CONT", "Timer", "def", 100},
                           {"CONT", "bStart", "", 100},
                           {"CONT", "Hex", "", 100},
                           {"CONT", "Quoted", "", 100},
                           {"CONT", "Single", "", 100},
                           {"cont", "TIMER", "def", 100},
                           {"CONT", "nSel", "", 1},
                           {"CONT", "Long", "", 5},
                           {"CONT", "Long", "", 27},
                           {"CONT", "Bare", "dflt", 100},
                           {"\x81\x41", "k", "none", 100},
                           {"\x81\x61", "k", "none", 100},
                           {s0.c_str(), "IpAddress0", "", 100},
                           {s0.c_str(), "Name", "", 100}});
}

// Layouts the tool's reader once got wrong: CR-only line ends, blanks inside a header's
// brackets, quotes around nothing.
TEST_F(ProfileInteropTest, UnusualLayoutsReadTheSame) {
    const std::string path = File("layout.ini");
    const std::vector<Read> reads = {
        {"CONT", "ScreenCount", "", 100}, {"CONT", "nSel", "", 100}, {"CONT", "Timer", "def", 100},
        {"CONT", "bStart", "", 100},      {"X", "a", "", 100},       {"X", "b", "def", 100}};
    const char* files[] = {
        "[CONT]\rScreenCount=5\rnSel=3\r[X]\ra=1\r",
        "[CONT]\rScreenCount=5\rnSel=3\r[X]\ra=1",
        "[CONT]\n\rScreenCount=5\n\rnSel=3\n\r[X]\r\na=1\r\r\n",
        "[ CONT ]\r\nScreenCount=5\r\n[\tX\t]\r\na=1\r\n",
        "[CONT] globals\r\nScreenCount=5\r\n[X]]\r\na=1\r\n",
        "[CONT]\r\nScreenCount=\"\"\r\nnSel=''\r\nTimer=\"\"\r\nbStart=\"\r\n[X]\r\na=\"\"1\r\nb='"
        "\"\r\n",
    };
    for (const char* file : files) {
        SCOPED_TRACE(file);
        tk_test::WriteFileBytes(path, file);
        ExpectSameReads(path, reads);
    }
}

TEST_F(ProfileInteropTest, WriteIntoMissingFolderFailsForBoth) {
    const std::string path = File("missing\\x.ini");
    EXPECT_FALSE(tk::Win32Profile(path).WriteString("CONT", "Timer", "1"));
    EXPECT_FALSE(tk::PortableProfile(path).WriteString("CONT", "Timer", "1"));
    EXPECT_EQ(GetFileAttributesA(File("missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Hand-made layouts under a write. Wine's API rewrites the whole file in its own layout (it
// drops blank lines and the blanks around '=' and inside a header's brackets, drops what
// follows a header's ']', and ends every line with CRLF); Windows edits only the lines it
// must. The store does what Windows does and keeps the operator's bytes, so here the two
// files differ in layout: what is checked is that both read back the same and that the store
// found the existing sections (no second [CONT]).
TEST_F(ProfileInteropTest, HandMadeLayoutKeptWhereTheApiUnderWineNormalisesIt) {
    const struct {
        const char* before;
        const char* after;  // what the store leaves
    } cases[] = {
        // Wine: "; note\r\n[CONT]\r\nScreenCount=2\r\nnSel=3\r\nTimer=9\r\n[X]\r\na=1\r\n"
        //       "[New]\r\nk=1\r\n"
        {"; note\n\n[CONT]\nScreenCount = 1\nnSel=3\n\n[X]\na=1\n",
         "; note\n\n[CONT]\nScreenCount=2\nnSel=3\nTimer=9\r\n\n[X]\na=1\n[New]\r\nk=1\r\n"},
        {"[CONT]\rScreenCount=1\rnSel=3\r[X]\ra=1\r",
         "[CONT]\rScreenCount=2\rnSel=3\rTimer=9\r\n[X]\ra=1\r[New]\r\nk=1\r\n"},
        {"[ CONT ]\r\nScreenCount=1\r\nnSel=3\r\n[X]\r\na=1\r\n",
         "[ CONT ]\r\nScreenCount=2\r\nnSel=3\r\nTimer=9\r\n[X]\r\na=1\r\n[New]\r\nk=1\r\n"},
        {"[CONT] ; globals\r\n\tScreenCount\t=\t1\r\nnSel=3\r\n[X]\r\na=1",
         "[CONT] ; "
         "globals\r\nScreenCount=2\r\nnSel=3\r\nTimer=9\r\n[X]\r\na=1\r\n[New]\r\nk=1\r\n"},
    };
    const std::string viaApi = File("api.ini"), viaStore = File("store.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        tk_test::WriteFileBytes(viaApi, c.before);
        tk_test::WriteFileBytes(viaStore, c.before);
        tk::Win32Profile api(viaApi);
        tk::ProfileBatch batch(viaStore);
        for (tk::IProfile* p :
             {static_cast<tk::IProfile*>(&api), static_cast<tk::IProfile*>(&batch)}) {
            p->WriteString("CONT", "ScreenCount", "2");
            p->WriteString("CONT", "Timer", "9");
            p->WriteString("New", "k", "1");
        }
        ASSERT_TRUE(batch.Commit());
        EXPECT_EQ(Bytes(viaStore), c.after);
        ExpectSameReads(viaApi, viaStore,
                        {{"CONT", "ScreenCount", "", 100},
                         {"CONT", "nSel", "", 100},
                         {"CONT", "Timer", "", 100},
                         {"X", "a", "", 100},
                         {"New", "k", "", 100}});
    }
}

// The exchange file's screen sections and keys.
std::string ExchangeSection(int row) { return "Screen" + std::to_string(row); }
const char* const kExchangeKeys[10] = {"nCtrlType",   "nCtrlAddress", "nCommType",  "nHeight",
                                       "nWidth",      "nSerialType",  "nSerialNum", "nNetPort",
                                       "sNetAdderrs", "nColorOrder"};

// The exchange file's export: ScreenCount, then the ten keys of every row in order.
void ExportRows(tk::IProfile& p, int rows, int round) {
    p.WriteString("CONT", "ScreenCount", std::to_string(rows).c_str());
    for (int i = 0; i < rows; ++i) {
        const std::string section = ExchangeSection(i);
        for (int k = 0; k < 10; ++k) {
            const std::string value = k == 8 ? "127.0.0." + std::to_string(i + 1)
                                             : std::to_string(round * 100 + i * 10 + k);
            p.WriteString(section.c_str(), kExchangeKeys[k], value.c_str());
        }
    }
}

// One save of rows through the API, call by call, and through one batch and Commit, from the
// same starting file (nullptr: no file) must leave the same bytes.
template <typename Save>
void ExpectBatchSavesLikeTheApi(const tk_test::TempDir& dir, const char* before, Save save) {
    const std::string viaApi = dir.File("api.ini"), viaBatch = dir.File("batch.ini");
    ::DeleteFileA(viaApi.c_str());
    ::DeleteFileA(viaBatch.c_str());
    if (before) {
        tk_test::WriteFileBytes(viaApi, before);
        tk_test::WriteFileBytes(viaBatch, before);
    }
    tk::Win32Profile api(viaApi);
    save(api);
    tk::ProfileBatch batch(viaBatch);
    save(batch);
    ASSERT_TRUE(batch.Commit());
    const std::string expected = tk_test::ReadFileBytes(viaApi).value_or("(no file)");
    EXPECT_EQ(tk_test::ReadFileBytes(viaBatch).value_or("(no file)"), expected);
}

// A screen section as the tool writes it, with the values of save round 0.
std::string ScreenSectionText(int row) {
    std::string text = "[" + tk::ScreenSectionName(row) + "]\r\n";
    for (int k = 0; k < 13; ++k)
        text +=
            std::string(tk_test::kScreenKeys[k]) + "=" + tk_test::ScreenValue(row, k, 0) + "\r\n";
    return text;
}

// The list window's save, on files in the layout both the API and the store keep.
TEST_F(ProfileInteropTest, ScreenListSaveGivesTheApiSequencesBytes) {
    const std::string tool =
        "; screens of the clock tool\r\n[CONT]\r\nnSel=1\r\nTimer=30\r\n"
        "bStart=1\r\nScreenCount=3\r\n" +
        ScreenSectionText(0) + ScreenSectionText(1) + ScreenSectionText(2) + "[Other]\r\nk=v\r\n";
    // Screens before [CONT], [CONT] without ScreenCount, a screen with some keys, a comment and
    // an extra key.
    const std::string odd = ScreenSectionText(1) + "[CONT]\r\nnSel=0\r\n[" +
                            tk::ScreenSectionName(0) +
                            "]\r\nCardType=5\r\n; by hand\r\nNote=x\r\n" +
                            "[cont]\r\nScreenCount=9\r\n[Last]\r\nk=v\r\n";
    // [CONT] last, its last line without a line end, as Notepad leaves it.
    const char* const unended = "[CONT]\r\nnSel=1\r\nTimer=5";
    const struct {
        const char* before;
        int rows;
        int round;
    } cases[] = {
        {nullptr, 0, 0},      {nullptr, 2, 1},      {"", 3, 1},           {tool.c_str(), 0, 1},
        {tool.c_str(), 2, 0}, {tool.c_str(), 2, 1}, {tool.c_str(), 3, 1}, {tool.c_str(), 5, 2},
        {odd.c_str(), 1, 1},  {odd.c_str(), 3, 0},  {unended, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before ? c.before : "(no file)") + " rows " +
                     std::to_string(c.rows) + " round " + std::to_string(c.round));
        ExpectBatchSavesLikeTheApi(
            m_dir, c.before, [&](tk::IProfile& p) { tk_test::SaveScreens(p, c.rows, c.round); });
    }
}

// The exchange file's export, into no file and into a file with other sections and keys.
TEST_F(ProfileInteropTest, ExchangeExportGivesTheApiSequencesBytes) {
    const std::string other =
        "[CONT]\r\nScreenCount=4\r\nOwner=x\r\n[Screen0]\r\nnCtrlType=1\r\nExtra=1\r\n"
        "[Misc]\r\na=b\r\n[Screen3]\r\nnWidth=64\r\n";
    const struct {
        const char* before;
        int rows;
    } cases[] = {{nullptr, 0}, {nullptr, 3}, {other.c_str(), 2}, {other.c_str(), 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before ? c.before : "(no file)") + " rows " +
                     std::to_string(c.rows));
        ExpectBatchSavesLikeTheApi(m_dir, c.before,
                                   [&](tk::IProfile& p) { ExportRows(p, c.rows, 1); });
    }
}

// The roster reads the same screens through one batch as through the API, hand edits included.
TEST_F(ProfileInteropTest, RosterLoadsTheSameThroughTheBatch) {
    const std::string path = File("roster.ini");
    std::string text = "[CONT]\rScreenCount= 6 \r";
    text += "[" + tk::ScreenSectionName(0) + "]\rCommunicationMode=1\rIpAddress0=127\r";
    text +=
        "[ " + tk::ScreenSectionName(1) + " ]\r\nCommunicationMode=\"1\"\r\nIpAddress3=\"\"\r\n";
    text += "[" + tk::ScreenSectionName(2) + "]\r\nCOMMUNICATIONMODE=2\r\nipaddress1=0x10\r\n";
    text += "[" + tk::ScreenSectionName(3) + "]\r\nIpAddress2=-5\r\nIpAddress2=9\r\n";
    text += "[" + tk::ScreenSectionName(4) + "]\r\nIpAddress0\r\n";
    tk_test::WriteFileBytes(path, text);
    tk::Win32Profile api(path);
    tk::ProfileBatch batch(path);
    tk::ScreenRoster viaApi, viaBatch;
    tk::LoadRoster(api, viaApi);
    tk::LoadRoster(batch, viaBatch);
    ASSERT_EQ(viaBatch.count, viaApi.count);
    EXPECT_EQ(viaBatch.count, 6);
    for (int i = 0; i < viaApi.count; ++i) {
        EXPECT_EQ(viaBatch.entries[i].number, viaApi.entries[i].number) << i;
        EXPECT_EQ(viaBatch.entries[i].network, viaApi.entries[i].network) << i;
        EXPECT_STREQ(viaBatch.entries[i].address, viaApi.entries[i].address) << i;
    }
    EXPECT_STREQ(viaBatch.entries[0].address, "127.168.1.236");
    EXPECT_EQ(viaBatch.entries[1].network, 1);
}

// A commit that cannot replace the file (another program holds it open without sharing it for
// writing; as root, Wine ignores the read-only attribute) fails and leaves the file as it was,
// with no temporary file beside it.
TEST_F(ProfileInteropTest, CommitThatCannotReplaceTheFileChangesNothing) {
    const std::string path = File("held.ini");
    const std::string before = "[CONT]\r\nScreenCount=1\r\n";
    tk_test::WriteFileBytes(path, before);
    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    tk::ProfileBatch batch(path);
    EXPECT_EQ(tk::ReadScreenCount(batch), 1);
    tk_test::SaveScreens(batch, 3, 1);
    EXPECT_FALSE(batch.Commit());
    const DWORD error = ::GetLastError();
    EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)
        << "the reason was lost: error " << error;
    ::CloseHandle(holder);
    EXPECT_EQ(Bytes(path), before);

    int files = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((m_dir.Path() + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    EXPECT_EQ(files, 1) << "a temporary file was left behind";

    // Once the other program lets go, the same batch commits.
    EXPECT_TRUE(batch.Commit());
    tk::Win32Profile api(path);
    EXPECT_EQ(tk::ReadScreenCount(api), 3);
}

// A file that another program holds without sharing it for reading reads as defaults, as
// through the API, and a batch that could not read it never writes it, even once it is free:
// the batch's edits were made on an empty stand-in and would replace the operator's file.
TEST_F(ProfileInteropTest, BatchThatCouldNotReadTheFileNeverWritesIt) {
    const std::string path = File("locked.ini");
    const std::string before = "[CONT]\r\nScreenCount=2\r\nnSel=1\r\n";
    tk_test::WriteFileBytes(path, before);
    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    tk::ProfileBatch batch(path);
    tk::Win32Profile api(path);
    EXPECT_FALSE(batch.Loaded());
    EXPECT_EQ(tk::ReadScreenCount(batch), tk::ReadScreenCount(api));
    EXPECT_EQ(tk::ReadSel(batch), 2);
    EXPECT_TRUE(tk::WriteScreenCount(batch, 0));
    ::CloseHandle(holder);
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(Bytes(path), before);
    EXPECT_TRUE(tk::ProfileBatch(path).Loaded());
    EXPECT_TRUE(tk::ProfileBatch(File("absent.ini")).Loaded());
    EXPECT_TRUE(tk::ProfileBatch(File("absent\\x.ini")).Loaded());
}

// Milliseconds since start on the performance counter.
double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// 300 screens are read (3,900 keys) and saved (ScreenCount and 3,900 keys) through one batch
// each well within the 200 ms the list window may take; the API needs seconds for either.
TEST_F(ProfileInteropTest, ThreeHundredScreensReadAndSaveQuickly) {
    const std::string path = File("300.ini");
    tk_test::WriteFileBytes(path, tk_test::ScreenSettingsFile(300));
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    {
        tk::ProfileBatch batch(path);
        // ScreenCount plus the sum of all values of round 0 (k + 16 * row, 127, 0, row / 250,
        // row % 250 + 1 and the alternating mode).
        EXPECT_EQ(tk_test::ReadScreens(batch, 300), 5823450);
    }
    const double readMs = MillisecondsSince(start);
    ::QueryPerformanceCounter(&start);
    {
        tk::ProfileBatch batch(path);
        ASSERT_TRUE(tk_test::SaveScreens(batch, 300, 1));
        ASSERT_TRUE(batch.Commit());
    }
    const double saveMs = MillisecondsSince(start);
    std::printf("300 screens through one batch: read %.1f ms, save %.1f ms\n", readMs, saveMs);
    EXPECT_LT(readMs, 200.0);
    EXPECT_LT(saveMs, 200.0);

    const std::string last = tk::ScreenSectionName(299);
    tk::Win32Profile api(path);
    EXPECT_EQ(api.GetInt(last.c_str(), "CardAddress", -1), 1000 + 299 * 16 + 1);
    EXPECT_EQ(api.GetInt(last.c_str(), "IpAddress3", -1), 50);
}

}  // namespace
