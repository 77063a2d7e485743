#include "core/screens/screen_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/store/profile_file.h"
#include "core/screens/roster.h"
#include "tests/native/temp_dir.h"

namespace tk {
namespace {

// The values of a section, in the order its keys are written.
std::vector<int> Fields(const ScreenSection& s) {
    return {s.cardType,   s.cardAddress, s.communicationMode, s.screemHeight, s.screemWidth,
            s.serialBaud, s.serialNum,   s.netPort,           s.ip[0],        s.ip[1],
            s.ip[2],      s.ip[3],       s.colorStyle};
}

class ScreenSectionRead : public test::SettingsDirTest {
protected:
    ScreenSection Read(int index) {
        PortableProfile settings(m_path);
        return ReadScreenSection(settings, index);
    }
};

// The values a missing section reads as, shared by the roster, the library and the list.
TEST_F(ScreenSectionRead, MissingKeysGiveTheDefaults) {
    const std::vector<int> defaults = {21, 0, 0, 32, 64, 57600, 1, 5005, 192, 168, 1, 236, 1};
    EXPECT_EQ(Fields(Read(0)), defaults);  // no file
    WriteFile("[地址：0]\r\nCardType=\r\nNetPort=\r\nIpAddress3=\r\nColorStyle=\r\n");
    EXPECT_EQ(Fields(Read(0)), defaults);  // empty values
    EXPECT_EQ(Fields(ScreenSection{}), defaults);
    EXPECT_FALSE(ScreenSection{}.Network());
}

// Each key reaches its own field, from the GBK-named section of the given index only.
TEST_F(ScreenSectionRead, EachKeyFillsItsField) {
    WriteFile(
        "[地址：0]\r\nCardType=99\r\n"
        "[地址：3]\r\nCardType=23\r\nCardAddress=4\r\nCommunicationMode=1\r\nScreemHeight=16\r\n"
        "ScreemWidth=128\r\nSerialBaud=9600\r\nSerialNum=12\r\nNetPort=6001\r\n"
        "IpAddress0=127\r\nIpAddress1=0\r\nIpAddress2=-1\r\nIpAddress3=300\r\nColorStyle=2\r\n"
        // The same name in UTF-8 is another section.
        "[\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x9A"
        "1]\r\nCardType=3\r\n");
    EXPECT_EQ(Fields(Read(3)),
              (std::vector<int>{23, 4, 1, 16, 128, 9600, 12, 6001, 127, 0, -1, 300, 2}));
    EXPECT_EQ(Read(0).cardType, 99);
    EXPECT_EQ(Read(1).cardType, 21);
}

// Records the keys of screen sections read, answering each with the default and ScreenCount
// with screenCount.
class KeyRecorder final : public IProfile {
public:
    int screenCount = 0;
    std::vector<std::string> reads;

    int GetInt(const char* section, const char* key, int def) override {
        if (std::string(key) == "ScreenCount") return screenCount;
        reads.push_back(std::string(section) + "/" + key);
        return def;
    }
    unsigned GetString(const char*, const char*, const char*, char*, unsigned) override {
        ADD_FAILURE() << "a screen section holds only integers";
        return 0;
    }
    bool WriteString(const char*, const char*, const char*) override { return false; }
};

// Each reader reads only its groups of keys, in file order: the roster five keys a screen, the
// library ten, the list all thirteen.
TEST(ScreenSection, ReadsOnlyTheGroupsAskedFor) {
    const struct {
        unsigned groups;
        std::vector<std::string> keys;
    } cases[] = {
        {kAddressKeys,
         {"CommunicationMode", "IpAddress0", "IpAddress1", "IpAddress2", "IpAddress3"}},
        {kAddressKeys | kLinkKeys,
         {"CardType", "CardAddress", "CommunicationMode", "SerialBaud", "SerialNum", "NetPort",
          "IpAddress0", "IpAddress1", "IpAddress2", "IpAddress3"}},
        {kDisplayKeys, {"ScreemHeight", "ScreemWidth", "ColorStyle"}},
        {kAllScreenKeys,
         {"CardType", "CardAddress", "CommunicationMode", "ScreemHeight", "ScreemWidth",
          "SerialBaud", "SerialNum", "NetPort", "IpAddress0", "IpAddress1", "IpAddress2",
          "IpAddress3", "ColorStyle"}},
    };
    for (const auto& c : cases) {
        KeyRecorder settings;
        ReadScreenSection(settings, 7, c.groups);
        std::vector<std::string> expected;
        for (const std::string& key : c.keys) expected.push_back("地址：7/" + key);
        EXPECT_EQ(settings.reads, expected) << c.groups;
    }
}

// A long list loads at start-up: the roster reads the mode and the address of each screen and
// nothing else.
TEST(ScreenSection, RosterReadsOnlyModeAndAddress) {
    KeyRecorder settings;
    settings.screenCount = 2;
    ScreenRoster roster;
    LoadRoster(settings, roster);
    std::vector<std::string> expected;
    for (const char* section : {"地址：0", "地址：1"}) {
        for (const char* key :
             {"CommunicationMode", "IpAddress0", "IpAddress1", "IpAddress2", "IpAddress3"}) {
            expected.push_back(std::string(section) + "/" + key);
        }
    }
    EXPECT_EQ(settings.reads, expected);
}

// Keys of the groups not asked for keep their defaults, whatever the file holds.
TEST_F(ScreenSectionRead, KeysNotAskedForKeepTheirDefaults) {
    WriteFile(
        "[地址：0]\r\nCardType=23\r\nCommunicationMode=1\r\nScreemWidth=128\r\n"
        "IpAddress0=10\r\n");
    PortableProfile settings(m_path);
    const ScreenSection roster = ReadScreenSection(settings, 0, kAddressKeys);
    EXPECT_EQ(Fields(roster),
              (std::vector<int>{21, 0, 1, 32, 64, 57600, 1, 5005, 10, 168, 1, 236, 1}));
    const ScreenSection link = ReadScreenSection(settings, 0, kAddressKeys | kLinkKeys);
    EXPECT_EQ(Fields(link),
              (std::vector<int>{23, 0, 1, 32, 64, 57600, 1, 5005, 10, 168, 1, 236, 1}));
}

// Only exactly 1 makes a network screen.
TEST(ScreenSection, NetworkIsModeOneOnly) {
    const struct {
        int mode;
        bool network;
    } cases[] = {{0, false}, {1, true}, {2, false}, {-1, false}};
    for (const auto& c : cases) {
        ScreenSection s;
        s.communicationMode = c.mode;
        EXPECT_EQ(s.Network(), c.network) << c.mode;
    }
}

}  // namespace
}  // namespace tk
