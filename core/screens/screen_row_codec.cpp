#include "core/screens/screen_row_codec.h"

#include <climits>

#include "core/base/dotted_address.h"
#include "core/base/gbk.h"
#include "core/screens/model_table.h"

namespace tk {

const std::array<ListColumn, kColumnCount> kListColumns = {{
    {"型号", 100},
    {"地址", 60},
    {"通讯方式", 60},
    {"串口号", 60},
    {"波特率", 60},
    {"端口", 60},
    {"IP", 100},
    {"颜色", 50},
    {"屏宽", 60},
    {"屏高", 60},
}};

namespace {

constexpr int kDefaultCtrlType = 21;  // no model's nCtrlType: a section without it has no model
constexpr unsigned kMaxExchangeText = 99;
constexpr unsigned kMaxNetAdderrs = 15;

// Baud rates offered by the editor and their nSerialType codes.
constexpr std::pair<const char*, const char*> kBaudCodes[] = {
    {"9600", "0"}, {"57600", "1"}, {"115200", "2"}};

// The leading decimal number of a text as atoi reads it, 0 without one; saturated as
// ScanDecimal.
long long LeadingInt(const std::string& text) {
    std::size_t at = 0;
    long long value = 0;
    return ScanDecimal(text, at, value) ? value : 0;
}

// CardAddress for the list's address text: the file counts from 0, the list from 1. Kept
// within the file's integer, so that every address a read shows (CardAddress + 1, up to
// INT_MAX + 1) is written back as it was read, and no text writes a number that reads back as
// another.
std::string CardAddressText(const std::string& address) {
    const long long value = LeadingInt(PortNumberText(address)) - 1;
    return std::to_string(value < INT_MIN ? INT_MIN : value);
}

}  // namespace

// Port number of a serial text, also used on the address column. Steps over double-byte
// characters, whose trail byte may be 0x4D.
std::string PortNumberText(const std::string& text) {
    const std::string::size_type m = FindFirstOfGbk(text, "M");
    return m == std::string::npos ? text : text.substr(m + 1);
}

// Row texts of one settings-file screen section.
ScreenRow ReadSettingsRow(const ScreenSection& section) {
    ScreenRow row;
    row[kColumnModel] = ModelNameFromCardType(section.cardType);
    row[kColumnAddress] = std::to_string(static_cast<long long>(section.cardAddress) + 1);
    row[kColumnCommMode] = section.communicationMode != 0 ? kCommNetwork : kCommSerial;
    row[kColumnSerialPort] = "COM" + std::to_string(section.serialNum);
    row[kColumnBaud] = std::to_string(section.serialBaud);
    row[kColumnNetPort] = std::to_string(section.netPort);
    row[kColumnIp] = DottedAddressText(section.ip);
    const int colour = section.colorStyle;
    row[kColumnColour] = colour == 2 ? kColourFull : colour == 1 ? kColourDouble : kColourSingle;
    row[kColumnWidth] = std::to_string(section.screemWidth);
    row[kColumnHeight] = std::to_string(section.screemHeight);
    return row;
}

// The thirteen keys of a settings-file screen section for a row. "七彩色" is stored as 2 so
// that a full-colour screen survives a save.
KeyValues SettingsKeyValues(const ScreenRow& row) {
    int ip[4] = {0, 0, 0, 0};
    ScanDottedNumbers(row[kColumnIp], DottedRule::kScanf, ip);
    const std::string& colour = row[kColumnColour];
    KeyValues values = {
        {kCardTypeKey, CardTypeFromModelName(row[kColumnModel])},
        {kCardAddressKey, CardAddressText(row[kColumnAddress])},
        {kCommunicationModeKey, row[kColumnCommMode] == kCommNetwork ? "1" : "0"},
        {kScreemHeightKey, row[kColumnHeight]},
        {kScreemWidthKey, row[kColumnWidth]},
        {kSerialBaudKey, row[kColumnBaud]},
        {kSerialNumKey, PortNumberText(row[kColumnSerialPort])},
        {kNetPortKey, row[kColumnNetPort]},
    };
    for (int k = 0; k < 4; ++k) values.emplace_back(kIpAddressKeys[k], std::to_string(ip[k]));
    values.emplace_back(kColorStyleKey, colour == kColourSingle ? "0"
                                        : colour == kColourFull ? "2"
                                                                : "1");
    return values;
}

// Row texts of one exchange-file screen section.
ExchangeRow ReadExchangeRow(const SectionReader& reader) {
    const auto text = [&reader](const char* key) {
        return reader.readText(key, kMissingText, kMaxExchangeText);
    };
    ExchangeRow result;
    ScreenRow& row = result.row;
    const auto model = ModelNameFromCtrlType(reader.readInt(kCtrlTypeKey, kDefaultCtrlType));
    result.hasModel = model.has_value();
    if (model) row[kColumnModel] = *model;
    row[kColumnAddress] = std::to_string(reader.readInt(kCtrlAddressKey, 0));
    row[kColumnCommMode] = text(kCommTypeKey) == "1" ? kCommNetwork : kCommSerial;
    row[kColumnSerialPort] = "COM" + text(kExchangeSerialNumKey);
    const std::string baudCode = text(kSerialTypeKey);
    for (const auto& [baud, code] : kBaudCodes) {
        if (baudCode == code) row[kColumnBaud] = baud;
    }
    row[kColumnNetPort] = text(kExchangeNetPortKey);
    row[kColumnIp] = reader.readText(kNetAdderrsKey, kMissingText, kMaxNetAdderrs);
    row[kColumnColour] = text(kColorOrderKey) == "0" ? kColourSingle : kColourDouble;
    row[kColumnWidth] = text(kWidthKey);
    row[kColumnHeight] = text(kHeightKey);
    return result;
}

// The ten keys of an exchange-file screen section for a row.
KeyValues ExchangeKeyValues(const ScreenRow& row) {
    std::string serialType = row[kColumnBaud];
    for (const auto& [baud, code] : kBaudCodes) {
        if (row[kColumnBaud] == baud) serialType = code;
    }
    return {
        {kCtrlTypeKey, CtrlTypeFromModelName(row[kColumnModel])},
        {kCtrlAddressKey, row[kColumnAddress]},
        {kCommTypeKey, row[kColumnCommMode] == kCommNetwork ? "1" : "0"},
        {kHeightKey, row[kColumnHeight]},
        {kWidthKey, row[kColumnWidth]},
        {kSerialTypeKey, serialType},
        {kExchangeSerialNumKey, PortNumberText(row[kColumnSerialPort])},
        {kExchangeNetPortKey, row[kColumnNetPort]},
        {kNetAdderrsKey, row[kColumnIp]},
        {kColorOrderKey, row[kColumnColour] == kColourSingle ? "0" : "1"},
    };
}

}  // namespace tk
