#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/store/atomic_file.h"
#include "core/sync/pass_log.h"
#include "core/base/unique_fd_posix.h"

namespace tk {

int64_t PassLogFile::Size() {
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

bool PassLogFile::MoveAside() { return std::rename(m_path.c_str(), (m_path + ".1").c_str()) == 0; }

bool PassLogFile::CopyAside() {
    std::string bytes;
    return !ReadFileIfPresent(m_path, bytes, 4 * static_cast<size_t>(kPassLogLimit)).Failed() &&
           ReplaceFileAtomically(m_path + ".1", bytes) && ::truncate(m_path.c_str(), 0) == 0;
}

bool PassLogFile::Append(const std::string& bytes) {
    const UniqueFd fd(::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace tk
