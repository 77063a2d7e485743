#pragma once

#include <memory>
#include <string>

#include "core/profile.h"

namespace tk {

// The settings file as the windows use it: a snapshot to read many keys through one parse of
// the file, and single reads and writes straight to the file the moment a value changes.
class ISettingsFile {
public:
    virtual ~ISettingsFile() = default;
    // The file's path: the list window edits the file itself.
    virtual const std::string& Path() const = 0;
    // The file as it stands now, read once.
    virtual std::unique_ptr<IProfile> Snapshot() = 0;
    // Single keys, read and written straight in the file.
    virtual IProfile& Direct() = 0;
};

// The settings file at a path. A snapshot is one parse of the file; a file that parse does not
// read (saved as Unicode by an editor, say) is read through direct instead, as the profile API
// reads it: the controller library reads it that way and knows its screens, so the passes must
// visit the same ones.
class SettingsFile final : public ISettingsFile {
public:
    SettingsFile(std::string path, IProfile& direct) : m_path(std::move(path)), m_direct(direct) {}
    const std::string& Path() const override { return m_path; }
    std::unique_ptr<IProfile> Snapshot() override;
    IProfile& Direct() override { return m_direct; }

private:
    std::string m_path;
    IProfile& m_direct;
};

}  // namespace tk
