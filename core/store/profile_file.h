#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "core/base/file_failure.h"
#include "core/store/profile.h"

namespace tk {

class ProfileDocument;

// Settings and exchange files larger than this are not read: 300 screens take about 70 KB, so
// a larger file is no screen list, and reading it whole could exhaust a 32-bit process.
inline constexpr size_t kMaxProfileFileBytes = 1024 * 1024;

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
    // The names of the file's sections, as their headers spell them, in file order.
    std::vector<std::string> SectionNames() const;

    // Writes the file if any write changed it; false when it could not be replaced or could
    // not be read in the first place (Failure says why). The file is then as it was, and the
    // batch keeps its edits for another try.
    bool Commit();

    // False when the file exists but was not read (held by another program, no access, UTF-16,
    // too large): reads then give defaults, and Commit refuses to write.
    bool Loaded() const { return m_loaded; }
    // Once built: how the reading went (kNone; kMissing, where the file reads as empty and a
    // commit creates it; or why it was not read). After a refused write or a failed commit: why.
    const FileFailure& Failure() const { return m_failure; }

private:
    std::string m_path;
    std::unique_ptr<ProfileDocument> m_doc;
    FileFailure m_failure;
    bool m_loaded = false;  // the file was read, or there is none: a commit may write it
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
