// The write conversions from arbitrary row texts (invalid GBK, overlong texts, missing
// separators), through the settings-file save and the exchange-file export and back through
// their readers: the keys hold the documented values, a save or export either happens whole or
// is refused and leaves no file, and what reads back is what the row said.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/screens/model_table.h"
#include "core/store/profile_file.h"
#include "core/screens/screen_list_file.h"
#include "tests/fuzz/fuzz_util.h"

namespace {

using namespace tk::fuzz;
using tk::KeyValues;
using tk::ScreenRow;

// Texts the windows and the import put into each column, so that runs reach the mappings.
const std::vector<std::vector<const char*>> kColumnTexts = {
    {"TK100-I/II", "tk100-ie", "TK300", "Tk310", "TK320", "TK350", "tk500", "TK700", "无效",
     "TK999", ""},
    {"1", "0", "M5", "2147483648", "-2147483648", "12abc", "", " 7", "错误"},
    {"网络通讯", "串口通讯", "", "网络"},
    {"COM1", "COM12", "COM错误", "COM", "7", "M",
     "\xCD\x4D"
     "3"},
    {"9600", "57600", "115200", "4800", "", "错误"},
    {"5005", "0", "错误", "\"5005\""},
    {"127.0.0.1", "10.0.0.5", "300.1.2.3", "1.2.3", "1..2.3", "错误", "", "-1.-2.-3.-4"},
    {"单色", "双色", "七彩色", "", "彩色"},
    {"64", "0", "-1", "错误"},
    {"32", "99999999999", "错误"},
};

// A row as the list holds it: texts of a list view, so none holds a NUL.
ScreenRow MakeRow(FuzzedDataProvider& in) {
    ScreenRow row;
    for (size_t c = 0; c < row.size(); ++c) {
        const auto& texts = kColumnTexts[c];
        row[c] = in.ConsumeBool() ? texts[in.ConsumeIntegralInRange<size_t>(0, texts.size() - 1)]
                                  : CText(in.ConsumeRandomLengthString(130));
    }
    return row;
}

std::string ValueOf(const KeyValues& values, const char* key) {
    for (const auto& [k, v] : values)
        if (k == key) return v;
    Fail("key written", key);
}

bool IsIntText(const std::string& text) {
    char* end = nullptr;
    if (text.empty() || text.size() > 11) return false;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && v >= INT_MIN && v <= INT_MAX && std::to_string(v) == text;
}

// A text after a save and a read: blanks at the ends dropped, matching quotes too, cut at a NUL.
std::string Stored(const std::string& text) { return ReadsAs(Trim(CText(text))); }

// A value the store takes: no line break inside what is stored.
bool Storable(const std::string& text) {
    return Trim(CText(text)).find_first_of("\r\n") == std::string::npos;
}

// The read of a capped text: a prefix of what was stored, never more than the cap, and short
// of it by one byte at most (a double-byte character that did not fit).
void CheckCapped(const std::string& got, const std::string& stored, size_t cap, const char* what) {
    const bool ok = stored.size() <= cap
                        ? got == stored
                        : got.size() <= cap && got.size() + 1 >= cap && stored.rfind(got, 0) == 0;
    Check(ok, what, Show(stored) + " read as " + Show(got));
}

std::string RowText(const ScreenRow& row) {
    std::string out;
    for (const auto& column : row) out += Show(column) + " ";
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckGbkBuild();
    FuzzedDataProvider in(data, size);
    const ScreenRow row = MakeRow(in);
    const std::string all = RowText(row);

    // The settings keys: codes, numbers in the file's integer, texts passed on.
    const KeyValues settings = tk::SettingsKeyValues(row);
    Check(settings.size() == 13, "thirteen settings keys");
    const std::string cardType = ValueOf(settings, "CardType");
    bool known = false;
    for (const auto& model : tk::kControllerModels)
        known = known || cardType == std::to_string(model.cardType);
    Check(known, "CardType is a model's code", all);
    Check(IsIntText(ValueOf(settings, "CardAddress")), "CardAddress is an int", all);
    for (const char* key : {"IpAddress0", "IpAddress1", "IpAddress2", "IpAddress3"})
        Check(IsIntText(ValueOf(settings, key)), "IpAddress is an int", all);
    Check(ValueOf(settings, "CommunicationMode") ==
              (row[tk::kColumnCommMode] == tk::kCommNetwork ? "1" : "0"),
          "CommunicationMode", all);
    Check(ValueOf(settings, "ColorStyle") == (row[tk::kColumnColour] == tk::kColourSingle ? "0"
                                              : row[tk::kColumnColour] == tk::kColourFull ? "2"
                                                                                          : "1"),
          "ColorStyle", all);
    Check(ValueOf(settings, "ScreemWidth") == row[tk::kColumnWidth] &&
              ValueOf(settings, "ScreemHeight") == row[tk::kColumnHeight] &&
              ValueOf(settings, "SerialBaud") == row[tk::kColumnBaud] &&
              ValueOf(settings, "NetPort") == row[tk::kColumnNetPort],
          "settings texts passed on", all);

    // Saved and read back: a row the file can hold comes back with its numbers as written.
    const std::string path = ScratchFile("a.ini");
    unlink(path.c_str());
    bool storable = true;
    for (const auto& [key, value] : settings) storable = storable && Storable(value);
    const bool saved = tk::SaveSettingsRows(path, {row});
    Check(saved == storable, "a settings save is refused only for a line break", all);
    if (saved) {
        tk::ProfileBatch file(path);
        const ScreenRow back = tk::ReadSettingsScreen(file, 0);
        Check(tk::CardTypeFromModelName(back[tk::kColumnModel]) == cardType, "model saved", all);
        // An address the list could have shown (any CardAddress + 1) is saved as it was.
        if (IsIntText(row[tk::kColumnAddress]) || row[tk::kColumnAddress] == "2147483648") {
            Check(back[tk::kColumnAddress] == row[tk::kColumnAddress] ||
                      row[tk::kColumnAddress] == "-2147483648",
                  "address saved", all + "\n" + RowText(back));
        }
        const ScreenRow resaved = [&] {
            unlink(path.c_str());
            Check(tk::SaveSettingsRows(path, {back}), "a read row saves");
            tk::ProfileBatch file2(path);
            return tk::ReadSettingsScreen(file2, 0);
        }();
        Check(resaved == back, "a read row saves as it was read",
              RowText(back) + "\n" + RowText(resaved));
    } else {
        Check(access(path.c_str(), F_OK) != 0, "a refused save leaves no file");
    }

    // The exchange keys and an export read back by the import.
    const KeyValues exchange = tk::ExchangeKeyValues(row);
    Check(exchange.size() == 10, "ten exchange keys");
    unlink(path.c_str());
    storable = true;
    for (const auto& [key, value] : exchange) storable = storable && Storable(value);
    const bool exported = tk::SaveExchangeFile(path, {row});
    Check(exported == storable, "an export is refused only for a line break", all);
    if (!exported) {
        Check(access(path.c_str(), F_OK) != 0, "a refused export leaves no file");
        return 0;
    }
    const tk::ExchangeImport imported = tk::ReadExchangeFile(path, tk::kMaxScreens);
    Check(imported.rows.size() == 1, "an exported row imports", all);
    const ScreenRow& back = imported.rows[0];
    Check(tk::CtrlTypeFromModelName(back[tk::kColumnModel]) ==
              tk::CtrlTypeFromModelName(row[tk::kColumnModel]),
          "model exported", all);
    Check(back[tk::kColumnCommMode] ==
              (row[tk::kColumnCommMode] == tk::kCommNetwork ? tk::kCommNetwork : tk::kCommSerial),
          "mode exported", all);
    Check(back[tk::kColumnColour] ==
              (row[tk::kColumnColour] == tk::kColourSingle ? tk::kColourSingle : tk::kColourDouble),
          "colour exported", all);
    // Another rate is exported as its own text, which the import shows as empty, unless that
    // text is one of the codes: the format cannot tell a rate "1" from the code 1.
    const std::string& baud = row[tk::kColumnBaud];
    const std::string code = Stored(baud);
    const std::string wantBaud = baud == "9600" || baud == "57600" || baud == "115200" ? baud
                                 : code == "0"                                         ? "9600"
                                 : code == "1"                                         ? "57600"
                                 : code == "2"                                         ? "115200"
                                                                                       : "";
    Check(back[tk::kColumnBaud] == wantBaud, "baud exported", all);
    CheckCapped(back[tk::kColumnNetPort], Stored(row[tk::kColumnNetPort]), 99, "port exported");
    CheckCapped(back[tk::kColumnWidth], Stored(row[tk::kColumnWidth]), 99, "width exported");
    CheckCapped(back[tk::kColumnHeight], Stored(row[tk::kColumnHeight]), 99, "height exported");
    CheckCapped(back[tk::kColumnIp], Stored(row[tk::kColumnIp]), 15, "address exported");
    Check(back[tk::kColumnSerialPort].compare(0, 3, "COM") == 0, "serial exported");
    CheckCapped(back[tk::kColumnSerialPort].substr(3),
                Stored(tk::PortNumberText(row[tk::kColumnSerialPort])), 99,
                "serial number exported");
    return 0;
}
