#pragma once

#include <string>
#include <vector>

#include "core/profile.h"
#include "core/screen_row_codec.h"
#include "core/screen_section.h"

namespace tk {

// Section "Screen%d" of the exchange file for a 0-based index.
std::string ExchangeSectionName(int index);

// The list texts of settings-file screen `index` (0-based).
ScreenRow ReadSettingsScreen(IProfile& settings, int index);

// Writes ScreenCount and then, row by row, the thirteen keys of each screen section, in the
// order the controller library's file has always been written in. False at the first refused
// write.
bool WriteSettingsRows(IProfile& settings, const std::vector<ScreenRow>& rows);

// WriteSettingsRows into the file at path as one all-or-nothing update: either every key is
// written or the file keeps its old bytes.
bool SaveSettingsRows(const std::string& path, const std::vector<ScreenRow>& rows);

// How an exchange file was read.
enum class ExchangeImportStatus {
    kImported,          // rows holds the screens (possibly none)
    kNoFile,            // the file does not exist
    kUnreadable,        // the file exists but cannot be read (held by another program)
    kNoScreenSections,  // ScreenCount names screens, but no "Screen%d" section is there
    kNotAnsi,           // a UTF-16 file, or UTF-8 beyond ASCII: only the profile API reads it
};

struct ExchangeImport {
    ExchangeImportStatus status = ExchangeImportStatus::kImported;
    std::vector<ScreenRow> rows;
    int screenCount = 0;  // ScreenCount as read
    int leftOut = 0;      // screens past the row limit that were not imported
};

// Reads the screens of an exchange file through one parse of it, at most maxRows of them. A
// screen whose nCtrlType is no model's code keeps its values under the model "无效"; an absent
// section gives no row and the following screens follow on.
ExchangeImport ReadExchangeFile(const std::string& path, int maxRows);

// Writes ScreenCount and the ten keys of each row's "Screen%d" section into the exchange file
// at path as one all-or-nothing update; every other section and key of the file stays.
bool SaveExchangeFile(const std::string& path, const std::vector<ScreenRow>& rows);

}  // namespace tk
