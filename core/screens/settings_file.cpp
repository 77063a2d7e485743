#include "core/screens/settings_file.h"

#include <algorithm>

#include "core/store/profile_file.h"
#include "core/screens/screen_list_file.h"
#include "core/store/settings.h"

namespace tk {

namespace {

// Reads through a profile that something else owns.
class BorrowedReader final : public IProfileReader {
public:
    explicit BorrowedReader(IProfileReader& profile) : m_profile(profile) {}
    int GetInt(const char* section, const char* key, int def) override {
        return m_profile.GetInt(section, key, def);
    }
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override {
        return m_profile.GetString(section, key, def, buf, size);
    }

private:
    IProfileReader& m_profile;
};

}  // namespace

std::unique_ptr<IProfileReader> SettingsFile::Snapshot() {
    auto batch = std::make_unique<ProfileBatch>(m_path);
    if (batch->Loaded()) return batch;
    return std::make_unique<BorrowedReader>(m_direct);
}

SettingsRows SettingsFile::LoadSettingsRows(int maxRows) {
    ProfileBatch settings(m_path);
    SettingsRows result;
    if (!settings.Loaded()) result.notRead = settings.Failure();
    result.screenCount = ReadScreenCount(settings);
    for (int i = 0; i < std::min(result.screenCount, maxRows); ++i) {
        result.rows.push_back(ReadSettingsScreen(settings, i));
    }
    return result;
}

bool SettingsFile::SaveSettingsRows(const std::vector<ScreenRow>& rows, FileFailure* why) {
    return tk::SaveSettingsRows(m_path, rows, why);
}

}  // namespace tk
