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

// Writes the key/value texts of one section in their order; false at the first refusal.
bool WriteSection(IProfile& profile, const std::string& section, const KeyValues& values) {
    for (const auto& [key, value] : values) {
        if (!profile.WriteString(section.c_str(), key.c_str(), value.c_str())) return false;
    }
    return true;
}

bool WriteCount(IProfile& profile, size_t count) {
    return profile.WriteString(kGlobalSection, kScreenCountKey, std::to_string(count).c_str());
}

// A value no key of a file can hold (values end at the line end): tells a missing key apart
// from an empty one.
constexpr char kAbsent[] = "\n";

// Sections of an exchange file looked at, at most.
constexpr int kMaxExchangeScan = 100000;

// Keys any screen section of the exchange file has.
constexpr const char* kExchangeKeys[] = {"nCtrlType", "nCtrlAddress", "nCommType",  "nHeight",
                                         "nWidth",    "nSerialType",  "nSerialNum", "nNetPort",
                                         "sNetAdderrs", "nColorOrder"};

// True when the section holds at least one of the exchange keys.
bool HasExchangeSection(IProfile& profile, const std::string& section) {
    for (const char* key : kExchangeKeys) {
        if (GetProfileText(profile, section.c_str(), key, kAbsent, 4) != kAbsent) return true;
    }
    return false;
}

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
    if (!WriteCount(settings, rows.size())) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!WriteSection(settings, ScreenSectionName(static_cast<int>(i)),
                          SettingsKeyValues(rows[i]))) {
            return false;
        }
    }
    return true;
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
    result.screenCount = file.GetInt(kGlobalSection, kScreenCountKey, 0);
    // A count far beyond any real list (a damaged file) is not walked to its end.
    const int scan = std::min(result.screenCount, kMaxExchangeScan);
    int i = 0;
    for (; i < scan && static_cast<int>(result.rows.size()) < maxRows; ++i) {
        const std::string section = ExchangeSectionName(i);
        if (!HasExchangeSection(file, section)) continue;
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
    if (!WriteCount(batch, rows.size())) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!WriteSection(batch, ExchangeSectionName(static_cast<int>(i)),
                          ExchangeKeyValues(rows[i]))) {
            return false;
        }
    }
    return batch.Commit();
}

}  // namespace tk
