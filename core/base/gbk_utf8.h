// GBK texts (paths, server names, everything the program keeps) as UTF-8, for readers outside
// the program that take nothing else.
#pragma once

#include <string>
#include <string_view>

namespace tk {

// The UTF-8 of a GBK text, always valid UTF-8: a lead byte that no valid second byte follows and
// a lone 0x80 or 0xFF each become one '?' (the byte after such a lead byte is read on its own); a
// well-formed pair that names no character becomes one replacement character.
// gbk_utf8_win.cpp converts through code page 936; gbk_utf8_posix.cpp through iconv.
std::string Utf8FromGbk(std::string_view gbk);

}  // namespace tk
