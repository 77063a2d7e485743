#pragma once

#include <memory>
#include <string>

#include "core/profile.h"

namespace tk {

class ProfileDocument;

// Reads an INI file once, answers reads and applies writes in memory with the profile API's
// rules, and commits all writes with one atomic replace of the file: the way to read a whole
// settings file through one parse, and to save many keys as one all-or-nothing update.
class ProfileBatch final : public IProfile {
public:
    explicit ProfileBatch(std::string path);
    ~ProfileBatch() override;
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    int GetInt(const char* section, const char* key, int def) override;
    // A value ends at a NUL byte of the file.
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override;
    // False for an empty name, and for a section, key or value the file could not give back as
    // written (a line break, a key with '=', ...): nothing is then changed.
    bool WriteString(const char* section, const char* key, const char* value) override;

    // True when the file has a section of this name (compared as the reads compare it).
    bool HasSection(const char* section) const;

    // Writes the file if any write changed it; false when it could not be replaced (the
    // system's error code says why) or could not be read in the first place. The file is then
    // as it was, and the batch keeps its edits for another try.
    bool Commit();

    // False when the file exists but could not be read (held by another program, no access)
    // or is UTF-16, which only the profile API reads: reads then give defaults, and Commit
    // refuses to write.
    bool Loaded() const { return m_loaded; }

private:
    std::string m_path;
    std::unique_ptr<ProfileDocument> m_doc;
    bool m_loaded = false;
    bool m_changed = false;
};

// The profile API's behaviour on the bytes of one file, for platforms without it: every read
// parses the file, every write is a batch of one.
class PortableProfile final : public IProfile {
public:
    explicit PortableProfile(std::string path) : m_path(std::move(path)) {}
    int GetInt(const char* section, const char* key, int def) override;
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override;
    bool WriteString(const char* section, const char* key, const char* value) override;

private:
    std::string m_path;
};

}  // namespace tk
