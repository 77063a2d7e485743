// Arbitrary bytes as a settings file and as an exchange file, through the readers of the list
// window, the roster and the controller library: every text has its documented form, and what
// is read, written back and read again is what was read.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/screens/model_table.h"
#include "core/store/profile_file.h"
#include "core/screens/roster.h"
#include "core/screens/screen_list_file.h"
#include "library/link_settings.h"
#include "tests/fuzz/fuzz_util.h"

namespace {

using namespace tk::fuzz;
using tk::ScreenRow;

// A decimal int as "%d" writes it; value gets it when there is one.
bool IsDecimal(const std::string& text, long long& value) {
    size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size() || (text[i] == '0' && text.size() > i + 1)) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    if (text.size() > 12) return false;
    value = std::stoll(text);
    return true;
}

bool IsInt(const std::string& text) {
    long long v = 0;
    return IsDecimal(text, v) && v >= INT_MIN && v <= INT_MAX;
}

bool IsModelName(const std::string& text) {
    for (const auto& model : tk::kControllerModels)
        if (text == model.name) return true;
    return false;
}

bool IsOneOf(const std::string& text, std::initializer_list<const char*> texts) {
    for (const char* t : texts)
        if (text == t) return true;
    return false;
}

std::string RowText(const ScreenRow& row) {
    std::string out;
    for (const auto& column : row) out += Show(column) + " ";
    return out;
}

// A settings-file screen: the texts the settings read documents.
void CheckSettingsRow(const ScreenRow& row) {
    const std::string all = RowText(row);
    Check(IsModelName(row[tk::kColumnModel]) || row[tk::kColumnModel] == tk::kInvalidModelName,
          "settings model", all);
    long long address = 0;
    Check(IsDecimal(row[tk::kColumnAddress], address) && address > INT_MIN &&
              address <= static_cast<long long>(INT_MAX) + 1,
          "settings address is CardAddress + 1", all);
    Check(IsOneOf(row[tk::kColumnCommMode], {tk::kCommNetwork, tk::kCommSerial}), "settings mode",
          all);
    Check(row[tk::kColumnSerialPort].compare(0, 3, "COM") == 0 &&
              IsInt(row[tk::kColumnSerialPort].substr(3)),
          "settings serial port", all);
    for (auto c : {tk::kColumnBaud, tk::kColumnNetPort, tk::kColumnWidth, tk::kColumnHeight})
        Check(IsInt(row[c]), "settings number", all);
    const std::string& ip = row[tk::kColumnIp];
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? ip.find('.', start) : ip.size();
        Check(dot != std::string::npos && IsInt(ip.substr(start, dot - start)), "settings ip", all);
        start = dot + 1;
    }
    Check(IsOneOf(row[tk::kColumnColour], {tk::kColourSingle, tk::kColourDouble, tk::kColourFull}),
          "settings colour", all);
}

