#include "core/base/module_path_win.h"

#include <algorithm>
#include <vector>

namespace tk {

namespace {

// A path has at most 32767 UTF-16 units, and no ANSI code page needs more than four bytes for
// one; a buffer this size holds any path with its terminating zero.
constexpr std::size_t kLongestPathBytes = 32768 * 4;

}  // namespace

// GetModuleFileNameA cuts a path that does not fit and then returns the buffer size, so the
// buffer doubles until the path and its terminating zero fit; the last try is the longest
// path there can be.
std::string ModuleFilePath(HMODULE module) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return "";
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= kLongestPathBytes) return "";
        buffer.resize(std::min(buffer.size() * 2, kLongestPathBytes));
    }
}

std::string ExecutablePath() { return ModuleFilePath(nullptr); }

}  // namespace tk
