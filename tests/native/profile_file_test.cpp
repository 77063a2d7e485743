#include "core/store/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include "core/base/gbk.h"
#include "tests/native/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using ProfileFileTest = tk::test::SettingsDirTest;

TEST_F(ProfileFileTest, IntegersReadAsTheProfileApiDoes) {
    const struct {
        const char* value;  // nullptr: key absent
        int expected;
    } cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"", 77},
        {nullptr, 77},
        {"-5", -5},
        {"  7", 7},
        {"+3", 3},
        {"0x10", 16},
        {"0b101", 5},
        {"0o17", 15},
        // Upper-case prefixes are no prefixes.
        {"0X10", 0},
        {"0B1", 0},
        {"0O7", 0},
        {"010", 10},
        {"\"42\"", 42},
        {"0x", 0},
        {"4294967295", -1},
        {"2147483648", -2147483647 - 1},
        {"1 2", 1},
        // Quotes around nothing leave nothing: the default, not the two quote characters.
        {"\"\"", 77},
        {"''", 77},
        {"\"", 0},
    };
    for (const auto& c : cases) {
        WriteFile(c.value ? std::string("[CONT]\r\nTimer=") + c.value + "\r\n" : "[CONT]\r\n");
        EXPECT_EQ(tk::PortableProfile(m_path).GetInt("CONT", "Timer", 77), c.expected)
            << (c.value ? c.value : "(absent)");
    }
    fs::remove(m_path);
    tk::PortableProfile missing(m_path);
    EXPECT_EQ(missing.GetInt("CONT", "nSel", 2), 2);
    EXPECT_EQ(tk::GetProfileText(missing, "CONT", "x", "def", 100), "def");
}

