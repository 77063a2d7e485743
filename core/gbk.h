#pragma once

#include <string>
#include <string_view>

namespace tk {

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

}  // namespace tk
