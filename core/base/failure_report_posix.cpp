#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/base/failure_report.h"

namespace tk {

std::string LastErrorText() {
    const int error = errno;
    return "error " + std::to_string(error) + ": " + std::strerror(error);
}

int LastErrorCode() { return errno; }

void WriteDebugLine(const std::string& line) { std::fputs(line.c_str(), stderr); }

}  // namespace tk
