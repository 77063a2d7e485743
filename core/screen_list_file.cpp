#include "core/screen_list_file.h"

#include <algorithm>
#include <cstdio>

#include "core/atomic_file.h"
#include "core/model_table.h"
#include "core/profile_file.h"
#include "core/screen_section.h"
#include "core/settings.h"

namespace tk {

namespace {

// The keys of one section, read through a profile.
SectionReader ReaderOf(IProfile& profile, const std::string& section) {
    return SectionReader{[&profile, section](const char* key, int def) {
                             return profile.GetInt(section.c_str(), key, def);
                         },
                         [&profile, section](const char* key, const char* def, unsigned maxLength) {
                             return GetProfileText(profile, section.c_str(), key, def,
                                                   maxLength + 1);
                         }};
}

// Writes ScreenCount (both files keep it under the same section and key), then each row's
// section with its keys in their order; false at the first refusal.
bool WriteRows(IProfile& profile, const std::vector<ScreenRow>& rows,
               std::string (*sectionName)(int), KeyValues (*keyValues)(const ScreenRow&)) {
    if (!WriteScreenCount(profile, static_cast<int>(rows.size()))) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string section = sectionName(static_cast<int>(i));
        for (const auto& [key, value] : keyValues(rows[i])) {
            if (!profile.WriteString(section.c_str(), key.c_str(), value.c_str())) return false;
        }
    }
    return true;
}

// Sections of an exchange file looked at, at most.
constexpr int kMaxExchangeScan = 100000;

}  // namespace

std::string ExchangeSectionName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Screen%d", index);
    return name;
}

ScreenRow ReadSettingsScreen(IProfile& settings, int index) {
    return ReadSettingsRow(ReadScreenSection(settings, index));
}

bool WriteSettingsRows(IProfile& settings, const std::vector<ScreenRow>& rows) {
    return WriteRows(settings, rows, ScreenSectionName, SettingsKeyValues);
}

bool SaveSettingsRows(const std::string& path, const std::vector<ScreenRow>& rows) {
    ProfileBatch batch(path);
    return WriteSettingsRows(batch, rows) && batch.Commit();
}

ExchangeImport ReadExchangeFile(const std::string& path, int maxRows) {
    ExchangeImport result;
    std::string bytes;
    switch (ReadFileIfPresent(path, bytes)) {
        case FileRead::kMissing:
            result.status = ExchangeImportStatus::kNoFile;
            return result;
        case FileRead::kFailed:
            result.status = ExchangeImportStatus::kUnreadable;
            return result;
        case FileRead::kRead:
            break;
    }
    ProfileBatch file(path);
    if (!file.Loaded()) {
        // Read as empty, it would clear the list.
        result.status = ExchangeImportStatus::kNotAnsi;
        return result;
    }
    result.screenCount = ReadScreenCount(file);
    // A count far beyond any real list (a damaged file) is not walked to its end.
    const int scan = std::min(result.screenCount, kMaxExchangeScan);
    int i = 0;
    for (; i < scan && static_cast<int>(result.rows.size()) < maxRows; ++i) {
        const std::string section = ExchangeSectionName(i);
        if (!file.HasSection(section.c_str())) continue;
        ExchangeRow screen = ReadExchangeRow(ReaderOf(file, section));
        if (!screen.hasModel) screen.row[kColumnModel] = kInvalidModelName;
        result.rows.push_back(screen.row);
    }
    // Sections past the limit are not looked at: the count says how many screens were left.
    result.leftOut = result.screenCount - i;
    if (result.screenCount > 0 && result.rows.empty()) {
        result.status = ExchangeImportStatus::kNoScreenSections;
    }
    return result;
}

bool SaveExchangeFile(const std::string& path, const std::vector<ScreenRow>& rows) {
    ProfileBatch batch(path);
    return WriteRows(batch, rows, ExchangeSectionName, ExchangeKeyValues) && batch.Commit();
}

}  // namespace tk
