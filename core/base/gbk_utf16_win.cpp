#include "core/base/gbk_utf16_win.h"

#include <windows.h>

#include "core/base/gbk.h"

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

std::wstring Utf16FromGbk(std::string_view gbk, BadGbkByte bad) {
    const std::string marked =
        bad == BadGbkByte::kQuestionMark ? WithUnconvertibleMarked(gbk) : std::string(gbk);
    if (marked.empty()) return {};
    const int size = static_cast<int>(marked.size());
    const int wide = ::MultiByteToWideChar(936, 0, marked.data(), size, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(936, 0, marked.data(), size, utf16.data(), wide);
    return utf16;
}

}  // namespace tk
