#pragma once

#include <string>
#include <vector>

#include "core/store/profile.h"
#include "core/store/profile_file.h"
#include "core/screens/screen_row_codec.h"
#include "core/screens/screen_section.h"

namespace tk {

// The list texts of settings-file screen `index` (0-based).
ScreenRow ReadSettingsScreen(IProfileReader& settings, int index);

// Writes ScreenCount and then, row by row, the thirteen keys of each screen section, in the
// order the controller library's file has always been written in. False at the first refused
// write.
bool WriteSettingsRows(IProfile& settings, const std::vector<ScreenRow>& rows);

// WriteSettingsRows into the file at path as one all-or-nothing update: either every key is
// written or the file keeps its old bytes, and why is put into *why when given.
bool SaveSettingsRows(const std::string& path, const std::vector<ScreenRow>& rows,
                      FileFailure* why = nullptr);

// The screens of an exchange file as read.
struct ExchangeImport {
    // Why the file was not read (kMissing: there is none); the rest is then empty.
    FileFailure failure;
    std::vector<ScreenRow> rows;
    int screenCount = 0;  // ScreenCount as read
    int leftOut = 0;      // screens of the file past the row limit, not imported
    int missing = 0;      // screens ScreenCount names that have no section in the file

    // ScreenCount names screens, but no "Screen%d" section is there: no exported list.
    bool NoScreenSections() const { return screenCount > 0 && rows.empty(); }
};

// Reads the screens of an exchange file through one parse of it, at most maxRows of them. A
// screen whose nCtrlType is no model's code keeps its values under the model "无效"; an absent
// section gives no row and the following screens follow on. Every screen that ScreenCount names
// is either a row, left out past maxRows, or missing.
ExchangeImport ReadExchangeFile(const std::string& path, int maxRows);

// Writes ScreenCount and the ten keys of each row's "Screen%d" section into the exchange file
// at path as one all-or-nothing update; every other section and key of the file stays. Why it
// failed is put into *why when given.
bool SaveExchangeFile(const std::string& path, const std::vector<ScreenRow>& rows,
                      FileFailure* why = nullptr);

}  // namespace tk
