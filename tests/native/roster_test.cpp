#include "core/roster.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/profile_file.h"
#include "core/settings.h"

namespace tk {
namespace {

struct Expected {
    int number;
    int network;
    std::string address;
};

// Each test gets its own directory with a settings file path in it.
class Roster : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tk-roster-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_path = (m_dir / kSettingsFileName).string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    void WriteFile(const std::string& bytes) { std::ofstream(m_path, std::ios::binary) << bytes; }

    ScreenRoster Load() {
        PortableProfile settings(m_path);
        ScreenRoster roster;
        LoadRoster(settings, roster);
        return roster;
    }

    static void ExpectEntries(const ScreenRoster& roster, const std::vector<Expected>& expected,
                              const std::string& name) {
        ASSERT_EQ(roster.count, static_cast<int>(expected.size())) << name;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(roster.entries[i].number, expected[i].number) << name << " " << i;
            EXPECT_EQ(roster.entries[i].network, expected[i].network) << name << " " << i;
            EXPECT_EQ(std::string(roster.entries[i].address), expected[i].address)
                << name << " " << i;
        }
    }

    std::filesystem::path m_dir;
    std::string m_path;
};

TEST_F(Roster, MissingFileGivesEmptyRoster) {
    const ScreenRoster roster = Load();
    EXPECT_EQ(roster.count, 0);
}

TEST_F(Roster, LoadsFromFile) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"no count", "[CONT]\r\nnSel=1\r\n[地址：0]\r\nCommunicationMode=1\r\n", {}},
        {"count without sections",
         "[CONT]\r\nScreenCount=2\r\n",
         {{1, 0, "192.168.1.236"}, {2, 0, "192.168.1.236"}}},
        {"modes and addresses",
         "[CONT]\r\nScreenCount=4\r\n"
         "[地址：0]\r\nCommunicationMode=1\r\nIpAddress0=10\r\nIpAddress1=0\r\n"
         "IpAddress2=0\r\nIpAddress3=5\r\n"
         "[地址：1]\r\nCommunicationMode=2\r\nIpAddress3=7\r\n"
         "[地址：2]\r\nCommunicationMode=0\r\nIpAddress0=300\r\nIpAddress1=-1\r\n"
         "[地址：3]\r\nCommunicationMode=-1\r\n",
         {{1, 1, "10.0.0.5"},
          {2, 0, "192.168.1.7"},
          {3, 0, "300.-1.1.236"},
          {4, 0, "192.168.1.236"}}},
        // Section names are GBK bytes: the same names in UTF-8 match nothing.
        {"UTF-8 section names",
         std::string("[CONT]\r\nScreenCount=1\r\n") +
             u8"[地址：0]\r\nCommunicationMode=1\r\nIpAddress0=10\r\n",
         {{1, 0, "192.168.1.236"}}},
        {"negative count", "[CONT]\r\nScreenCount=-3\r\n[地址：0]\r\nCommunicationMode=1\r\n", {}},
    };
    for (const Case& c : cases) {
        WriteFile(c.file);
        ExpectEntries(Load(), c.expected, c.name);
    }
}

TEST_F(Roster, CountIsClampedToTheTable) {
    WriteFile("[CONT]\r\nScreenCount=100000\r\n[地址：299]\r\nCommunicationMode=1\r\n");
    const ScreenRoster roster = Load();
    ASSERT_EQ(roster.count, 300);
    EXPECT_EQ(roster.entries[299].number, 300);
    EXPECT_EQ(roster.entries[299].network, 1);
    EXPECT_STREQ(roster.entries[299].address, "192.168.1.236");
}

TEST_F(Roster, LongAddressIsCutInsideItsField) {
    WriteFile(
        "[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nIpAddress0=-2147483648\r\n"
        "IpAddress1=-2147483648\r\nIpAddress2=-2147483648\r\nIpAddress3=-2147483648\r\n");
    PortableProfile settings(m_path);
    ScreenRoster roster;
    roster.entries[1].number = 777;
    roster.entries[1].network = 777;
    LoadRoster(settings, roster);
    const std::string full = "-2147483648.-2147483648.-2147483648.-2147483648";
    EXPECT_EQ(std::string(roster.entries[0].address), full.substr(0, 31));
    EXPECT_EQ(roster.entries[0].address[31], '\0');
    EXPECT_EQ(roster.entries[1].number, 777);
    EXPECT_EQ(roster.entries[1].network, 777);
}

TEST_F(Roster, ReloadRebuildsEntriesInPlace) {
    WriteFile(
        "[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nIpAddress0=1\r\nIpAddress1=2\r\n"
        "IpAddress2=3\r\nIpAddress3=4\r\n");
    PortableProfile settings(m_path);
    ScreenRoster roster;
    roster.entries[0].number = 99;
    roster.entries[0].network = 1;
    std::memset(roster.entries[0].address, 'x', sizeof roster.entries[0].address);
    LoadRoster(settings, roster);
    EXPECT_EQ(roster.entries[0].number, 1);
    EXPECT_EQ(roster.entries[0].network, 0);
    const char expected[32] = "1.2.3.4";
    EXPECT_EQ(std::memcmp(roster.entries[0].address, expected, sizeof expected), 0);
}

// The list window shrinking the list rewrites only ScreenCount; the old sections stay.
TEST_F(Roster, ShrunkCountLeavesLaterSectionsUnread) {
    std::string file = "[CONT]\r\nScreenCount=5\r\n";
    for (int i = 0; i < 5; ++i) {
        file += "[" + ScreenSectionName(i) +
                "]\r\nCommunicationMode=1\r\nIpAddress3=" + std::to_string(i + 10) + "\r\n";
    }
    WriteFile(file);
    PortableProfile settings(m_path);
    ScreenRoster roster;
    LoadRoster(settings, roster);
    ASSERT_EQ(roster.count, 5);
    EXPECT_STREQ(roster.entries[4].address, "192.168.1.14");

    ASSERT_TRUE(WriteScreenCount(settings, 3));
    LoadRoster(settings, roster);
    ExpectEntries(roster, {{1, 1, "192.168.1.10"}, {2, 1, "192.168.1.11"}, {3, 1, "192.168.1.12"}},
                  "after shrinking");
    EXPECT_EQ(GetProfileText(settings, ScreenSectionName(4).c_str(), "IpAddress3", "", 16), "14");
}

}  // namespace
}  // namespace tk
