#pragma once

#include <string>

namespace tk {

// The three private-profile operations the tool uses, bound to one INI file.
class IProfile {
public:
    virtual ~IProfile() = default;

    // Integer as GetPrivateProfileIntA reads it; def when the key is missing or empty.
    virtual int GetInt(const char* section, const char* key, int def) = 0;
    // As GetPrivateProfileStringA: at most size-1 bytes and a NUL into buf; returns the bytes
    // copied.
    virtual unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                               unsigned size) = 0;
    // As WritePrivateProfileStringA: creates file, section and key as needed; false on failure.
    virtual bool WriteString(const char* section, const char* key, const char* value) = 0;
};

// GetString into a std::string, reading at most size-1 bytes.
std::string GetProfileText(IProfile& profile, const char* section, const char* key, const char* def,
                           unsigned size);

}  // namespace tk
