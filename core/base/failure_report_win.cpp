#include <windows.h>

#include "core/base/failure_report.h"

namespace tk {

// The system's message for the error, without the line break it ends with. The system sizes
// the buffer: a fixed one would make a long message fail as a whole. The error stays set, for a
// report that follows.
std::string LastErrorText() {
    const DWORD error = ::GetLastError();
    char* text = nullptr;
    DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) --length;
    const std::string message = text != nullptr ? std::string(text, length) : std::string();
    ::LocalFree(text);
    ::SetLastError(error);
    return "error " + std::to_string(error) + ": " + message;
}

int LastErrorCode() { return static_cast<int>(::GetLastError()); }

void WriteDebugLine(const std::string& line) { ::OutputDebugStringA(line.c_str()); }

}  // namespace tk
