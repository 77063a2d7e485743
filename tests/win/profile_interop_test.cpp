#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/profile_file.h"
#include "core/win32_profile.h"
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

void ExpectSameReads(const std::string& path, const std::vector<Read>& reads) {
    tk::Win32Profile api(path);
    tk::PortableProfile portable(path);
    for (const auto& r : reads) {
        char a[128] = {}, b[128] = {};
        const unsigned na = api.GetString(r.section, r.key, r.def, a, r.size);
        const unsigned nb = portable.GetString(r.section, r.key, r.def, b, r.size);
        EXPECT_EQ(std::string(b), std::string(a))
            << r.section << "/" << r.key << " size " << r.size;
        EXPECT_EQ(nb, na) << r.section << "/" << r.key;
        EXPECT_EQ(portable.GetInt(r.section, r.key, -99), api.GetInt(r.section, r.key, -99))
            << r.section << "/" << r.key;
    }
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

TEST_F(ProfileInteropTest, WriteIntoMissingFolderFailsForBoth) {
    const std::string path = File("missing\\x.ini");
    EXPECT_FALSE(tk::Win32Profile(path).WriteString("CONT", "Timer", "1"));
    EXPECT_FALSE(tk::PortableProfile(path).WriteString("CONT", "Timer", "1"));
    EXPECT_EQ(GetFileAttributesA(File("missing").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
