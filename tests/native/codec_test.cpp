#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <map>
#include <string>

#include "core/screens/model_table.h"
#include "core/screens/screen_row_codec.h"
#include "core/screens/screen_section.h"
#include "core/store/profile.h"

namespace tk {
namespace {

// An exchange-file section held as key/value texts, read the way the profile API reads it (a
// text read of size n + 1 gives at most n bytes).
class FakeSection {
public:
    explicit FakeSection(const KeyValues& values = {}) : m_values(values.begin(), values.end()) {}

    SectionReader Reader() const {
        return SectionReader{
            [this](const char* key, int def) {
                const auto it = m_values.find(key);
                return it == m_values.end() || it->second.empty() ? def
                                                                  : std::atoi(it->second.c_str());
            },
            [this](const char* key, const char* def, unsigned maxLength) {
                const auto it = m_values.find(key);
                return (it == m_values.end() ? std::string(def) : it->second).substr(0, maxLength);
            }};
    }

private:
    std::map<std::string, std::string> m_values;
};

// Screen 0's section of a settings file held as key/value texts, read through
// ReadScreenSection the way the profile API reads integers (missing or empty gives the default).
class FakeSettings final : public IProfile {
public:
    explicit FakeSettings(const KeyValues& values) : m_values(values.begin(), values.end()) {}

