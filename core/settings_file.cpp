#include "core/settings_file.h"

#include "core/profile_file.h"

namespace tk {

namespace {

// Reads through a profile that something else owns.
class BorrowedProfile final : public IProfile {
public:
    explicit BorrowedProfile(IProfile& profile) : m_profile(profile) {}
    int GetInt(const char* section, const char* key, int def) override {
        return m_profile.GetInt(section, key, def);
    }
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override {
        return m_profile.GetString(section, key, def, buf, size);
    }
    bool WriteString(const char* section, const char* key, const char* value) override {
        return m_profile.WriteString(section, key, value);
    }

private:
    IProfile& m_profile;
};

}  // namespace

std::unique_ptr<IProfile> SettingsFile::Snapshot() {
    auto batch = std::make_unique<ProfileBatch>(m_path);
    if (batch->Loaded()) return batch;
    return std::make_unique<BorrowedProfile>(m_direct);
}

}  // namespace tk
