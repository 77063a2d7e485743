#pragma once

#include <string>
#include <string_view>

namespace tk {

// True when no byte of text is beyond 7-bit ASCII (reads the same as GBK and as UTF-8).
inline bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Texts and paths are GBK bytes: a lead byte 0x81..0xFE starts a two-byte character whose
// second byte can look like ASCII ('\\', '[', ']', 'M', letters). Byte scans step over pairs.
inline bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Position of the first single-byte character of text that is one of chars (never the second
// byte of a double-byte character); npos when there is none.
inline std::string::size_type FindFirstOfGbk(std::string_view text, std::string_view chars) {
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (chars.find(text[i]) != std::string_view::npos) {
            return i;
        }
    }
    return std::string::npos;
}

// The same for the last such character.
inline std::string::size_type FindLastOfGbk(std::string_view text, std::string_view chars) {
    std::string::size_type found = std::string::npos;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (chars.find(text[i]) != std::string_view::npos) {
            found = i;
        }
    }
    return found;
}

// A text as the profile API hands it out after reading the file through Unicode: a lead byte
// whose next byte cannot end a character (or that ends the text) turns, with that byte, into
// one '?'.
inline std::string WithBrokenGbkMarked(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!IsGbkLeadByte(c)) {
            out += text[i];
            continue;
        }
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (next >= 0x40 && next <= 0xFE && next != 0x7F) {
            out.append(text.substr(i, 2));
        } else {
            out += '?';
        }
        ++i;
    }
    return out;
}

}  // namespace tk
