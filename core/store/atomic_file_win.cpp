#include "core/base/path_text.h"
#include "core/base/unique_handle_win.h"
#include "core/store/atomic_file.h"

namespace tk {

namespace {

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

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes,
                           Durability durability) {
    const bool flush = durability == Durability::kFlushed;
    char tmpPath[MAX_PATH];
    if (!GetTempFileNameA(DirectoryOf(path).c_str(), "tks", 0, tmpPath)) return false;
    bool ok;
    {
        UniqueFile f(CreateFileA(tmpPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
    ok = ok && MoveFileExA(tmpPath, path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | (flush ? MOVEFILE_WRITE_THROUGH : 0));
    if (!ok) {
        // The caller reports why the save failed: keep the failing step's error code.
        const DWORD error = GetLastError();
        DeleteFileA(tmpPath);
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
