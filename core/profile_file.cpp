#include "core/profile_file.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/atomic_file.h"
#include "core/gbk.h"

namespace tk {

namespace {

// Whitespace as the profile API trims it (Ctrl-Z included).
bool IsProfileSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

unsigned char FoldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// Section and key names compare without regard to ASCII letter case; the second byte of a
// double-byte character is compared exactly, so two different Chinese names never match.
bool NamesEqual(const char* a, size_t aLen, const char* b, size_t bLen) {
    if (aLen != bLen) return false;
    for (size_t i = 0; i < aLen; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (IsGbkLeadByte(ca)) {
            if (ca != cb || i + 1 >= aLen || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(ca) != FoldAscii(cb)) return false;
    }
    return true;
}

struct Span {
    size_t begin = 0;
    size_t end = 0;
};

std::string Trimmed(const char* text) {
    if (!text) return std::string();
    size_t b = 0, e = std::strlen(text);
    while (b < e && IsProfileSpace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && IsProfileSpace(static_cast<unsigned char>(text[e - 1]))) --e;
    return std::string(text + b, e - b);
}

// Length of the longest prefix of s that fits in max bytes without splitting a GBK character.
size_t FitGbk(const std::string& s, size_t max) {
    if (s.size() <= max) return s.size();
    size_t i = 0;
    while (i < max) {
        const size_t step = IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return i;
}

// A value with matching quotes at both ends is read without them.
std::string Unquoted(const std::string& v) {
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        return v.substr(1, v.size() - 2);
    return v;
}

// The integer at the start of a text as the profile API reads it: optional sign, then digits
// in base 10, or 16/8/2 after "0x"/"0o"/"0b"; stops at the first other character; wraps in 32 bits.
int ParseProfileInt(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        const char p = s[i + 1];
        if (p == 'x' || p == 'X') base = 16;
        if (p == 'o' || p == 'O') base = 8;
        if (p == 'b' || p == 'B') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'Z')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

}  // namespace

// One line of the file, kept byte for byte, with the positions of its name and value.
struct ProfileLine {
    enum class Kind { Blank, Section, Key, Bare };  // Bare: a line without '=' (comment etc.)
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\n" or "" for a last line without one
    Kind kind = Kind::Blank;
    Span name;
    Span value;
};

// The file as lines, with lookups and edits following the profile API's rules. Lines that are
// not touched keep their bytes, so hand-made layout (blank lines, comments, spaces around '=',
// LF line ends) survives; new lines are written as "key=value" with CRLF.
class ProfileDocument {
public:
    void Parse(const std::string& bytes);
    std::string Serialize() const;

    // The value of the first matching key in the first matching section; nullptr if none.
    const std::string* Find(const std::string& section, const std::string& key);
    // Sets a key; false when the key already held exactly this value.
    bool Set(const std::string& section, const std::string& key, const std::string& value);

private:
    static ProfileLine ParseLine(std::string text, std::string eol);
    bool SectionMatches(const ProfileLine& line, const std::string& name) const {
        return line.kind == ProfileLine::Kind::Section &&
               NamesEqual(line.text.data() + line.name.begin, line.name.end - line.name.begin,
                          name.data(), name.size());
    }
    bool KeyMatches(const ProfileLine& line, const std::string& name) const {
        return (line.kind == ProfileLine::Kind::Key || line.kind == ProfileLine::Kind::Bare) &&
               NamesEqual(line.text.data() + line.name.begin, line.name.end - line.name.begin,
                          name.data(), name.size());
    }
    // Index of the first matching section header, or -1.
    long FindSection(const std::string& section) const;
    void EndLastLine() {
        if (!m_lines.empty() && m_lines.back().eol.empty()) m_lines.back().eol = "\r\n";
    }

    std::string m_bom;
    std::vector<ProfileLine> m_lines;
    std::string m_scratch;
};

ProfileLine ProfileDocument::ParseLine(std::string text, std::string eol) {
    ProfileLine line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string& t = line.text;
    size_t b = 0, e = t.size();
    while (b < e && IsProfileSpace(static_cast<unsigned char>(t[b]))) ++b;
    while (e > b && IsProfileSpace(static_cast<unsigned char>(t[e - 1]))) --e;
    if (b == e) return line;

    if (t[b] == '[') {
        size_t close = std::string::npos;
        for (size_t i = b + 1; i < e; ++i) {
            if (IsGbkLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < e) {
                ++i;
                continue;
            }
            if (t[i] == ']') close = i;
        }
        if (close != std::string::npos) {
            line.kind = ProfileLine::Kind::Section;
            line.name = {b + 1, close};
            return line;
        }
    }
    // '=' (0x3D) never occurs as the second byte of a GBK character.
    const size_t eq = t.find('=', b);
    if (eq == std::string::npos || eq >= e) {
        line.kind = ProfileLine::Kind::Bare;
        line.name = {b, e};
        return line;
    }
    size_t nameEnd = eq;
    while (nameEnd > b && IsProfileSpace(static_cast<unsigned char>(t[nameEnd - 1]))) --nameEnd;
    size_t valueBegin = eq + 1;
    while (valueBegin < e && IsProfileSpace(static_cast<unsigned char>(t[valueBegin]))) ++valueBegin;
    line.kind = ProfileLine::Kind::Key;
    line.name = {b, nameEnd};
    line.value = {valueBegin, e};
    return line;
}

void ProfileDocument::Parse(const std::string& bytes) {
    m_lines.clear();
    m_bom.clear();
    size_t pos = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_bom = bytes.substr(0, 3);
        pos = 3;
    }
    while (pos < bytes.size()) {
        const size_t nl = bytes.find('\n', pos);
        size_t end = nl == std::string::npos ? bytes.size() : nl;
        const size_t next = nl == std::string::npos ? bytes.size() : nl + 1;
        std::string eol = bytes.substr(end, next - end);
        if (!eol.empty() && end > pos && bytes[end - 1] == '\r') {
            --end;
            eol = "\r\n";
        }
        m_lines.push_back(ParseLine(bytes.substr(pos, end - pos), std::move(eol)));
        pos = next;
    }
}

std::string ProfileDocument::Serialize() const {
    std::string out = m_bom;
    for (const auto& line : m_lines) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

long ProfileDocument::FindSection(const std::string& section) const {
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (SectionMatches(m_lines[i], section)) return static_cast<long>(i);
    return -1;
}

const std::string* ProfileDocument::Find(const std::string& section, const std::string& key) {
    const long s = FindSection(section);
    if (s < 0) return nullptr;
    for (size_t i = static_cast<size_t>(s) + 1; i < m_lines.size(); ++i) {
        const ProfileLine& line = m_lines[i];
        if (line.kind == ProfileLine::Kind::Section) break;
        if (!KeyMatches(line, key)) continue;
        if (line.kind == ProfileLine::Kind::Bare) return nullptr;  // a key without '=' has no value
        m_scratch = line.text.substr(line.value.begin, line.value.end - line.value.begin);
        return &m_scratch;
    }
    return nullptr;
}

bool ProfileDocument::Set(const std::string& section, const std::string& key,
                          const std::string& value) {
    const long s = FindSection(section);
    if (s < 0) {
        EndLastLine();
        m_lines.push_back(ParseLine("[" + section + "]", "\r\n"));
        m_lines.push_back(ParseLine(key + "=" + value, "\r\n"));
        return true;
    }
    size_t lastContent = static_cast<size_t>(s);
    for (size_t i = static_cast<size_t>(s) + 1; i < m_lines.size(); ++i) {
        ProfileLine& line = m_lines[i];
        if (line.kind == ProfileLine::Kind::Section) break;
        if (line.kind != ProfileLine::Kind::Blank) lastContent = i;
        if (!KeyMatches(line, key)) continue;
        if (line.kind == ProfileLine::Kind::Key &&
            line.text.compare(line.value.begin, line.value.end - line.value.begin, value) == 0)
            return false;
        const std::string name = line.text.substr(line.name.begin, line.name.end - line.name.begin);
        line = ParseLine(name + "=" + value, line.eol);
        return true;
    }
    // A new key goes after the last non-blank line of its section.
    if (m_lines[lastContent].eol.empty()) m_lines[lastContent].eol = "\r\n";
    m_lines.insert(m_lines.begin() + static_cast<long>(lastContent) + 1,
                   ParseLine(key + "=" + value, "\r\n"));
    return true;
}

namespace {

// Reads the file; a missing or unreadable file is an empty one, as for the profile API.
void LoadDocument(const std::string& path, ProfileDocument& doc) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) bytes.clear();
    doc.Parse(bytes);
}

unsigned GetStringFrom(ProfileDocument& doc, const char* section, const char* key, const char* def,
                       char* buf, unsigned size) {
    if (!buf || size == 0) return 0;
    const std::string* found = doc.Find(Trimmed(section), Trimmed(key));
    std::string text;
    if (found) {
        text = *found;
    } else if (def) {
        // The default loses its trailing blanks, as with the profile API.
        text = def;
        while (text.size() > 1 && text.back() == ' ') text.pop_back();
    }
    text = Unquoted(text);
    const size_t n = FitGbk(text, size - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return static_cast<unsigned>(n);
}

int GetIntFrom(ProfileDocument& doc, const char* section, const char* key, int def) {
    // The profile API reads an integer through a 30-character text buffer.
    char buf[30];
    if (GetStringFrom(doc, section, key, "", buf, sizeof buf) == 0) return def;
    return ParseProfileInt(buf);
}

// A written value is stored without surrounding blanks, as the profile API stores it.
std::string WrittenValue(const char* value) { return Trimmed(value); }

}  // namespace

ProfileBatch::ProfileBatch(std::string path)
    : m_path(std::move(path)), m_doc(std::make_unique<ProfileDocument>()) {
    LoadDocument(m_path, *m_doc);
}

ProfileBatch::~ProfileBatch() = default;

int ProfileBatch::GetInt(const char* section, const char* key, int def) {
    return GetIntFrom(*m_doc, section, key, def);
}

unsigned ProfileBatch::GetString(const char* section, const char* key, const char* def, char* buf,
                                 unsigned size) {
    return GetStringFrom(*m_doc, section, key, def, buf, size);
}

bool ProfileBatch::WriteString(const char* section, const char* key, const char* value) {
    const std::string s = Trimmed(section), k = Trimmed(key);
    if (s.empty() || k.empty() || !value) return false;
    if (m_doc->Set(s, k, WrittenValue(value))) m_changed = true;
    return true;
}

bool ProfileBatch::Commit() {
    if (!m_changed) return true;
    if (!ReplaceFileAtomically(m_path, m_doc->Serialize())) return false;
    m_changed = false;
    return true;
}

int PortableProfile::GetInt(const char* section, const char* key, int def) {
    ProfileDocument doc;
    LoadDocument(m_path, doc);
    return GetIntFrom(doc, section, key, def);
}

unsigned PortableProfile::GetString(const char* section, const char* key, const char* def,
                                    char* buf, unsigned size) {
    ProfileDocument doc;
    LoadDocument(m_path, doc);
    return GetStringFrom(doc, section, key, def, buf, size);
}

bool PortableProfile::WriteString(const char* section, const char* key, const char* value) {
    ProfileBatch batch(m_path);
    return batch.WriteString(section, key, value) && batch.Commit();
}

}  // namespace tk
