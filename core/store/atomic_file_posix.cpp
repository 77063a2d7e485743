#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/base/unique_fd_posix.h"
#include "core/store/atomic_file.h"

namespace tk {

namespace {

// The folder part of a path; "/x" gives "/". A byte scan, not the GBK one of path_text.h: the
// names here are the file system's UTF-8, where a '/' can follow a byte that GBK reads as a lead.
std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FileFailure ReadFileIfPresent(const std::string& path, std::string& bytes, size_t maxBytes) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno != ENOENT && errno != ENOTDIR) return FileFailure::FromSystem();
        bytes.clear();
        return FileFailure::FromSystem(FileFailure::Kind::kMissing);
    }
    struct stat info;
    if (::fstat(fd.Get(), &info) == 0 && static_cast<unsigned long long>(info.st_size) > maxBytes) {
        bytes.clear();
        return FileFailure::Of(FileFailure::Kind::kTooLarge);
    }
    std::string out;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileFailure::FromSystem();
        }
        if (n == 0) break;
        if (static_cast<size_t>(n) > maxBytes - out.size()) {
            bytes.clear();
            return FileFailure::Of(FileFailure::Kind::kTooLarge);
        }
        out.append(buf, static_cast<size_t>(n));
    }
    bytes.swap(out);
    return FileFailure();
}

std::string TemporaryFileOf(const std::string& path) { return path + ".tmp"; }

bool RemoveLeftoverTemporary(const std::string& path) {
    return ::unlink(TemporaryFileOf(path).c_str()) == 0 || errno == ENOENT;
}

// No reader blocks a rename here: retryMs has nothing to wait for. The temporary file is
// truncated if a cut-short replace left it; one writer per target is the program's own rule
// (one copy per folder).
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes, Durability durability,
                           int) {
    const bool flush = durability == Durability::kFlushed;
    const std::string tmpPath = TemporaryFileOf(path);
    UniqueFd fd(
        ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) return false;

    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat st;
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    // Closed here rather than by the owner, since a failed close can mean unwritten data.
    const bool ok = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), bytes) &&
                    (!flush || ::fsync(fd.Get()) == 0) && ::close(fd.Release()) == 0 &&
                    ::rename(tmpPath.c_str(), path.c_str()) == 0;
    if (!ok) {
        // The caller reports why the save failed: keep the failing step's error code.
        const int error = errno;
        fd.Reset();
        ::unlink(tmpPath.c_str());
        errno = error;
        return false;
    }
    if (!flush) return true;
    // Make the rename itself durable.
    const UniqueFd dir(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.Get());
    return true;
}

bool CanCreateFileBeside(const std::string& path) {
    const std::string name =
        DirectoryOf(path) + "/.TKAdjustTime-" + std::to_string(::getpid()) + ".tmp";
    const UniqueFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) return errno == EEXIST;
    ::unlink(name.c_str());
    return true;
}

}  // namespace tk
