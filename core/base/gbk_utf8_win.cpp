#include <windows.h>

#include "core/base/gbk.h"
#include "core/base/gbk_utf16_win.h"
#include "core/base/gbk_utf8.h"

namespace tk {

// Through UTF-16, as the system converts: code page 936 is the program's GBK. A conversion the
// system refuses gives one '?' a byte.
std::string Utf8FromGbk(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    const std::wstring utf16 = Utf16FromGbk(gbk, BadGbkByte::kQuestionMark);
    if (utf16.empty()) return std::string(gbk.size(), '?');
    const int wide = static_cast<int>(utf16.size());
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, out.data(), bytes, nullptr, nullptr);
    }
    return out;
}

}  // namespace tk
