#include "core/store/atomic_file.h"
#include "core/sync/pass_log.h"
#include "core/base/unique_handle_win.h"

namespace tk {

int64_t PassLogFile::Size() {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!::GetFileAttributesExA(m_path.c_str(), GetFileExInfoStandard, &info)) return -1;
    return (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

bool PassLogFile::MoveAside() {
    return ::MoveFileExA(m_path.c_str(), (m_path + ".1").c_str(), MOVEFILE_REPLACE_EXISTING) !=
           FALSE;
}

// Read with the sharing a viewer allows, and emptied through a handle that shares everything.
bool PassLogFile::CopyAside() {
    std::string bytes;
    if (ReadFileIfPresent(m_path, bytes, 4 * static_cast<size_t>(kPassLogLimit)).Failed() ||
        !ReplaceFileAtomically(m_path + ".1", bytes)) {
        return false;
    }
    const UniqueFile file(::CreateFileA(m_path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::SetEndOfFile(file.Get()) != FALSE;
}

// Opened for appending only, shared with readers and writers (an editor showing the log); a
// program that holds it without sharing makes the open fail at once rather than wait.
bool PassLogFile::Append(const std::string& bytes) {
    const UniqueFile file(::CreateFileA(m_path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size();
}

}  // namespace tk
