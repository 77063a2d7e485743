#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/base/file_failure.h"
#include "core/store/profile.h"
#include "core/screens/screen_row_codec.h"

namespace tk {

// The settings file's screens as the list window shows them.
struct SettingsRows {
    // Why the file was not read; kNone also when there is none, as a save then creates it.
    FileFailure notRead;
    std::vector<ScreenRow> rows;  // at most the rows asked for
    int screenCount = 0;          // ScreenCount as read
};

// The settings file as the windows use it, their one way to it: a snapshot to read many keys
// through one parse of the file, single reads and writes straight to the file the moment a value
// changes, and the list window's load and save of every screen.
class ISettingsFile {
public:
    virtual ~ISettingsFile() = default;
    // The file as it stands now, read once.
    virtual std::unique_ptr<IProfileReader> Snapshot() = 0;
    // Single keys, read and written straight in the file.
    virtual IProfile& Direct() = 0;
    // ScreenCount and the first maxRows screens as list rows, through one parse of the file.
    virtual SettingsRows LoadSettingsRows(int maxRows) = 0;
    // ScreenCount and every row's screen section as one all-or-nothing update: either every key
    // is written or the file keeps its old bytes, and why is put into *why when given.
    virtual bool SaveSettingsRows(const std::vector<ScreenRow>& rows, FileFailure* why) = 0;
};

// The settings file at a path. A snapshot is one parse of the file; a file that parse does not
// read (saved as Unicode by an editor, say) is read through direct instead, as the profile API
// reads it: the controller library reads it that way and knows its screens, so the passes must
// visit the same ones. The list window's rows are read and saved only through that parse: a
// file it does not read gives an empty list that is never saved over it.
class SettingsFile final : public ISettingsFile {
public:
    SettingsFile(std::string path, IProfile& direct) : m_path(std::move(path)), m_direct(direct) {}
    std::unique_ptr<IProfileReader> Snapshot() override;
    IProfile& Direct() override { return m_direct; }
    SettingsRows LoadSettingsRows(int maxRows) override;
    bool SaveSettingsRows(const std::vector<ScreenRow>& rows, FileFailure* why) override;

private:
    std::string m_path;
    IProfile& m_direct;
};

}  // namespace tk
