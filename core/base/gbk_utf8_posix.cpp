#include <iconv.h>

#include "core/base/gbk.h"
#include "core/base/gbk_utf8.h"

namespace tk {

namespace {

// One converter for the calling thread, opened on first use; iconv keeps state per descriptor.
class GbkConverter {
public:
    GbkConverter() : m_cd(::iconv_open("UTF-8", "GBK")) {}
    ~GbkConverter() {
        if (Open()) ::iconv_close(m_cd);
    }
    GbkConverter(const GbkConverter&) = delete;
    GbkConverter& operator=(const GbkConverter&) = delete;
    bool Open() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Whether the byte at text[i] (not ASCII) starts no character: 0x80, 0xFF, or a lead byte
// without a valid second byte. The converter is never shown it.
bool StartsNoCharacter(std::string_view text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!IsGbkLeadByte(c)) return true;
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    return next < 0x40 || next == 0x7F || next == 0xFF;
}

}  // namespace

std::string Utf8FromGbk(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    thread_local GbkConverter converter;
    std::string out;
    out.reserve(gbk.size() * 3 / 2 + 4);
    size_t i = 0;
    while (i < gbk.size()) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80) {
            out += gbk[i++];
            continue;
        }
        if (StartsNoCharacter(gbk, i)) {
            out += '?';
            ++i;
            continue;
        }
        char in[2] = {gbk[i], gbk[i + 1]};
        char utf8[8];
        char* inPtr = in;
        size_t inLeft = 2;
        char* outPtr = utf8;
        size_t outLeft = sizeof utf8;
        if (!converter.Open() || ::iconv(converter.Get(), &inPtr, &inLeft, &outPtr, &outLeft) ==
                                     static_cast<size_t>(-1)) {
            if (converter.Open()) ::iconv(converter.Get(), nullptr, nullptr, nullptr, nullptr);
            out += "\xEF\xBF\xBD";  // U+FFFD
        } else {
            out.append(utf8, sizeof utf8 - outLeft);
        }
        i += 2;
    }
    return out;
}

}  // namespace tk
