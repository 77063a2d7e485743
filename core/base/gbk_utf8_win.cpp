#include <windows.h>

#include "core/base/gbk.h"
#include "core/base/gbk_utf8.h"

namespace tk {

namespace {

// A byte that starts no character turns into '?' before the conversion, which would otherwise
// take the next byte with it or map 0x80 to the euro sign, as the iconv side does not.
std::string WithUnconvertibleMarked(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x80) {
            out += text[i];
        } else if (!IsGbkLeadByte(c) || next < 0x40 || next == 0x7F || next == 0xFF) {
            out += '?';
        } else {
            out.append(text.substr(i, 2));
            ++i;
        }
    }
    return out;
}

}  // namespace

// Through UTF-16, as the system converts: code page 936 is the program's GBK.
std::string Utf8FromGbk(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    const std::string marked = WithUnconvertibleMarked(gbk);
    const int size = static_cast<int>(marked.size());
    const int wide = ::MultiByteToWideChar(936, 0, marked.data(), size, nullptr, 0);
    if (wide <= 0) return std::string(marked.size(), '?');
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(936, 0, marked.data(), size, utf16.data(), wide);
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, out.data(), bytes, nullptr, nullptr);
    }
    return out;
}

}  // namespace tk
