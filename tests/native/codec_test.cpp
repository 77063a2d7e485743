#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "ui/config/model_table.h"
#include "ui/config/screen_row_codec.h"

namespace tk {
namespace {

// A section held as key/value texts, read the way the profile API reads it.
class FakeSection {
public:
    explicit FakeSection(const KeyValues& values = {}) {
        for (const auto& [key, value] : values) m_values[key] = value;
    }

    SectionReader Reader() {
        return SectionReader{
            [this](const char* key, int def) {
                const auto it = m_values.find(key);
                if (it == m_values.end() || it->second.empty()) return def;
                return std::atoi(it->second.c_str());
            },
            [this](const char* key, const char* def, unsigned maxLength) {
                m_maxLengths[key] = maxLength;
                const auto it = m_values.find(key);
                return (it == m_values.end() ? std::string(def) : it->second).substr(0, maxLength);
            }};
    }

    std::map<std::string, std::string> m_values;
    std::map<std::string, unsigned> m_maxLengths;
};

std::string ValueOf(const KeyValues& values, const std::string& key) {
    for (const auto& [k, v] : values) {
        if (k == key) return v;
    }
    ADD_FAILURE() << "no key " << key;
    return {};
}

// A row as the list shows a typical network screen.
ScreenRow SampleRow() {
    return {"TK300", "3", "网络通讯", "COM4", "115200", "5005", "10.0.0.5", "双色", "128", "16"};
}

TEST(Codec, TextsAreGbkBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {kInvalidModelName, "\xCE\xDE\xD0\xA7"},
        {kMissingText, "\xB4\xED\xCE\xF3"},
        {kCommNetwork, "\xCD\xF8\xC2\xE7\xCD\xA8\xD1\xB6"},
        {kCommSerial, "\xB4\xAE\xBF\xDA\xCD\xA8\xD1\xB6"},
        {kColourSingle, "\xB5\xA5\xC9\xAB"},
        {kColourDouble, "\xCB\xAB\xC9\xAB"},
        {kColourFull, "\xC6\xDF\xB2\xCA\xC9\xAB"},
        {kListColumns[kColumnModel].title, "\xD0\xCD\xBA\xC5"},
        {kListColumns[kColumnWidth].title, "\xC6\xC1\xBF\xED"},
        {kListColumns[kColumnHeight].title, "\xC6\xC1\xB8\xDF"},
    };
    for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(Codec, ColumnTable) {
    const std::pair<const char*, int> expected[kColumnCount] = {
        {"型号", 100}, {"地址", 60}, {"通讯方式", 60}, {"串口号", 60}, {"波特率", 60},
        {"端口", 60},  {"IP", 100},  {"颜色", 50},     {"屏宽", 60},   {"屏高", 60}};
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        EXPECT_STREQ(kListColumns[i].title, expected[i].first) << i;
        EXPECT_EQ(kListColumns[i].width, expected[i].second) << i;
    }
}

TEST(ModelTable, EveryModelRoundTripsThroughBothCodes) {
    for (const ControllerModel& model : kControllerModels) {
        EXPECT_EQ(ModelNameFromCardType(model.cardType), model.name);
        EXPECT_EQ(CardTypeFromModelName(model.name), std::to_string(model.cardType));
        EXPECT_EQ(ModelNameFromCtrlType(model.ctrlType), std::string(model.name));
        EXPECT_EQ(CtrlTypeFromModelName(model.name), std::to_string(model.ctrlType));
    }
}

TEST(ModelTable, CodesOutsideTheTable) {
    for (int cardType : {0, 1, 2, 6, 9, 20, 24, -21, 136}) {
        EXPECT_EQ(ModelNameFromCardType(cardType), "无效") << cardType;
    }
    for (int ctrlType : {0, 6, 7, 21, 23, 72, -8}) {
        EXPECT_FALSE(ModelNameFromCtrlType(ctrlType).has_value()) << ctrlType;
    }
}

TEST(ModelTable, NameMatchingFoldsAsciiCaseOnly) {
    struct Case {
        const char* name;
        const char* cardType;
        const char* ctrlType;
    };
    const Case cases[] = {
        {"TK300", "4", "3"},    {"tk300", "4", "3"},    {"Tk100-i/ii", "3", "1"},
        {"tk700", "23", "136"}, {"tk999", "21", "8"},   {"无效", "21", "8"},
        {"", "21", "8"},        {"TK300 ", "21", "8"},  {"TK30", "21", "8"},
        {"TK3000", "21", "8"},  {"TK100-I", "21", "8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CardTypeFromModelName(c.name), c.cardType) << c.name;
        EXPECT_EQ(CtrlTypeFromModelName(c.name), c.ctrlType) << c.name;
    }
}

TEST(Codec, PortNumberText) {
    ASSERT_EQ(std::string("丮"), "\x81\x4D");
    const std::pair<std::string, std::string> cases[] = {
        {"COM3", "3"},
        {"COM10", "10"},
        {"7", "7"},
        {"M5", "5"},
        {"", ""},
        {"MM1", "M1"},
        {"COM错误", "错误"},
        {"com3", "com3"},
        // "丮" is the GBK pair 0x81 0x4D, whose trail byte is an ASCII 'M'.
        {"丮COM9", "9"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(PortNumberText(text), expected) << text;
}

TEST(SettingsCodec, MissingKeysReadAsDefaults) {
    FakeSection section;
    const ScreenRow expected = {"TK350",         "1",    "串口通讯", "COM1", "57600", "5005",
                                "192.168.1.236", "双色", "64",       "32"};
    EXPECT_EQ(ReadSettingsRow(section.Reader()), expected);
}

TEST(SettingsCodec, ReadColumns) {
    struct Case {
        const char* key;
        const char* value;
        ScreenColumn column;
        const char* text;
    };
    const Case cases[] = {
        {"CardType", "6", kColumnModel, "无效"},
        {"CardType", "4", kColumnModel, "TK300"},
        {"CardAddress", "0", kColumnAddress, "1"},
        {"CardAddress", "2147483647", kColumnAddress, "2147483648"},
        {"CommunicationMode", "2", kColumnCommMode, "网络通讯"},
        {"CommunicationMode", "-1", kColumnCommMode, "网络通讯"},
        {"CommunicationMode", "0", kColumnCommMode, "串口通讯"},
        {"SerialNum", "12", kColumnSerialPort, "COM12"},
        {"SerialBaud", "4800", kColumnBaud, "4800"},
        {"NetPort", "6000", kColumnNetPort, "6000"},
        {"IpAddress0", "10", kColumnIp, "10.168.1.236"},
        {"IpAddress3", "5", kColumnIp, "192.168.1.5"},
        {"ColorStyle", "0", kColumnColour, "单色"},
        {"ColorStyle", "3", kColumnColour, "单色"},
        {"ColorStyle", "1", kColumnColour, "双色"},
        {"ColorStyle", "2", kColumnColour, "七彩色"},
        {"ScreemWidth", "128", kColumnWidth, "128"},
        {"ScreemHeight", "16", kColumnHeight, "16"},
    };
    for (const Case& c : cases) {
        FakeSection section(KeyValues{{c.key, c.value}});
        EXPECT_EQ(ReadSettingsRow(section.Reader())[c.column], c.text) << c.key << "=" << c.value;
    }
}

TEST(SettingsCodec, WriteOrderAndValues) {
    const KeyValues expected = {
        {"CardType", "4"},      {"CardAddress", "2"},   {"CommunicationMode", "1"},
        {"ScreemHeight", "16"}, {"ScreemWidth", "128"}, {"SerialBaud", "115200"},
        {"SerialNum", "4"},     {"NetPort", "5005"},    {"IpAddress0", "10"},
        {"IpAddress1", "0"},    {"IpAddress2", "0"},    {"IpAddress3", "5"},
        {"ColorStyle", "1"},
    };
    EXPECT_EQ(SettingsKeyValues(SampleRow()), expected);
}

TEST(SettingsCodec, WriteEdgeCases) {
    struct Case {
        ScreenColumn column;
        const char* text;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {kColumnAddress, "1", "CardAddress", "0"},
        {kColumnAddress, "M5", "CardAddress", "4"},
        {kColumnAddress, "", "CardAddress", "-1"},
        {kColumnAddress, "0", "CardAddress", "-1"},
        {kColumnAddress, "12abc", "CardAddress", "11"},
        {kColumnAddress, "-2147483648", "CardAddress", "-2147483649"},
        {kColumnModel, "无效", "CardType", "21"},
        {kColumnModel, "tk300", "CardType", "4"},
        {kColumnModel, "tk999", "CardType", "21"},
        {kColumnCommMode, "串口通讯", "CommunicationMode", "0"},
        {kColumnSerialPort, "COM12", "SerialNum", "12"},
        {kColumnSerialPort, "7", "SerialNum", "7"},
        {kColumnSerialPort, "COM错误", "SerialNum", "错误"},
        {kColumnBaud, "4800", "SerialBaud", "4800"},
        {kColumnBaud, "", "SerialBaud", ""},
        {kColumnColour, "单色", "ColorStyle", "0"},
        {kColumnColour, "七彩色", "ColorStyle", "2"},
        {kColumnColour, "", "ColorStyle", "1"},
        {kColumnIp, "300.1.2.3", "IpAddress0", "300"},
    };
    for (const Case& c : cases) {
        ScreenRow row = SampleRow();
        row[c.column] = c.text;
        EXPECT_EQ(ValueOf(SettingsKeyValues(row), c.key), c.value) << c.text;
    }
}

TEST(SettingsCodec, IpTextsThatDoNotScanFully) {
    struct Case {
        const char* ip;
        const char* octets[4];
    };
    const Case cases[] = {
        {"10.0.0.5", {"10", "0", "0", "5"}}, {"错误", {"0", "0", "0", "0"}},
        {"", {"0", "0", "0", "0"}},          {"10.1", {"10", "1", "0", "0"}},
        {"10.x.3.4", {"10", "0", "0", "0"}}, {"-1.2.3.4", {"-1", "2", "3", "4"}},
    };
    for (const Case& c : cases) {
        ScreenRow row = SampleRow();
        row[kColumnIp] = c.ip;
        const KeyValues values = SettingsKeyValues(row);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(ValueOf(values, "IpAddress" + std::to_string(k)), c.octets[k]) << c.ip;
        }
    }
}

// What the list window writes for the screens it read is what the file held, for values that
// the conversions carry exactly.
TEST(SettingsCodec, SectionRoundTrips) {
    const KeyValues sections[] = {
        SettingsKeyValues(SampleRow()),
        {{"CardType", "23"},
         {"CardAddress", "0"},
         {"CommunicationMode", "0"},
         {"ScreemHeight", "32"},
         {"ScreemWidth", "64"},
         {"SerialBaud", "9600"},
         {"SerialNum", "12"},
         {"NetPort", "5005"},
         {"IpAddress0", "192"},
         {"IpAddress1", "168"},
         {"IpAddress2", "1"},
         {"IpAddress3", "236"},
         {"ColorStyle", "2"}},
    };
    for (const KeyValues& values : sections) {
        FakeSection section(values);
        EXPECT_EQ(SettingsKeyValues(ReadSettingsRow(section.Reader())), values);
    }
}

TEST(ExchangeCodec, EmptySectionReadsAsErrorTexts) {
    FakeSection section;
    const ExchangeRow read = ReadExchangeRow(section.Reader());
    EXPECT_FALSE(read.hasModel);
    const ScreenRow expected = {"",     "0",    "串口通讯", "COM错误", "",
                                "错误", "错误", "双色",     "错误",    "错误"};
    EXPECT_EQ(read.row, expected);
}

TEST(ExchangeCodec, ReadColumns) {
    struct Case {
        const char* key;
        const char* value;
        ScreenColumn column;
        const char* text;
    };
    const Case cases[] = {
        {"nCtrlType", "3", kColumnModel, "TK300"},
        {"nCtrlType", "136", kColumnModel, "TK700"},
        {"nCtrlAddress", "0", kColumnAddress, "0"},
        {"nCtrlAddress", "7", kColumnAddress, "7"},
        {"nCommType", "1", kColumnCommMode, "网络通讯"},
        {"nCommType", "01", kColumnCommMode, "串口通讯"},
        {"nCommType", "2", kColumnCommMode, "串口通讯"},
        {"nSerialNum", "3", kColumnSerialPort, "COM3"},
        {"nSerialNum", "", kColumnSerialPort, "COM"},
        {"nSerialType", "0", kColumnBaud, "9600"},
        {"nSerialType", "1", kColumnBaud, "57600"},
        {"nSerialType", "2", kColumnBaud, "115200"},
        {"nSerialType", "3", kColumnBaud, ""},
        {"nSerialType", "4800", kColumnBaud, ""},
        {"nSerialType", " 1", kColumnBaud, ""},
        {"nNetPort", "6000", kColumnNetPort, "6000"},
        {"sNetAdderrs", "10.0.0.5", kColumnIp, "10.0.0.5"},
        {"sNetAdderrs", "192.168.100.2001234", kColumnIp, "192.168.100.200"},
        {"nColorOrder", "0", kColumnColour, "单色"},
        {"nColorOrder", "1", kColumnColour, "双色"},
        {"nColorOrder", "2", kColumnColour, "双色"},
        {"nWidth", "128", kColumnWidth, "128"},
        {"nHeight", "16", kColumnHeight, "16"},
    };
    for (const Case& c : cases) {
        FakeSection section(KeyValues{{c.key, c.value}});
        EXPECT_EQ(ReadExchangeRow(section.Reader()).row[c.column], c.text)
            << c.key << "=" << c.value;
    }
}

TEST(ExchangeCodec, TextLengthLimits) {
    FakeSection section;
    ReadExchangeRow(section.Reader());
    for (const char* key : {"nCommType", "nSerialNum", "nSerialType", "nNetPort", "nColorOrder",
                            "nWidth", "nHeight"}) {
        EXPECT_EQ(section.m_maxLengths[key], 99u) << key;
    }
    EXPECT_EQ(section.m_maxLengths["sNetAdderrs"], 15u);
}

TEST(ExchangeCodec, WriteOrderAndValues) {
    const KeyValues expected = {
        {"nCtrlType", "3"},   {"nCtrlAddress", "3"}, {"nCommType", "1"},
        {"nHeight", "16"},    {"nWidth", "128"},     {"nSerialType", "2"},
        {"nSerialNum", "4"},  {"nNetPort", "5005"},  {"sNetAdderrs", "10.0.0.5"},
        {"nColorOrder", "1"},
    };
    EXPECT_EQ(ExchangeKeyValues(SampleRow()), expected);
}

TEST(ExchangeCodec, WriteEdgeCases) {
    struct Case {
        ScreenColumn column;
        const char* text;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {kColumnModel, "无效", "nCtrlType", "8"},
        {kColumnModel, "tk300", "nCtrlType", "3"},
        {kColumnModel, "tk999", "nCtrlType", "8"},
        {kColumnAddress, "0", "nCtrlAddress", "0"},
        {kColumnCommMode, "串口通讯", "nCommType", "0"},
        {kColumnBaud, "9600", "nSerialType", "0"},
        {kColumnBaud, "57600", "nSerialType", "1"},
        {kColumnBaud, "4800", "nSerialType", "4800"},
        {kColumnBaud, "", "nSerialType", ""},
        {kColumnSerialPort, "COM12", "nSerialNum", "12"},
        {kColumnColour, "单色", "nColorOrder", "0"},
        {kColumnColour, "七彩色", "nColorOrder", "1"},
    };
    for (const Case& c : cases) {
        ScreenRow row = SampleRow();
        row[c.column] = c.text;
        EXPECT_EQ(ValueOf(ExchangeKeyValues(row), c.key), c.value) << c.text;
    }
}

// Export then import gives the same row, except where the exchange file cannot carry a text.
TEST(ExchangeCodec, RowRoundTrips) {
    struct Case {
        ScreenColumn column;
        const char* text;
        const char* readBack;
    };
    const Case cases[] = {
        {kColumnModel, "TK300", "TK300"}, {kColumnModel, "无效", "TK350"},
        {kColumnModel, "tk500", "TK500"}, {kColumnBaud, "57600", "57600"},
        {kColumnBaud, "4800", ""},        {kColumnCommMode, "串口通讯", "串口通讯"},
        {kColumnColour, "单色", "单色"},  {kColumnColour, "七彩色", "双色"},
    };
    for (const Case& c : cases) {
        ScreenRow row = SampleRow();
        row[c.column] = c.text;
        FakeSection section(ExchangeKeyValues(row));
        const ExchangeRow read = ReadExchangeRow(section.Reader());
        ScreenRow expected = row;
        expected[c.column] = c.readBack;
        EXPECT_TRUE(read.hasModel);
        EXPECT_EQ(read.row, expected) << c.text;
    }
}

// A screen imported without nSerialNum reaches the settings file with the error text.
TEST(ExchangeCodec, MissingSerialNumberReachesSettingsAsErrorText) {
    FakeSection section(KeyValues{{"nCtrlType", "8"}});
    const ExchangeRow read = ReadExchangeRow(section.Reader());
    EXPECT_EQ(read.row[kColumnSerialPort], "COM错误");
    EXPECT_EQ(ValueOf(SettingsKeyValues(read.row), "SerialNum"), "错误");
    EXPECT_EQ(ValueOf(SettingsKeyValues(read.row), "IpAddress0"), "0");
}

}  // namespace
}  // namespace tk
