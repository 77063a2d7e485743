#pragma once

#include <cstddef>
#include <string>

#include "core/base/file_failure.h"

namespace tk {

// Reads a whole file into bytes. kNone: the bytes are the file's; kMissing: neither the file
// nor perhaps its folder exists, and the bytes are empty; kSystem: it exists and could not be
// read (held by another program, no access); kTooLarge: it is larger than maxBytes, and nothing
// of it was read. A file of more than maxBytes is refused by its size before any of it is read
// (and also if it grows past that while being read), so a huge file cannot exhaust the memory.
FileFailure ReadFileIfPresent(const std::string& path, std::string& bytes,
                              size_t maxBytes = static_cast<size_t>(-1));

// Reads a whole file; false when it does not exist or cannot be read.
inline bool ReadWholeFile(const std::string& path, std::string& bytes) {
    return !ReadFileIfPresent(path, bytes).Failed();
}

// Whether a replaced file must be on the disk before the call returns.
enum class Durability {
    kFlushed,   // flushed before the rename: what the program's own files need
    kOnRename,  // readers never see half a file, but a power cut may lose the last version:
                // enough for a file that is written again soon (the metrics file)
};

// Replaces path with bytes in one step: the data goes to a temporary file in the same folder,
// is flushed (kFlushed), and is renamed over the target. A failure at any point leaves the old
// file as it was (or absent) and no temporary file behind; the system's error code
// (GetLastError, errno) is then the one of the step that failed.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes,
                           Durability durability = Durability::kFlushed);

// Whole files replaced in one step, for those that write one through an interface.
class IFileReplacer {
public:
    virtual ~IFileReplacer() = default;
    // kNone once path holds bytes; else why not, and the old file is as it was.
    virtual FileFailure Replace(const std::string& path, const std::string& bytes) = 0;
};

// Through ReplaceFileAtomically.
class AtomicFileReplacer final : public IFileReplacer {
public:
    explicit AtomicFileReplacer(Durability durability) : m_durability(durability) {}
    FileFailure Replace(const std::string& path, const std::string& bytes) override {
        if (ReplaceFileAtomically(path, bytes, m_durability)) return {};
        return FileFailure::FromSystem();
    }

private:
    Durability m_durability;
};

// Whether a new file can be made beside path, in its folder: one is created and removed again
// at once, so nothing is left behind. False leaves the system's error code of the creation.
bool CanCreateFileBeside(const std::string& path);

}  // namespace tk
