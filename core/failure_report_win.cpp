#include <windows.h>

#include "core/failure_report.h"

namespace tk {

// The system's message for the error, without the line break it ends with.
std::string LastErrorText() {
    const DWORD error = ::GetLastError();
    char text[256] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) --length;
    return "error " + std::to_string(error) + ": " + std::string(text, length);
}

void WriteDebugLine(const std::string& line) { ::OutputDebugStringA(line.c_str()); }

}  // namespace tk
