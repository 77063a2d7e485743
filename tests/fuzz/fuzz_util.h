// Helpers shared by the fuzz targets: property checks that stop the run, a scratch folder for
// the file-based readers, the profile API's text rules the checks need, and a guard that the
// build really holds GBK literals.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/gbk.h"
#include "core/screens/screen_row_codec.h"
#include "core/store/settings.h"

namespace tk::fuzz {

// A failed property: libFuzzer saves the input and reports the abort as a crash.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = std::string()) {
    std::fprintf(stderr, "property failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

inline void Check(bool ok, const char* what, const std::string& detail = std::string()) {
    if (!ok) Fail(what, detail);
}

// Bytes as C-escaped text, for failure messages.
inline std::string Show(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        char hex[8];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

// The narrow literals must be the GBK bytes, or every codec check below means nothing.
inline void CheckGbkBuild() {
    static const bool checked = [] {
        Check(ScreenSectionName(7) ==
                  "\xB5\xD8\xD6\xB7\xA3\xBA"
                  "7",
              "section names are GBK", Show(ScreenSectionName(7)));
        Check(std::string(kCommNetwork) == "\xCD\xF8\xC2\xE7\xCD\xA8\xD1\xB6",
              "column texts are GBK", Show(kCommNetwork));
        return true;
    }();
    (void)checked;
}

// A folder of this process's own for the files the readers work on: under TK_FUZZ_SCRATCH
// when set (scripts/fuzz gives each run one and removes it, since libFuzzer ends a run without
// the exit handlers), else in tmpfs when there is one.
inline const std::string& ScratchDir() {
    static const std::string dir = [] {
        const char* parent = std::getenv("TK_FUZZ_SCRATCH");
        std::string tmpl = parent && *parent               ? std::string(parent) + "/tk-fuzz-XXXXXX"
                           : access("/dev/shm", W_OK) == 0 ? "/dev/shm/tk-fuzz-XXXXXX"
                                                           : "/tmp/tk-fuzz-XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) Fail("scratch folder", std::strerror(errno));
        return std::string(name.data());
    }();
    return dir;
}

inline std::string ScratchFile(const char* name) { return ScratchDir() + "/" + name; }

inline void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) Fail("write scratch file", std::strerror(errno));
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        Fail("write scratch file");
    std::fclose(f);
}

inline std::string ReadFile(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

// A file the store leaves unread, as the profile API reads it otherwise: UTF-16 with a mark,
// or text beyond ASCII behind a UTF-8 mark.
inline bool LeftUnread(const std::string& bytes) {
    return bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0 ||
           (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 &&
            !IsAscii(std::string_view(bytes).substr(3)));
}

// Blanks as the profile API trims them from names and values.
inline bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }

inline std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// What a read gives for a stored value: a broken double-byte character reads as '?', and
// matching quotes around it are dropped.
inline std::string ReadsAs(const std::string& stored) {
    const std::string v = WithBrokenGbkMarked(stored);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        return v.substr(1, v.size() - 2);
    return v;
}

// Names match without regard to ASCII case; a double-byte character matches only itself.
inline std::string Folded(const std::string& name) {
    std::string out = name;
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(out[i]))) {
            ++i;
        } else if (out[i] >= 'a' && out[i] <= 'z') {
            out[i] = static_cast<char>(out[i] - 'a' + 'A');
        }
    }
    return out;
}

// A text up to its first NUL, as a const char* argument sees it.
inline std::string CText(const std::string& s) { return std::string(s.c_str()); }

}  // namespace tk::fuzz
