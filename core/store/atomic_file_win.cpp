#include "core/store/atomic_file_win.h"

#include <algorithm>
#include <utility>

#include "core/base/call_hook.h"
#include "core/base/path_text.h"
#include "core/base/unique_handle_win.h"
#include "core/store/atomic_file.h"

namespace tk {

namespace {

// The wait between two tries of a blocked rename; tests put theirs in place.
CallHook<void(int)>& WaitHook() {
    static CallHook<void(int)> hook;
    return hook;
}

// The first wait between tries and the longest: a virus scan lets go within a few
// milliseconds, a collector's read of a small file within tens.
constexpr int kFirstRetryWaitMs = 10;
constexpr int kLongestRetryWaitMs = 50;

// A reader that holds the target without delete sharing makes the rename fail with a sharing
// violation (Windows) or access denied (Windows for some readers, Wine for every open target).
bool BlockedByReader(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Renames tmpPath over path, trying a blocked rename again until retryMs have been waited.
bool RenameOver(const std::string& tmpPath, const std::string& path, DWORD flags, int retryMs) {
    int waited = 0;
    int wait = kFirstRetryWaitMs;
    while (!::MoveFileExA(tmpPath.c_str(), path.c_str(), flags)) {
        const DWORD error = ::GetLastError();
        if (!BlockedByReader(error) || waited >= retryMs) return false;
        const int now = std::min(wait, retryMs - waited);
        WaitHook().Call([](int ms) { ::Sleep(static_cast<DWORD>(ms)); }, now);
        waited += now;
        wait = std::min(wait * 2, kLongestRetryWaitMs);
    }
    return true;
}

// The folder part of a path, for the temporary file: "C:\x" gives "C:\".
std::string DirectoryOf(const std::string& path) {
    return FolderOf(path, kWindowsSeparators, DriveRoot::kKept);
}

}  // namespace

FileFailure ReadFileIfPresent(const std::string& path, std::string& bytes, size_t maxBytes) {
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            return FileFailure::FromSystem();
        }
        bytes.clear();
        return FileFailure::FromSystem(FileFailure::Kind::kMissing);
    }
    LARGE_INTEGER size;
    if (GetFileSizeEx(f.Get(), &size) &&
        static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        bytes.clear();
        return FileFailure::Of(FileFailure::Kind::kTooLarge);
    }
    std::string out;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(f.Get(), buf, sizeof buf, &n, nullptr)) return FileFailure::FromSystem();
        if (n == 0) break;
        if (n > maxBytes - out.size()) {
            bytes.clear();
            return FileFailure::Of(FileFailure::Kind::kTooLarge);
        }
        out.append(buf, n);
    }
    bytes.swap(out);
    return FileFailure();
}

// Installs a stand-in wait (tests) and hands back the one it replaces.
ReplaceWaitHook SetReplaceWaitHook(ReplaceWaitHook hook) { return WaitHook().Set(std::move(hook)); }

std::string TemporaryFileOf(const std::string& path) { return path + ".tmp"; }

bool RemoveLeftoverTemporary(const std::string& path) {
    return ::DeleteFileA(TemporaryFileOf(path).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The temporary file is opened without sharing: a second writer of the same target at the same
// moment fails to create it, and its clean-up cannot delete it, rather than mixing two writes.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, Durability durability,
                           int retryMs) {
    const bool flush = durability == Durability::kFlushed;
    const std::string tmpPath = TemporaryFileOf(path);
    bool ok;
    {
        UniqueFile f(CreateFileA(tmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        ok = static_cast<bool>(f);
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD n = 0;
            const DWORD chunk =
                static_cast<DWORD>(bytes.size() - done > 1u << 20 ? 1u << 20 : bytes.size() - done);
            ok = WriteFile(f.Get(), bytes.data() + done, chunk, &n, nullptr) && n == chunk;
            done += n;
        }
        // Closed here rather than by the owner, since a failed close can mean unwritten data.
        ok = ok && (!flush || FlushFileBuffers(f.Get())) && CloseHandle(f.Release());
    }
    ok =
        ok && RenameOver(tmpPath, path,
                         MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0), retryMs);
    if (!ok) {
        // The caller reports why the save failed: keep the failing step's error code.
        const DWORD error = GetLastError();
        DeleteFileA(tmpPath.c_str());
        SetLastError(error);
    }
    return ok;
}

// The file is deleted by the system when its handle closes, even if the program ends first. A
// name that exists already (another start at the same moment) shows the folder takes files.
bool CanCreateFileBeside(const std::string& path) {
    std::string folder = DirectoryOf(path);
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    const std::string name =
        folder + "~TKAdjustTime-" + std::to_string(::GetCurrentProcessId()) + ".tmp";
    const UniqueFile file(::CreateFileA(
        name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file || ::GetLastError() == ERROR_FILE_EXISTS;
}

}  // namespace tk
