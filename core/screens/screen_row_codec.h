#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/screens/screen_section.h"

namespace tk {

// Column indices of a ScreenRow; width comes before height here, unlike in both files.
enum ScreenColumn : std::size_t {
    kColumnModel,
    kColumnAddress,
    kColumnCommMode,
    kColumnSerialPort,
    kColumnBaud,
    kColumnNetPort,
    kColumnIp,
    kColumnColour,
    kColumnWidth,
    kColumnHeight,
    kColumnCount
};

// The ten display texts of one screen in the controller list, in column order.
using ScreenRow = std::array<std::string, kColumnCount>;

// Title and width in pixels of one list column (all left-aligned).
struct ListColumn {
    const char* title;
    int width;
};

extern const std::array<ListColumn, kColumnCount> kListColumns;

// Texts of the communication and colour columns.
inline constexpr char kCommNetwork[] = "网络通讯";
inline constexpr char kCommSerial[] = "串口通讯";
inline constexpr char kColourSingle[] = "单色";
inline constexpr char kColourDouble[] = "双色";
inline constexpr char kColourFull[] = "七彩色";
// Exchange-file default for a missing text key.
inline constexpr char kMissingText[] = "错误";

// Reads the keys of the one exchange-file section being converted; the caller binds it to a
// file and section.
struct SectionReader {
    // As GetPrivateProfileIntA: def when the key is missing or empty.
    std::function<int(const char* key, int def)> readInt;
    // As GetPrivateProfileStringA: def when the key is missing, at most maxLength bytes.
    std::function<std::string(const char* key, const char* def, unsigned maxLength)> readText;
};

// Key and value texts of one section, in write order.
using KeyValues = std::vector<std::pair<std::string, std::string>>;

// One screen of the exchange file; hasModel is false when nCtrlType is no model's code, and
// the model column is then empty.
struct ExchangeRow {
    ScreenRow row;
    bool hasModel = false;
};

// The part of a text after its first "M", or the whole text without one ("COM3" gives "3").
std::string PortNumberText(const std::string& text);

ScreenRow ReadSettingsRow(const ScreenSection& section);
KeyValues SettingsKeyValues(const ScreenRow& row);
ExchangeRow ReadExchangeRow(const SectionReader& reader);
KeyValues ExchangeKeyValues(const ScreenRow& row);

}  // namespace tk
