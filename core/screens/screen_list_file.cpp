#include "core/screens/screen_list_file.h"

#include <algorithm>
#include <climits>
#include <set>

#include "core/store/atomic_file.h"
#include "core/screens/model_table.h"
#include "core/store/profile_file.h"
#include "core/screens/screen_section.h"
#include "core/store/settings.h"

namespace tk {

namespace {

// The keys of one section, read through a profile.
SectionReader ReaderOf(IProfileReader& profile, const std::string& section) {
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

// The index i of a section named as ExchangeSectionName(i) names it (letter case aside, as the
// reads compare names), or -1.
int ExchangeSectionIndex(const std::string& name) {
    const size_t prefix = sizeof kExchangeSectionPrefix - 1;
    if (name.size() <= prefix || name.size() > prefix + 10) return -1;
    for (size_t i = 0; i < prefix; ++i) {
        if ((name[i] & ~0x20) != (kExchangeSectionPrefix[i] & ~0x20)) return -1;
    }
    if (name[prefix] == '0' && name.size() > prefix + 1) return -1;  // "Screen01" is no screen
    long long index = 0;
    for (size_t i = prefix; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        index = index * 10 + (name[i] - '0');
    }
    return index <= INT_MAX ? static_cast<int>(index) : -1;
}

// Bundles the outcome of a save for the caller that asked why.
bool Outcome(bool saved, const ProfileBatch& batch, FileFailure* why) {
    if (!saved && why) *why = batch.Failure();
    return saved;
}

}  // namespace

ScreenRow ReadSettingsScreen(IProfileReader& settings, int index) {
    return ReadSettingsRow(ReadScreenSection(settings, index));
}

bool WriteSettingsRows(IProfile& settings, const std::vector<ScreenRow>& rows) {
    return WriteRows(settings, rows, ScreenSectionName, SettingsKeyValues);
}

bool SaveSettingsRows(const std::string& path, const std::vector<ScreenRow>& rows,
                      FileFailure* why) {
    ProfileBatch batch(path);
    return Outcome(WriteSettingsRows(batch, rows) && batch.Commit(), batch, why);
}

ExchangeImport ReadExchangeFile(const std::string& path, int maxRows) {
    ExchangeImport result;
    ProfileBatch file(path);
    // A file that is not read gives no rows: read as empty, it would clear the list.
    result.failure = file.Failure();
    if (result.failure.Failed()) return result;
    result.screenCount = ReadScreenCount(file);
    // The screens the file has, found from its sections: a count far beyond any real list (a
    // damaged file) costs nothing, and the screens it names without a section are counted.
    std::set<int> present;
    for (const std::string& name : file.SectionNames()) {
        const int index = ExchangeSectionIndex(name);
        if (index >= 0 && index < result.screenCount) present.insert(index);
    }
    for (const int index : present) {
        if (static_cast<int>(result.rows.size()) == maxRows) break;
        ExchangeRow screen = ReadExchangeRow(ReaderOf(file, ExchangeSectionName(index)));
        if (!screen.hasModel) screen.row[kColumnModel] = kInvalidModelName;
        result.rows.push_back(screen.row);
    }
    const int rows = static_cast<int>(result.rows.size());
    result.leftOut = static_cast<int>(present.size()) - rows;
    result.missing = std::max(result.screenCount, 0) - static_cast<int>(present.size());
    return result;
}

bool SaveExchangeFile(const std::string& path, const std::vector<ScreenRow>& rows,
                      FileFailure* why) {
    ProfileBatch batch(path);
    return Outcome(WriteRows(batch, rows, ExchangeSectionName, ExchangeKeyValues) && batch.Commit(),
                   batch, why);
}

}  // namespace tk
