// GBK texts as UTF-16, for the wide calls of Windows; one conversion for every caller, each
// naming what becomes of a byte that starts no GBK character.
#pragma once

#include <string>
#include <string_view>

namespace tk {

// What becomes of a byte that starts no character: a lead byte that no valid second byte
// follows, a lone 0x80 or 0xFF.
enum class BadGbkByte {
    // One '?', and the byte after such a lead byte is read on its own: the same as the iconv
    // side of Utf8FromGbk gives.
    kQuestionMark,
    // Whatever code page 936's conversion makes of it (0x80 is the euro sign there), as the
    // system's own ANSI calls would.
    kCodePage,
};

// The UTF-16 of a GBK text through code page 936, whatever the system's ANSI code page; empty
// for an empty text or a conversion the system refuses.
std::wstring Utf16FromGbk(std::string_view gbk, BadGbkByte bad);

}  // namespace tk