// Every case is read through both the single-call store and a batch.
TEST_F(ProfileFileTest, StringsTrimmedUnquotedTruncatedAndMatched) {
    const struct {
        const char* file;
        const char* section;
        const char* key;
        const char* def;
        unsigned size;
        const char* expected;
    } cases[] = {
        {"[S]\r\nk=  hello  \r\n", "S", "k", "", 100, "hello"},
        {"[S]\nk = spaced\n", "S", "k", "", 100, "spaced"},
        {"[S]\r\nk=\"quoted\"\r\n", "S", "k", "", 100, "quoted"},
        {"[S]\r\nk='single'\r\n", "S", "k", "", 100, "single"},
        {"[S]\r\nk=\"open\r\n", "S", "k", "", 100, "\"open"},
        {"[S]\r\nk=\"\"\r\n", "S", "k", "def", 100, ""},
        {"[S]\r\nk=''\r\n", "S", "k", "def", 100, ""},
        {"[S]\r\nk=\"\r\n", "S", "k", "def", 100, "\""},
        {"[S]\r\nk='\"\r\n", "S", "k", "", 100, "'\""},
        {"[S]\r\nk=\"5\"x\r\n", "S", "k", "", 100, "\"5\"x"},
        {"[S]\r\nk=abcdef\r\n", "S", "k", "", 4, "abc"},
        // Truncation never splits a double-byte character.
        {"[S]\r\nk=\xB5\xD8\xD6\xB7\r\n", "S", "k", "", 4, "\xB5\xD8"},
        // A lead byte that starts no character reads, with the byte after it, as one '?'.
        {"[S]\r\nk=1\xB5\r\n", "S", "k", "", 100, "1?"},
        {"[S]\r\nk=1\xB5 \r\n", "S", "k", "", 100, "1?"},
        {"[S]\r\nk=50\xB5"
         "05\r\n",
         "S", "k", "", 100, "50?5"},
        {"[S]\r\nk=\x81\x7F"
         "1\r\n",
         "S", "k", "", 100, "?1"},
        {"[S]\r\nk=\xB5\t0\r\n", "S", "k", "", 100, "?0"},
        {"[S]\r\nk=a\xB5", "S", "k", "", 100, "a?"},
        {"[S]\r\nk=\xFF"
         "1\x80\r\n",
         "S", "k", "", 100,
         "\xFF"
         "1\x80"},
        {"[S]\r\n", "S", "k", "def  ", 100, "def"},
        {"[S]\r\n", "S", "k", nullptr, 100, ""},
        {"[S]\r\nk=\r\n", "S", "k", "def", 100, ""},
        // A key line without '=' has no value: the default is read.
        {"[S]\r\nk\r\n", "S", "k", "def", 100, "def"},
        {"[cont]\r\nscreencount=3\r\n", "CONT", "ScreenCount", "", 100, "3"},
        {"[S]\r\nk=1\r\n", " S ", " k ", "", 100, "1"},
        // Only the first section of a name is searched, and the first key in it.
        {"[A]\r\nx=1\r\n[A]\r\ny=2\r\n", "A", "y", "none", 100, "none"},
        {"[A]\r\nx=1\r\nx=2\r\n", "A", "x", "", 100, "1"},
        {"\xEF\xBB\xBF[CONT]\r\nTimer=5\r\n", "CONT", "Timer", "", 100, "5"},
        // GBK names: the second byte of a character is not case-folded...
        {"[\x81\x41]\r\nk=upper\r\n", "\x81\x61", "k", "none", 100, "none"},
        {"[\x81\x41]\r\nk=upper\r\n", "\x81\x41", "k", "none", 100, "upper"},
        {"[S]\r\n\x81\x41=upper\r\n", "S", "\x81\x61", "none", 100, "none"},
        // ...and is not taken for ']'.
        {"[\x81\x5D]\r\nk=bracket\r\n", "\x81\x5D", "k", "", 100, "bracket"},
        // A lone CR ends a line, as CRLF and LF do.
        {"[S]\rk=1\rj=2\r", "S", "j", "", 100, "2"},
        {"[S]\rk=1\rj=2", "S", "k", "", 100, "1"},
        {"[A]\rx=1\r[S]\rk=3", "S", "k", "", 100, "3"},
        {"[S]\n\rk=4\n\r", "S", "k", "", 100, "4"},
        {"[S]\r\r\nk=5\r\r\n", "S", "k", "", 100, "5"},
        // Blanks inside a header's brackets are not part of its name; blanks between words are.
        {"[ S ]\r\nk=1\r\n", "S", "k", "none", 100, "1"},
        {"[\tS\t]\r\nk=1\r\n", "S", "k", "none", 100, "1"},
        {"[ \xB5\xD8\xD6\xB7 ]\r\nk=1\r\n", "\xB5\xD8\xD6\xB7", "k", "none", 100, "1"},
        {"[S T]\r\nk=1\r\n", "ST", "k", "none", 100, "none"},
        {"[S T]\r\nk=1\r\n", "S T", "k", "none", 100, "1"},
        // The name ends at the last ']'; what follows it is ignored.
        {"[S] note\r\nk=1\r\n", "S", "k", "none", 100, "1"},
        {"[S]]\r\nk=1\r\n", "S", "k", "none", 100, "none"},
        {"[S\r\nk=1\r\n", "S", "k", "none", 100, "none"},
    };
    for (const auto& c : cases) {
        WriteFile(c.file);
        tk::PortableProfile single(m_path);
        tk::ProfileBatch batch(m_path);
        for (tk::IProfile* profile :
             {static_cast<tk::IProfile*>(&single), static_cast<tk::IProfile*>(&batch)}) {
            char buf[128];
            const unsigned n = profile->GetString(c.section, c.key, c.def, buf, c.size);
            EXPECT_EQ(std::string(buf), c.expected) << c.file;
            EXPECT_EQ(n, std::strlen(c.expected)) << c.file;
        }
    }
}