// An exchange-file screen: the texts the exchange read documents, lengths capped.
void CheckExchangeRow(const ScreenRow& row) {
    const std::string all = RowText(row);
    Check(IsModelName(row[tk::kColumnModel]) || row[tk::kColumnModel] == tk::kInvalidModelName,
          "exchange model", all);
    Check(IsInt(row[tk::kColumnAddress]), "exchange address", all);
    Check(IsOneOf(row[tk::kColumnCommMode], {tk::kCommNetwork, tk::kCommSerial}), "exchange mode",
          all);
    Check(row[tk::kColumnSerialPort].compare(0, 3, "COM") == 0 &&
              row[tk::kColumnSerialPort].size() <= 3 + 99,
          "exchange serial port", all);
    Check(IsOneOf(row[tk::kColumnBaud], {"", "9600", "57600", "115200"}), "exchange baud", all);
    for (auto c : {tk::kColumnNetPort, tk::kColumnWidth, tk::kColumnHeight})
        Check(row[c].size() <= 99, "exchange text capped at 99", all);
    Check(row[tk::kColumnIp].size() <= 15, "exchange address capped at 15", all);
    Check(IsOneOf(row[tk::kColumnColour], {tk::kColourSingle, tk::kColourDouble}),
          "exchange colour", all);
    for (const auto& column : row)
        Check(column.find_first_of("\r\n") == std::string::npos, "a column is one line", all);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckGbkBuild();
    if (size > 16384) return 0;
    const std::string path = ScratchFile("a.ini");
    const std::string copy = ScratchFile("b.ini");
    WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));

    // As a settings file: the list window's rows, the roster, the library's screens.
    tk::ProfileBatch settings(path);
    const int count = tk::ReadScreenCount(settings);
    const int shown = count < 0 ? 0 : count > 3 ? 3 : count;
    std::vector<ScreenRow> rows;
    for (int i = 0; i < shown; ++i) {
        rows.push_back(tk::ReadSettingsScreen(settings, i));
        CheckSettingsRow(rows.back());
    }
    // Written back to a file of its own and read again, a row is what it was, except that a
    // model the table does not know is saved as the fallback model.
    unlink(copy.c_str());
    Check(tk::SaveSettingsRows(copy, rows), "settings rows save");
    tk::ProfileBatch saved(copy);
    Check(tk::ReadScreenCount(saved) == shown, "saved count");
    for (int i = 0; i < shown; ++i) {
        ScreenRow want = rows[i];
        if (want[tk::kColumnModel] == tk::kInvalidModelName) want[tk::kColumnModel] = "TK350";
        const ScreenRow got = tk::ReadSettingsScreen(saved, i);
        Check(got == want, "settings row survives a save", RowText(want) + "\n" + RowText(got));
    }

    tk::ScreenRoster roster;
    tk::LoadRoster(settings, roster);
    Check(roster.count >= 0 && roster.count <= tk::kMaxScreens, "roster count bounded");
    for (int i = 0; i < roster.count && i < 3; ++i) {
        const tk::ScreenEntry& entry = roster.entries[i];
        Check(entry.number == i + 1 && (entry.network == 0 || entry.network == 1) &&
                  entry.address[sizeof entry.address - 1] == '\0',
              "roster entry");
        Check(std::string(entry.address) ==
                  rows[i][tk::kColumnIp].substr(0, sizeof entry.address - 1),
              "roster address is the list's", entry.address);
    }

    const tk::LibrarySettings library = tk::ReadLibrarySettings(settings);
    Check(library.screenCount == count, "library count");
    Check(static_cast<int>(library.screens.size()) == (count < 0                 ? 0
                                                       : count > tk::kMaxScreens ? tk::kMaxScreens
                                                                                 : count),
          "library screens bounded");
    Check(library.Screen(0) == nullptr && library.Screen(tk::kMaxScreens + 1) == nullptr,
          "library screen numbers bounded");

    // As an exchange file: the import's rows, and an export of them imports as the same rows.
    const tk::ExchangeImport imported = tk::ReadExchangeFile(path, tk::kMaxScreens);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (LeftUnread(bytes)) {
        Check(imported.failure.kind == tk::FileFailure::Kind::kNotAnsi,
              "a UTF-16 or non-ASCII UTF-8 file is reported, not read");
        return 0;
    }
    Check(!imported.failure.Failed(), "an existing file is read");
    Check(imported.rows.size() <= static_cast<size_t>(tk::kMaxScreens), "import bounded");
    Check(imported.leftOut >= 0 && imported.missing >= 0 &&
              static_cast<int>(imported.rows.size()) + imported.leftOut + imported.missing ==
                  std::max(imported.screenCount, 0),
          "every screen of the count is a row, left out or missing");
    for (const ScreenRow& row : imported.rows) CheckExchangeRow(row);
    unlink(copy.c_str());
    Check(tk::SaveExchangeFile(copy, imported.rows), "exchange export");
    const tk::ExchangeImport again = tk::ReadExchangeFile(copy, tk::kMaxScreens);
    Check(again.rows.size() == imported.rows.size(), "export and import keep the screens");
    for (size_t i = 0; i < again.rows.size(); ++i) {
        ScreenRow want = imported.rows[i];
        if (want[tk::kColumnModel] == tk::kInvalidModelName) want[tk::kColumnModel] = "TK350";
        // A text read with a cap can end in a blank, and one read from a doubly quoted value
        // is quoted: the file keeps neither (blanks at the ends are not stored, matching
        // quotes are taken off when read).
        for (auto c : {tk::kColumnNetPort, tk::kColumnIp, tk::kColumnWidth, tk::kColumnHeight})
            want[c] = ReadsAs(Trim(want[c]));
        want[tk::kColumnSerialPort] = "COM" + ReadsAs(Trim(want[tk::kColumnSerialPort].substr(3)));
        Check(again.rows[i] == want, "exchange row survives export and import",
              RowText(want) + "\n" + RowText(again.rows[i]));
    }
    return 0;
}
