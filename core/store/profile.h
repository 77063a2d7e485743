#pragma once

#include <string>

namespace tk {

// The two private-profile reads the tool uses, bound to one INI file: what a reader of the
// file is handed, so that it cannot write.
class IProfileReader {
public:
    virtual ~IProfileReader() = default;

    // Integer as GetPrivateProfileIntA reads it; def when the key is missing or empty.
    virtual int GetInt(const char* section, const char* key, int def) = 0;
    // As GetPrivateProfileStringA: at most size-1 bytes and a NUL into buf; returns the bytes
    // copied.
    virtual unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                               unsigned size) = 0;
};

// The reads and the one private-profile write the tool uses, bound to one INI file.
class IProfile : public IProfileReader {
public:
    // As WritePrivateProfileStringA: creates file, section and key as needed; false on failure.
    virtual bool WriteString(const char* section, const char* key, const char* value) = 0;
};

// GetString into a std::string, reading at most size-1 bytes.
std::string GetProfileText(IProfileReader& profile, const char* section, const char* key,
                           const char* def, unsigned size);

}  // namespace tk
