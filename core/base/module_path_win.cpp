#include "core/base/module_path_win.h"

#include <algorithm>
#include <vector>

namespace tk {

namespace {

// A path has at most 32767 UTF-16 units, and no ANSI code page needs more than four bytes for
// one; a buffer this size holds any path with its terminating zero.
constexpr std::size_t kLongestPathBytes = 32768 * 4;
constexpr std::size_t kLongestPathUnits = 32768;

// GetModuleFileName cuts a path that does not fit and then returns the buffer size, so the
// buffer doubles until the path and its terminating zero fit; the last try is the longest
// path there can be.
template <typename Char, typename Get>
std::basic_string<Char> GrownPath(Get get, std::size_t longest) {
    std::vector<Char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::basic_string<Char>(buffer.data(), length);
        if (buffer.size() >= longest) return {};
        buffer.resize(std::min(buffer.size() * 2, longest));
    }
}

}  // namespace

std::string ModuleFilePath(HMODULE module) {
    return GrownPath<char>(
        [module](char* buffer, DWORD size) { return GetModuleFileNameA(module, buffer, size); },
        kLongestPathBytes);
}

std::string ExecutablePath() { return ModuleFilePath(nullptr); }

std::wstring ExecutableWidePath() {
    return GrownPath<wchar_t>(
        [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); },
        kLongestPathUnits);
}

}  // namespace tk
