// Windows only: the private-profile API, behind IProfile.
#pragma once

#include <string>

#include "core/store/profile.h"

namespace tk {

// The Windows private-profile API on one file.
class Win32Profile final : public IProfile {
public:
    explicit Win32Profile(std::string path) : m_path(std::move(path)) {}
    int GetInt(const char* section, const char* key, int def) override;
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override;
    bool WriteString(const char* section, const char* key, const char* value) override;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace tk