// A NUL byte ends a value; the line goes on to its line end.
TEST_F(ProfileFileTest, NulByteEndsTheValue) {
    using namespace std::string_literals;
    WriteFile(
        "[S]\r\nk=1\0junk\r\nn=12\0"
        "3\r\nq=\"a\0\"\r\nnext=2\r\n"s);
    tk::ProfileBatch batch(m_path);
    char buf[32];
    EXPECT_EQ(batch.GetString("S", "k", "", buf, sizeof buf), 1u);
    EXPECT_STREQ(buf, "1");
    EXPECT_EQ(tk::GetProfileText(batch, "S", "k", "", 100), "1");
    EXPECT_EQ(tk::GetProfileText(batch, "S", "q", "", 100), "\"a");
    EXPECT_EQ(batch.GetInt("S", "n", -1), 12);
    EXPECT_EQ(batch.GetInt("S", "next", -1), 2);
}

// Behind a UTF-8 byte-order mark, text beyond ASCII means UTF-8 to the profile API: such a
// file is neither read nor written. ASCII text reads as usual, and the mark is dropped once
// GBK text is written into the file.
TEST_F(ProfileFileTest, Utf8MarkedFileReadOnlyWhileAscii) {
    const std::string gbk =
        "\xEF\xBB\xBF[\xB5\xD8\xD6\xB7\xA3\xBA"
        "0]\r\nk=1\r\n";
    const std::string utf8 = "\xEF\xBB\xBF[CONT]\r\nk=\xE5\x9C\xB0\r\n";
    for (const std::string& file : {gbk, utf8}) {
        WriteFile(file);
        tk::ProfileBatch batch(m_path);
        EXPECT_FALSE(batch.Loaded());
        EXPECT_EQ(tk::GetProfileText(batch, "CONT", "k", "def", 100), "def");
        EXPECT_TRUE(batch.WriteString("CONT", "k", "2"));
        EXPECT_FALSE(batch.Commit());
        EXPECT_EQ(ReadFile(), file);
    }

    const std::string ascii = "\xEF\xBB\xBF[CONT]\r\nScreenCount=1\r\n";
    WriteFile(ascii);
    {
        tk::ProfileBatch batch(m_path);
        ASSERT_TRUE(batch.Loaded());
        EXPECT_EQ(batch.GetInt("CONT", "ScreenCount", -1), 1);
        EXPECT_TRUE(batch.WriteString("CONT", "ScreenCount", "2"));
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(ReadFile(), "\xEF\xBB\xBF[CONT]\r\nScreenCount=2\r\n");
    {
        tk::ProfileBatch batch(m_path);
        EXPECT_TRUE(
            batch.WriteString("\xB5\xD8\xD6\xB7\xA3\xBA"
                              "0",
                              "k", "1"));
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(ReadFile(),
              "[CONT]\r\nScreenCount=2\r\n[\xB5\xD8\xD6\xB7\xA3\xBA"
              "0]\r\nk=1\r\n");
    EXPECT_TRUE(tk::ProfileBatch(m_path).Loaded());
}

TEST_F(ProfileFileTest, WritesEditOnlyWhatTheyMust) {
    const struct {
        const char* before;  // nullptr: no file
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    } cases[] = {
        {nullptr, "CONT", "ScreenCount", "2", "[CONT]\r\nScreenCount=2\r\n"},
        // Other lines keep their bytes; the edited line keeps its line end.
        {"; note\n[CONT]\nTimer = 5\n\n[X]\na=1\n", "CONT", "Timer", "7",
         "; note\n[CONT]\nTimer=7\n\n[X]\na=1\n"},
        // A new key goes to the end of its section, before the blank line.
        {"[CONT]\r\nnSel=1\r\n\r\n[X]\r\na=1\r\n", "CONT", "Timer", "9",
         "[CONT]\r\nnSel=1\r\nTimer=9\r\n\r\n[X]\r\na=1\r\n"},
        {"[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "a", "z", "3", "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n"},
        // A new section goes to the end of the file, after a line end if the last line lacks one.
        {"[A]\r\nx=1", "B", "y", "2", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        // So does a new key in the last section (a file saved by Notepad).
        {"[CONT]\r\nTimer=5", "CONT", "ScreenCount", "1", "[CONT]\r\nTimer=5\r\nScreenCount=1\r\n"},
        // The key keeps the case it has in the file.
        {"[cont]\r\nscreencount=1\r\n", "CONT", "ScreenCount", "2", "[cont]\r\nscreencount=2\r\n"},
        {"[S]\r\nk\r\n", "S", "k", "v", "[S]\r\nk=v\r\n"},
        // Blanks around a value are not stored.
        {nullptr, "S", "k", "  v ", "[S]\r\nk=v\r\n"},
        // The first section of a name and the first key in it are written, as they are read.
        {"[A]\r\nx=1\r\n[A]\r\ny=2\r\n", "A", "y", "3", "[A]\r\nx=1\r\ny=3\r\n[A]\r\ny=2\r\n"},
        {"[A]\r\nx=1\r\nx=2\r\n", "a", "X", "3", "[A]\r\nx=3\r\nx=2\r\n"},
        {"[\x81\x41]\r\nk=1\r\n", "\x81\x61", "k", "2",
         "[\x81\x41]\r\nk=1\r\n[\x81\x61]\r\nk=2\r\n"},
        // CR-only line ends: the section is found, the edited line keeps its CR.
        {"[CONT]\rScreenCount=5\rnSel=3\r", "CONT", "ScreenCount", "7",
         "[CONT]\rScreenCount=7\rnSel=3\r"},
        {"[CONT]\rScreenCount=5\rnSel=3\r", "CONT", "Timer", "7",
         "[CONT]\rScreenCount=5\rnSel=3\rTimer=7\r\n"},
        {"[CONT]\rnSel=3", "X", "k", "1", "[CONT]\rnSel=3\r\n[X]\r\nk=1\r\n"},
        // A header with blanks inside its brackets is found and kept as it is.
        {"[ CONT ]\r\nnSel=3\r\n", "CONT", "nSel", "4", "[ CONT ]\r\nnSel=4\r\n"},
        {"[ CONT ]\r\nnSel=3\r\n", "CONT", "Timer", "4", "[ CONT ]\r\nnSel=3\r\nTimer=4\r\n"},
        // A section of blank lines only: the key goes right under the header.
        {"[CONT]\r\n\r\n\r\n", "CONT", "k", "1", "[CONT]\r\nk=1\r\n\r\n\r\n"},
        // Lines before the first section stay before it.
        {"; top", "CONT", "k", "1", "; top\r\n[CONT]\r\nk=1\r\n"},
    };
    for (const auto& c : cases) {
        fs::remove(m_path);
        if (c.before) WriteFile(c.before);
        EXPECT_TRUE(tk::PortableProfile(m_path).WriteString(c.section, c.key, c.value));
        EXPECT_EQ(ReadFile(), c.after) << (c.before ? c.before : "(no file)");
    }
}

// A write whose lines would read back as other lines is refused and leaves the file as it was:
// a line break would split the line, a lone GBK lead byte at the end of a section name takes
// the closing bracket for its trail byte, and a key with '=' or in brackets reads as another
// key or as a header. Near misses are still written.
TEST_F(ProfileFileTest, WritesThatWouldReadBackAsSomethingElseAreRefused) {
    const std::string before = "[CONT]\r\nScreenCount=1\r\n";
    const struct {
        const char* section;
        const char* key;
        const char* value;
        bool written;
    } cases[] = {
        {"CONT", "ScreenCount", "3\r\n[CONT]\r\nScreenCount=9", false},
        {"CONT", "nSel", "1\n2", false},
        {"CONT", "nSel", "1\r2", false},
        {"CONT", "n\nSel", "1", false},
        {"CO\rNT", "nSel", "1", false},
        {"CONT\x81", "nSel", "1", false},
        {"CONT", "a=b", "1", false},
        {"CONT", "[x]", "1", false},
        {"CONT", "[x", "1", true},
        {"CONT", "x]", "1", true},
        {"a]b", "k", "1", true},
        {"地址：0", "k", "\x81", true},
        {"CONT", "nSel", "=1=", true},
    };
    for (const auto& c : cases) {
        WriteFile(before);
        tk::ProfileBatch batch(m_path);
        EXPECT_EQ(batch.WriteString(c.section, c.key, c.value), c.written) << c.key << c.value;
        EXPECT_TRUE(batch.Commit());
        if (c.written) {
            tk::ProfileBatch reread(m_path);
            char buf[64];
            reread.GetString(c.section, c.key, "(missing)", buf, sizeof buf);
            // A lone lead byte in a value is stored as given and reads as '?', as through the
            // profile API.
            EXPECT_EQ(std::string(buf), tk::WithBrokenGbkMarked(c.value))
                << c.section << " " << c.key;
        } else {
            EXPECT_EQ(ReadFile(), before) << c.key << c.value;
        }
    }
}

// Writes and reads mixed in one batch: an added key, a new section and a second section of the
// same name must not throw the lookups of later calls off.
TEST_F(ProfileFileTest, BatchLookupsFollowItsOwnEdits) {
    WriteFile("[A]\r\na1=1\r\n\r\n[B]\r\nb1=2\r\n[a]\r\nshadow=9\r\n");
    tk::ProfileBatch batch(m_path);
    ASSERT_TRUE(batch.WriteString("A", "a2", "3"));
    EXPECT_EQ(batch.GetInt("B", "b1", -1), 2);
    EXPECT_EQ(batch.GetInt("A", "a2", -1), 3);
    EXPECT_EQ(batch.GetInt("A", "a1", -1), 1);
    ASSERT_TRUE(batch.WriteString("C", "c1", "4"));
    ASSERT_TRUE(batch.WriteString("A", "a3", "5"));
    ASSERT_TRUE(batch.WriteString("c", "C1", "6"));
    ASSERT_TRUE(batch.WriteString("B", "b1", "7"));
    EXPECT_EQ(batch.GetInt("C", "c1", -1), 6);
    EXPECT_EQ(batch.GetInt("A", "a3", -1), 5);
    EXPECT_EQ(batch.GetInt("A", "shadow", -1), -1);
    EXPECT_EQ(batch.GetInt("B", "b1", -1), 7);
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(
        ReadFile(),
        "[A]\r\na1=1\r\na2=3\r\na3=5\r\n\r\n[B]\r\nb1=7\r\n[a]\r\nshadow=9\r\n[C]\r\nc1=6\r\n");
}

TEST_F(ProfileFileTest, UnchangedValueDoesNotRewriteTheFile) {
    WriteFile("[CONT]\nTimer=5\n");
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(m_path.c_str(), &before), 0);
    EXPECT_TRUE(tk::PortableProfile(m_path).WriteString("CONT", "Timer", "5"));
    ASSERT_EQ(::stat(m_path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

// A batch leaves the same bytes as the same writes made one by one, and nothing before Commit.
TEST_F(ProfileFileTest, BatchMatchesSingleWrites) {
    const std::string start =
        "; kept\r\n[CONT]\r\nScreenCount=1\r\nnSel=2\r\n\r\n[Other]\r\nk=v\r\n";
    auto apply = [](tk::IProfile& p) {
        p.WriteString("CONT", "ScreenCount", "3");
        for (int i = 0; i < 3; ++i) {
            const std::string section = "\xB5\xD8\xD6\xB7\xA3\xBA" + std::to_string(i);
            p.WriteString(section.c_str(), "CardType", "21");
            p.WriteString(section.c_str(), "IpAddress0", "127");
        }
        p.WriteString("CONT", "Timer", "5");
        p.WriteString("other", "K", "w");
        p.WriteString("CONT", "ScreenCount", "2");
    };
    WriteFile(start);
    tk::PortableProfile single(m_path);
    apply(single);
    const std::string expected = ReadFile();

    WriteFile(start);
    tk::ProfileBatch batch(m_path);
    apply(batch);
    EXPECT_EQ(batch.GetInt("CONT", "ScreenCount", 0), 2);
    EXPECT_EQ(ReadFile(), start);
    ASSERT_TRUE(batch.Commit());
    EXPECT_EQ(ReadFile(), expected);
    EXPECT_NE(expected.find("[Other]\r\nk=w\r\n"), std::string::npos);

    fs::remove(m_path);
    tk::ProfileBatch unchanged(m_path);
    EXPECT_TRUE(unchanged.Commit());
    EXPECT_FALSE(fs::exists(m_path));
}

// A file that exists but cannot be read is not replaced by edits made on an empty stand-in;
// a missing file or folder reads as empty, as for the profile API.
TEST_F(ProfileFileTest, BatchThatCouldNotReadTheFileRefusesToCommit) {
    fs::create_directory(m_path);  // opens, but does not read
    tk::ProfileBatch unreadable(m_path);
    EXPECT_FALSE(unreadable.Loaded());
    EXPECT_EQ(tk::GetProfileText(unreadable, "CONT", "Timer", "def", 10), "def");
    EXPECT_TRUE(unreadable.WriteString("CONT", "Timer", "5"));
    EXPECT_FALSE(unreadable.Commit());
    EXPECT_TRUE(fs::is_directory(m_path));

    // A UTF-16 file, as an editor saves "Unicode", is left for the profile API alone.
    for (const std::string bom : {"\xFF\xFE", "\xFE\xFF"}) {
        fs::remove_all(m_path);
        const std::string utf16 = bom + std::string("[\0C\0]\0\r\0\n\0k\0=\0001\0\r\0\n\0", 20);
        WriteFile(utf16);
        tk::ProfileBatch batch(m_path);
        EXPECT_FALSE(batch.Loaded());
        EXPECT_TRUE(batch.WriteString("C", "k", "2"));
        EXPECT_FALSE(batch.Commit());
        EXPECT_EQ(ReadFile(), utf16);
    }

    EXPECT_TRUE(tk::ProfileBatch(m_dir + "/absent.ini").Loaded());
    EXPECT_TRUE(tk::ProfileBatch(m_dir + "/absent/x.ini").Loaded());
}

TEST_F(ProfileFileTest, WriteIntoMissingFolderFailsAndCreatesNothing) {
    EXPECT_FALSE(tk::PortableProfile(m_dir + "/missing/x.ini").WriteString("CONT", "Timer", "5"));
    EXPECT_FALSE(fs::exists(m_dir + "/missing"));
}

// A disk that fills up half way through a save must leave the old file whole.
TEST_F(ProfileFileTest, FullDiskLeavesTheOldFileWhole) {
    const std::string original = "[CONT]\r\nScreenCount=0\r\n";
    WriteFile(original);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            64, 64
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        tk::ProfileBatch batch(m_path);
        for (int i = 0; i < 50; ++i)
            batch.WriteString(("S" + std::to_string(i)).c_str(), "Key", "a long enough value");
        // The reason stays for the caller to report.
        ::_exit(batch.Commit() ? 1 : errno == EFBIG ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 1) << "commit reported success on a full disk";
    EXPECT_NE(WEXITSTATUS(status), 2) << "the reason for the failure was lost";
    EXPECT_EQ(ReadFile(), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

TEST_F(ProfileFileTest, ReplaceKeepsPermissions) {
    WriteFile("[A]\r\n");
    ASSERT_EQ(::chmod(m_path.c_str(), 0640), 0);
    ASSERT_TRUE(tk::PortableProfile(m_path).WriteString("A", "k", "v"));
    struct stat st {};
    ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