    int GetInt(const char* section, const char* key, int def) override {
        EXPECT_EQ(std::string(section), "地址：0");
        const auto it = m_values.find(key);
        return it == m_values.end() || it->second.empty() ? def : std::atoi(it->second.c_str());
    }
    unsigned GetString(const char*, const char*, const char*, char*, unsigned) override {
        ADD_FAILURE() << "a screen section holds only integers";
        return 0;
    }
    bool WriteString(const char*, const char*, const char*) override { return false; }

private:
    std::map<std::string, std::string> m_values;
};

// The row the list shows for a settings-file section holding these keys.
ScreenRow SettingsRowOf(const KeyValues& values) {
    FakeSettings settings(values);
    return ReadSettingsRow(ReadScreenSection(settings, 0));
}

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

// One column of the sample row changed, and the key and value it must come out as.
struct WriteCase {
    ScreenColumn column;
    const char* text;
    const char* key;
    const char* value;
};

// One key read from an otherwise empty section, and the column text it must give.
struct ReadCase {
    const char* key;
    const char* value;
    ScreenColumn column;
    const char* text;
};

TEST(Codec, ColumnTitlesAndWidths) {
    std::string columns;
    for (const auto& column : kListColumns)
        columns += std::string(column.title) + "/" + std::to_string(column.width) + " ";
    EXPECT_EQ(
        columns,
        "型号/100 地址/60 通讯方式/60 串口号/60 波特率/60 端口/60 IP/100 颜色/50 屏宽/60 屏高/60 ");
}

// The eight models in the order of the model list, with their CardType and nCtrlType.
const struct {
    const char* name;
    int cardType;
    int ctrlType;
} kModels[] = {
    {"TK100-I/II", 3, 1}, {"TK100-IE", 5, 2}, {"TK300", 4, 3},   {"TK310", 7, 4},
    {"TK320", 8, 5},      {"TK350", 21, 8},   {"TK500", 22, 71}, {"TK700", 23, 136},
};

TEST(ModelTable, HoldsTheEightModelsInListOrder) {
    ASSERT_EQ(kControllerModels.size(), std::size(kModels));
    for (std::size_t i = 0; i < std::size(kModels); ++i) {
        EXPECT_STREQ(kControllerModels[i].name, kModels[i].name) << i;
        EXPECT_EQ(kControllerModels[i].cardType, kModels[i].cardType) << kModels[i].name;
        EXPECT_EQ(kControllerModels[i].ctrlType, kModels[i].ctrlType) << kModels[i].name;
    }
}

TEST(ModelTable, CodesBothWays) {
    for (const auto& model : kModels) {
        EXPECT_EQ(ModelNameFromCardType(model.cardType), model.name);
        EXPECT_EQ(CardTypeFromModelName(model.name), std::to_string(model.cardType));
        EXPECT_EQ(ModelNameFromCtrlType(model.ctrlType), std::string(model.name));
        EXPECT_EQ(CtrlTypeFromModelName(model.name), std::to_string(model.ctrlType));
    }
    for (int cardType : {0, 6, 20, 24, -21, 136})
        EXPECT_EQ(ModelNameFromCardType(cardType), "无效") << cardType;
    for (int ctrlType : {0, 7, 21, -8}) EXPECT_FALSE(ModelNameFromCtrlType(ctrlType)) << ctrlType;

    // Names match with ASCII case folded, nothing else; no match gives TK350's codes.
    const struct {
        const char* name;
        const char* cardType;
        const char* ctrlType;
    } names[] = {
        {"tk300", "4", "3"},    {"Tk100-i/ii", "3", "1"}, {"tk700", "23", "136"},
        {"无效", "21", "8"},    {"TK300 ", "21", "8"},    {"TK30", "21", "8"},
        {"TK100-I", "21", "8"}, {"tk999", "21", "8"},
    };
    for (const auto& c : names) {
        EXPECT_EQ(CardTypeFromModelName(c.name), c.cardType) << c.name;
        EXPECT_EQ(CtrlTypeFromModelName(c.name), c.ctrlType) << c.name;
    }
}

TEST(Codec, PortNumberText) {
    const std::pair<std::string, std::string> cases[] = {
        {"COM10", "10"},
        {"7", "7"},
        {"M5", "5"},
        {"MM1", "M1"},
        {"COM错误", "错误"},
        {"com3", "com3"},
        // "丮" is the GBK pair 0x81 0x4D, whose trail byte is an ASCII 'M'.
        {"丮COM9", "9"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(PortNumberText(text), expected) << text;
}

TEST(SettingsCodec, Read) {
    const ScreenRow defaults = {"TK350",         "1",    "串口通讯", "COM1", "57600", "5005",
                                "192.168.1.236", "双色", "64",       "32"};
    EXPECT_EQ(ReadSettingsRow(ScreenSection{}), defaults);
    EXPECT_EQ(SettingsRowOf({}), defaults);
    const ReadCase cases[] = {
        {"CardType", "6", kColumnModel, "无效"},
        {"CardAddress", "0", kColumnAddress, "1"},
        {"CardAddress", "2147483647", kColumnAddress, "2147483648"},
        {"CardAddress", "-2147483648", kColumnAddress, "-2147483647"},
        {"CommunicationMode", "2", kColumnCommMode, "网络通讯"},
        {"CommunicationMode", "1", kColumnCommMode, "网络通讯"},
        {"CommunicationMode", "-1", kColumnCommMode, "网络通讯"},
        {"CommunicationMode", "0", kColumnCommMode, "串口通讯"},
        {"SerialNum", "12", kColumnSerialPort, "COM12"},
        {"IpAddress0", "10", kColumnIp, "10.168.1.236"},
        {"IpAddress3", "5", kColumnIp, "192.168.1.5"},
        {"ColorStyle", "-1", kColumnColour, "单色"},
        {"ColorStyle", "0", kColumnColour, "单色"},
        {"ColorStyle", "1", kColumnColour, "双色"},
        {"ColorStyle", "2", kColumnColour, "七彩色"},
        {"ColorStyle", "3", kColumnColour, "单色"},
        {"ScreemWidth", "128", kColumnWidth, "128"},
        {"ScreemHeight", "16", kColumnHeight, "16"},
        {"SerialBaud", "9600", kColumnBaud, "9600"},
        {"NetPort", "6000", kColumnNetPort, "6000"},
        {"CardType", "", kColumnModel, "TK350"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(SettingsRowOf({{c.key, c.value}})[c.column], c.text) << c.key << "=" << c.value;
    }
}

TEST(SettingsCodec, Write) {
    const KeyValues expected = {
        {"CardType", "4"},      {"CardAddress", "2"},   {"CommunicationMode", "1"},
        {"ScreemHeight", "16"}, {"ScreemWidth", "128"}, {"SerialBaud", "115200"},
        {"SerialNum", "4"},     {"NetPort", "5005"},    {"IpAddress0", "10"},
        {"IpAddress1", "0"},    {"IpAddress2", "0"},    {"IpAddress3", "5"},
        {"ColorStyle", "1"},
    };
    EXPECT_EQ(SettingsKeyValues(SampleRow()), expected);
    const WriteCase cases[] = {
        {kColumnAddress, "M5", "CardAddress", "4"},
        {kColumnAddress, "", "CardAddress", "-1"},
        {kColumnAddress, "12abc", "CardAddress", "11"},
        // Address texts are read as a saturated number before the minus one, and the result is
        // kept within the file's integer: the largest address a read shows (CardAddress
        // 2147483647 plus one) is written back as it was read.
        {kColumnAddress, "2147483647", "CardAddress", "2147483646"},
        {kColumnAddress, "2147483648", "CardAddress", "2147483647"},
        {kColumnAddress, "99999999999", "CardAddress", "2147483647"},
        {kColumnAddress, "-2147483647", "CardAddress", "-2147483648"},
        {kColumnAddress, "-2147483648", "CardAddress", "-2147483648"},
        {kColumnAddress, "-2147483649", "CardAddress", "-2147483648"},
        {kColumnModel, "无效", "CardType", "21"},
        {kColumnModel, "tk300", "CardType", "4"},
        {kColumnCommMode, "串口通讯", "CommunicationMode", "0"},
        {kColumnSerialPort, "COM12", "SerialNum", "12"},
        {kColumnSerialPort, "COM错误", "SerialNum", "错误"},
        {kColumnBaud, "4800", "SerialBaud", "4800"},
        {kColumnColour, "单色", "ColorStyle", "0"},
        {kColumnColour, "七彩色", "ColorStyle", "2"},
        {kColumnColour, "", "ColorStyle", "1"},
        {kColumnIp, "300.1.2.3", "IpAddress0", "300"},
    };
    for (const WriteCase& c : cases) {
        ScreenRow row = SampleRow();
        row[c.column] = c.text;
        EXPECT_EQ(ValueOf(SettingsKeyValues(row), c.key), c.value) << c.text;
    }
}

TEST(SettingsCodec, IpTextsThatDoNotScanFully) {
    const struct {
        const char* ip;
        const char* octets;
    } cases[] = {{"错误", "0.0.0.0"},
                 {"10.1", "10.1.0.0"},
                 {"10.x.3.4", "10.0.0.0"},
                 {"-1.2.3.4", "-1.2.3.4"},
                 // Numbers beyond int (from a hand-made exchange file) saturate.
                 {"99999999999.1.2.3", "2147483647.1.2.3"},
                 {"-99999999999.0.0.1", "-2147483648.0.0.1"},
                 {" 1. 2.+3.4x", "1.2.3.4"},
                 {"1 .2.3.4", "1.0.0.0"},
                 {"1..2.3", "1.0.0.0"},
                 {"", "0.0.0.0"}};
    for (const auto& c : cases) {
        ScreenRow row = SampleRow();
        row[kColumnIp] = c.ip;
        const KeyValues values = SettingsKeyValues(row);
        std::string octets;
        for (int k = 0; k < 4; ++k)
            octets += (k ? "." : "") + ValueOf(values, "IpAddress" + std::to_string(k));
        EXPECT_EQ(octets, c.octets) << c.ip;
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
         {"NetPort", "6000"},
         {"IpAddress0", "192"},
         {"IpAddress1", "168"},
         {"IpAddress2", "1"},
         {"IpAddress3", "236"},
         {"ColorStyle", "2"}},
    };
    for (const KeyValues& values : sections) {
        EXPECT_EQ(SettingsKeyValues(SettingsRowOf(values)), values);
    }
}

TEST(ExchangeCodec, Read) {
    const ExchangeRow empty = ReadExchangeRow(FakeSection().Reader());
    EXPECT_FALSE(empty.hasModel);
    const ScreenRow errors = {"",     "0",    "串口通讯", "COM错误", "",
                              "错误", "错误", "双色",     "错误",    "错误"};
    EXPECT_EQ(empty.row, errors);
    const ReadCase cases[] = {
        {"nCtrlType", "136", kColumnModel, "TK700"},
        {"nCtrlAddress", "0", kColumnAddress, "0"},
        {"nCommType", "1", kColumnCommMode, "网络通讯"},
        {"nCommType", "01", kColumnCommMode, "串口通讯"},
        {"nCommType", "2", kColumnCommMode, "串口通讯"},
        {"nSerialNum", "", kColumnSerialPort, "COM"},
        {"nSerialType", "0", kColumnBaud, "9600"},
        {"nSerialType", "1", kColumnBaud, "57600"},
        {"nSerialType", "2", kColumnBaud, "115200"},
        {"nSerialType", "4800", kColumnBaud, ""},
        {"nSerialType", " 1", kColumnBaud, ""},
        {"sNetAdderrs", "192.168.100.2001234", kColumnIp, "192.168.100.200"},
        {"nColorOrder", "0", kColumnColour, "单色"},
        {"nColorOrder", "2", kColumnColour, "双色"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(ReadExchangeRow(FakeSection(KeyValues{{c.key, c.value}}).Reader()).row[c.column],
                  c.text)
            << c.key << "=" << c.value;
    }
}

TEST(ExchangeCodec, Write) {
    const KeyValues expected = {
        {"nCtrlType", "3"},   {"nCtrlAddress", "3"}, {"nCommType", "1"},
        {"nHeight", "16"},    {"nWidth", "128"},     {"nSerialType", "2"},
        {"nSerialNum", "4"},  {"nNetPort", "5005"},  {"sNetAdderrs", "10.0.0.5"},
        {"nColorOrder", "1"},
    };
    EXPECT_EQ(ExchangeKeyValues(SampleRow()), expected);
    const WriteCase cases[] = {
        {kColumnModel, "无效", "nCtrlType", "8"},
        {kColumnModel, "tk300", "nCtrlType", "3"},
        {kColumnAddress, "0", "nCtrlAddress", "0"},
        {kColumnCommMode, "串口通讯", "nCommType", "0"},
        {kColumnBaud, "9600", "nSerialType", "0"},
        {kColumnBaud, "4800", "nSerialType", "4800"},
        {kColumnBaud, "", "nSerialType", ""},
        {kColumnSerialPort, "COM12", "nSerialNum", "12"},
        {kColumnColour, "单色", "nColorOrder", "0"},
        {kColumnColour, "七彩色", "nColorOrder", "1"},
    };
    for (const WriteCase& c : cases) {
        ScreenRow row = SampleRow();
        row[c.column] = c.text;
        EXPECT_EQ(ValueOf(ExchangeKeyValues(row), c.key), c.value) << c.text;
    }
}

// Export then import gives the same row, except where the exchange file cannot carry a text.
TEST(ExchangeCodec, RowRoundTrips) {
    const struct {
        ScreenColumn column;
        const char* text;
        const char* readBack;
    } cases[] = {
        {kColumnModel, "TK300", "TK300"}, {kColumnModel, "无效", "TK350"},
        {kColumnModel, "tk500", "TK500"}, {kColumnBaud, "57600", "57600"},
        {kColumnBaud, "4800", ""},        {kColumnColour, "七彩色", "双色"},
    };
    for (const auto& c : cases) {
        ScreenRow row = SampleRow();
        row[c.column] = c.text;
        const ExchangeRow read = ReadExchangeRow(FakeSection(ExchangeKeyValues(row)).Reader());
        row[c.column] = c.readBack;
        EXPECT_TRUE(read.hasModel);
        EXPECT_EQ(read.row, row) << c.text;
    }
}

// A screen imported without nSerialNum reaches the settings file with the error text.
TEST(ExchangeCodec, MissingSerialNumberReachesSettingsAsErrorText) {
    const ExchangeRow read = ReadExchangeRow(FakeSection(KeyValues{{"nCtrlType", "8"}}).Reader());
    EXPECT_EQ(ValueOf(SettingsKeyValues(read.row), "SerialNum"), "错误");
    EXPECT_EQ(ValueOf(SettingsKeyValues(read.row), "IpAddress0"), "0");
}

}  // namespace
}  // namespace tk
