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

// Whether a replaced file must be on the disk before the call returns.
enum class Durability {
    kFlushed,   // flushed before the rename: what the program's own files need
    kOnRename,  // readers never see half a file, but a power cut may lose the last version:
                // enough for a file that is written again soon (the metrics file)
};

// How long a replace keeps trying a rename that a reader of the target blocks (Windows: a
// collector or a virus scanner holding it without delete sharing), in milliseconds: a pass's
// writes, and the last write at the program's exit, which may wait longer.
inline constexpr int kReplaceRetryMs = 200;
inline constexpr int kReplaceRetryAtExitMs = 1000;

// Replaces path with bytes in one step: the data goes to the temporary file beside it
// (TemporaryFileOf), is flushed (kFlushed), and is renamed over the target; a rename that a
// reader blocks is tried again for up to retryMs. A failure at any point leaves the old file as
// it was (or absent) and no temporary file behind; the system's error code (GetLastError,
// errno) is then the one of the step that failed.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes,
                           Durability durability = Durability::kFlushed,
                           int retryMs = kReplaceRetryMs);

// The temporary file a replace of path writes first: "<path>.tmp", which no reader of "*.prom"
// or "*.ini" files takes for the target.
std::string TemporaryFileOf(const std::string& path);

// Removes the temporary file of path that a replace cut short by the end of the program left.
// True when none is left (also when there was none); false leaves the system's error code.
bool RemoveLeftoverTemporary(const std::string& path);

// Whole files replaced in one step, for those that write one through an interface.
class IFileReplacer {
public:
    virtual ~IFileReplacer() = default;
    // kNone once path holds bytes; else why not, and the old file is as it was.
    virtual FileFailure Replace(const std::string& path, const std::string& bytes) = 0;
    // As Replace, with a rename that a reader blocks tried again for up to retryMs instead of
    // the replacer's own time (the last write at exit asks for longer); by default as Replace.
    virtual FileFailure ReplaceRetrying(const std::string& path, const std::string& bytes, int) {
        return Replace(path, bytes);
    }
    // Removes what a replace of path cut short by a crash left; by default nothing is left.
    virtual void RemoveLeftover(const std::string&) {}
};

// Through ReplaceFileAtomically, a blocked rename tried again for retryMs.
class AtomicFileReplacer final : public IFileReplacer {
public:
    explicit AtomicFileReplacer(Durability durability, int retryMs = kReplaceRetryMs)
        : m_durability(durability), m_retryMs(retryMs) {}
    FileFailure Replace(const std::string& path, const std::string& bytes) override {
        return ReplaceRetrying(path, bytes, m_retryMs);
    }
    FileFailure ReplaceRetrying(const std::string& path, const std::string& bytes,
                                int retryMs) override {
        if (ReplaceFileAtomically(path, bytes, m_durability, retryMs)) return {};
        return FileFailure::FromSystem();
    }
    void RemoveLeftover(const std::string& path) override { RemoveLeftoverTemporary(path); }

private:
    Durability m_durability;
    int m_retryMs;
};

// Whether a new file can be made beside path, in its folder: one is created and removed again
// at once, so nothing is left behind. False leaves the system's error code of the creation.
bool CanCreateFileBeside(const std::string& path);

}  // namespace tk
