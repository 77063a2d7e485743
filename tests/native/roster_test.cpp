#include "core/screens/roster.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/store/profile_file.h"
#include "core/store/settings.h"
#include "tests/native/temp_dir.h"

namespace tk {
namespace {

struct Expected {
    int number;
    int network;
    std::string address;
};

class Roster : public test::SettingsDirTest {
protected:
    void Load(ScreenRoster& roster) {
        PortableProfile settings(m_path);
        LoadRoster(settings, roster);
    }
};

// One roster object is loaded again for every file, so nothing may stay from the last one.
TEST_F(Roster, LoadsFromFile) {
    const struct {
        const char* name;
        const char* file;  // nullptr: no file
        std::vector<Expected> expected;
    } cases[] = {
        {"no file", nullptr, {}},
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
         "[CONT]\r\nScreenCount=1\r\n"
         "[\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A"
         "0]\r\nCommunicationMode=1\r\nIpAddress0=10\r\n",
         {{1, 0, "192.168.1.236"}}},
        {"no count", "[CONT]\r\nnSel=1\r\n[地址：0]\r\nCommunicationMode=1\r\n", {}},
        {"negative count", "[CONT]\r\nScreenCount=-3\r\n[地址：0]\r\nCommunicationMode=1\r\n", {}},
    };
    ScreenRoster roster;
    for (const auto& c : cases) {
        std::filesystem::remove(m_path);
        if (c.file) WriteFile(c.file);
        Load(roster);
        ASSERT_EQ(roster.count, static_cast<int>(c.expected.size())) << c.name;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(roster.entries[i].number, c.expected[i].number) << c.name << " " << i;
            EXPECT_EQ(roster.entries[i].network, c.expected[i].network) << c.name << " " << i;
            EXPECT_EQ(roster.entries[i].address, c.expected[i].address) << c.name << " " << i;
        }
    }
}

TEST_F(Roster, CountIsClampedToTheTable) {
    WriteFile("[CONT]\r\nScreenCount=100000\r\n[地址：299]\r\nCommunicationMode=1\r\n");
    ScreenRoster roster;
    Load(roster);
    ASSERT_EQ(roster.count, 300);
    EXPECT_EQ(roster.entries[299].number, 300);
    EXPECT_EQ(roster.entries[299].network, 1);
}

// An address text longer than its field is cut inside it; a shorter one read later leaves the
// field zero-filled behind it.
TEST_F(Roster, LongAddressIsCutInsideItsField) {
    WriteFile(
        "[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nIpAddress0=-2147483648\r\n"
        "IpAddress1=-2147483648\r\nIpAddress2=-2147483648\r\nIpAddress3=-2147483648\r\n");
    ScreenRoster roster;
    roster.entries[1].number = 777;
    roster.entries[1].network = 777;
    Load(roster);
    EXPECT_EQ(std::string(roster.entries[0].address, 32),
              std::string("-2147483648.-2147483648.-214748", 31) + '\0');
    EXPECT_EQ(roster.entries[1].number, 777);
    EXPECT_EQ(roster.entries[1].network, 777);

    WriteFile(
        "[CONT]\r\nScreenCount=1\r\n[地址：0]\r\nIpAddress0=1\r\nIpAddress1=2\r\n"
        "IpAddress2=3\r\nIpAddress3=4\r\n");
    Load(roster);
    EXPECT_EQ(std::string(roster.entries[0].address, 32),
              std::string("1.2.3.4") + std::string(25, '\0'));
}

// Each entry's address is read from its text when the roster is loaded, as four decimal numbers
// 0-255; the same roster loaded again keeps nothing of an address read before.
TEST_F(Roster, EachAddressIsReadWhenLoaded) {
    const struct {
        const char* octets[4];
        const char* text;
        const char* address;  // the bytes in network order, dotted; "" for none
    } cases[] = {
        {{"10", "0", "0", "5"}, "10.0.0.5", "10.0.0.5"},
        {{"300", "0", "0", "5"}, "300.0.0.5", ""},
        {{"255", "255", "255", "255"}, "255.255.255.255", "255.255.255.255"},
        {{"-1", "0", "0", "5"}, "-1.0.0.5", ""},
        {{"007", " 8", "0x10", "9x"}, "7.8.16.9", "7.8.16.9"},
        {{"127", "0", "0", "99999999999"}, "127.0.0.1215752191", ""},
    };
    ScreenRoster roster;
    for (const auto& c : cases) {
        std::string file =
            "[CONT]\r\nScreenCount=1\r\n[" + ScreenSectionName(0) + "]\r\nCommunicationMode=1\r\n";
        for (int k = 0; k < 4; ++k) {
            file += "IpAddress" + std::to_string(k) + "=" + c.octets[k] + "\r\n";
        }
        WriteFile(file);
        Load(roster);
        EXPECT_STREQ(roster.entries[0].address, c.text) << c.text;
        std::string address;
        if (roster.entries[0].ipv4) {
            unsigned char bytes[4];
            std::memcpy(bytes, &*roster.entries[0].ipv4, sizeof bytes);
            for (int k = 0; k < 4; ++k) address += (k ? "." : "") + std::to_string(bytes[k]);
        }
        EXPECT_EQ(address, c.address) << c.text;
    }
}

// The list window shrinking the list rewrites only ScreenCount; the old sections stay unread.
TEST_F(Roster, ShrunkCountLeavesLaterSectionsUnread) {
    std::string file = "[CONT]\r\nScreenCount=5\r\n";
    for (int i = 0; i < 5; ++i) {
        file += "[" + ScreenSectionName(i) +
                "]\r\nCommunicationMode=1\r\nIpAddress3=" + std::to_string(i + 10) + "\r\n";
    }
    WriteFile(file);
    PortableProfile settings(m_path);
    ASSERT_TRUE(WriteScreenCount(settings, 3));
    ScreenRoster roster;
    LoadRoster(settings, roster);
    ASSERT_EQ(roster.count, 3);
    EXPECT_STREQ(roster.entries[2].address, "192.168.1.12");
    EXPECT_EQ(GetProfileText(settings, ScreenSectionName(4).c_str(), "IpAddress3", "", 16), "14");
}

}  // namespace
}  // namespace tk
