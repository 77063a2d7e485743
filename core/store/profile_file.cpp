#include "core/store/profile_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/store/atomic_file.h"
#include "core/base/gbk.h"

namespace tk {

namespace {

// Whitespace as the profile API trims it (Ctrl-Z included).
bool IsProfileSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

unsigned char FoldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

// Section and key names compare without regard to ASCII letter case; the second byte of a
// double-byte character is compared exactly, so two different Chinese names never match. Two
// names match when their folded forms are equal.
std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (size_t i = 0; i < folded.size(); ++i) {
        const auto c = static_cast<unsigned char>(folded[i]);
        if (IsGbkLeadByte(c))
            ++i;
        else
            folded[i] = static_cast<char>(FoldAscii(c));
    }
    return folded;
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
        const size_t step =
            IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return i;
}

// A value with matching quotes at both ends is read without them; "" is an empty value, so an
// integer key quoted empty reads as its default.
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
        // Only the lower-case prefixes: "0X1F" is 0 followed by other characters.
        const char p = s[i + 1];
        if (p == 'x') base = 16;
        if (p == 'o') base = 8;
        if (p == 'b') base = 2;
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
    std::string text;                               // without its line end
    std::string eol;  // "\r\n", "\n", "\r" or "" for a last line without one
    Kind kind = Kind::Blank;
    Span name;
    Span value;

    std::string_view Name() const {
        return std::string_view(text).substr(name.begin, name.end - name.begin);
    }
    std::string_view Value() const {
        return std::string_view(text).substr(value.begin, value.end - value.begin);
    }
};

// A section header and the lines under it up to the next header, with an index of its key
// names built on first use.
struct ProfileSection {
    ProfileLine header;
    std::vector<ProfileLine> body;
    std::unordered_map<std::string, size_t> keys;  // folded name -> first line in body naming it
    bool indexed = false;
};

// The file as sections of lines, with lookups and edits following the profile API's rules.
// Lines that are not touched keep their bytes, so hand-made layout (blank lines, comments,
// spaces around '=', LF or CR line ends) survives; new lines are written as "key=value" with
// CRLF. Sections and keys are found through hash indexes of their folded names, so reading or
// writing every key of a large file costs one parse plus constant time per key.
class ProfileDocument {
public:
    void Parse(const std::string& bytes);
    std::string Serialize() const;

    // The first matching key in the first matching section; nullptr if none.
    const ProfileLine* Find(std::string_view section, std::string_view key);
    // True when the file has a section of this name.
    bool HasSection(std::string_view section) { return FindSection(section) != nullptr; }
    std::vector<std::string> SectionNames() const {
        std::vector<std::string> names;
        for (const ProfileSection& s : m_sections) names.emplace_back(s.header.Name());
        return names;
    }
    // Sets a key; false when the key already held exactly this value.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // True when the lines a write makes read back as the same section, key and value.
    static bool Storable(std::string_view section, std::string_view key, std::string_view value);

private:
    static ProfileLine ParseLine(std::string text, std::string eol);
    ProfileSection* FindSection(std::string_view section);
    static void IndexKeys(ProfileSection& section);
    // The last line of the file, to be given a line end before anything is appended.
    ProfileLine* LastLine();

    std::string m_bom;
    std::vector<ProfileLine> m_preamble;  // lines before the first section header
    std::vector<ProfileSection> m_sections;
    std::unordered_map<std::string, size_t> m_index;  // folded name -> first section of that name
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
            // Blanks just inside the brackets are not part of the name: "[ CONT ]" is CONT.
            // No GBK trail byte is a blank, so the bytes can be trimmed from either end.
            size_t nameBegin = b + 1, nameEnd = close;
            while (nameBegin < nameEnd && IsProfileSpace(static_cast<unsigned char>(t[nameBegin])))
                ++nameBegin;
            while (nameEnd > nameBegin &&
                   IsProfileSpace(static_cast<unsigned char>(t[nameEnd - 1])))
                --nameEnd;
            line.kind = ProfileLine::Kind::Section;
            line.name = {nameBegin, nameEnd};
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
    while (valueBegin < e && IsProfileSpace(static_cast<unsigned char>(t[valueBegin])))
        ++valueBegin;
    line.kind = ProfileLine::Kind::Key;
    line.name = {b, nameEnd};
    line.value = {valueBegin, e};
    return line;
}

// Splits the bytes into lines. A line ends at CRLF, at LF or at a lone CR, as the profile API
// reads them: a file saved with CR-only line ends is many lines, not one.
void ProfileDocument::Parse(const std::string& bytes) {
    m_bom.clear();
    m_preamble.clear();
    m_sections.clear();
    m_index.clear();
    size_t pos = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_bom = bytes.substr(0, 3);
        pos = 3;
    }
    while (pos < bytes.size()) {
        const size_t end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
        size_t next = end;
        if (next < bytes.size()) next += bytes.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        ProfileLine line = ParseLine(bytes.substr(pos, end - pos), bytes.substr(end, next - end));
        pos = next;
        if (line.kind == ProfileLine::Kind::Section) {
            m_index.emplace(FoldName(line.Name()), m_sections.size());
            m_sections.emplace_back();
            m_sections.back().header = std::move(line);
        } else if (m_sections.empty()) {
            m_preamble.push_back(std::move(line));
        } else {
            m_sections.back().body.push_back(std::move(line));
        }
    }
}

std::string ProfileDocument::Serialize() const {
    std::string out;
    auto append = [&out](const ProfileLine& line) {
        out += line.text;
        out += line.eol;
    };
    for (const auto& line : m_preamble) append(line);
    for (const auto& section : m_sections) {
        append(section.header);
        for (const auto& line : section.body) append(line);
    }
    // The mark stays in front of ASCII text, which reads the same as UTF-8 and as GBK; once GBK
    // text is written (a screen section's name) it goes, or the API would read that as UTF-8.
    return IsAscii(out) ? m_bom + out : out;
}

ProfileSection* ProfileDocument::FindSection(std::string_view section) {
    const auto found = m_index.find(FoldName(section));
    return found == m_index.end() ? nullptr : &m_sections[found->second];
}

void ProfileDocument::IndexKeys(ProfileSection& section) {
    if (section.indexed) return;
    for (size_t i = 0; i < section.body.size(); ++i) {
        const ProfileLine& line = section.body[i];
        if (line.kind == ProfileLine::Kind::Key || line.kind == ProfileLine::Kind::Bare)
            section.keys.emplace(FoldName(line.Name()), i);
    }
    section.indexed = true;
}

ProfileLine* ProfileDocument::LastLine() {
    if (!m_sections.empty()) {
        ProfileSection& last = m_sections.back();
        return last.body.empty() ? &last.header : &last.body.back();
    }
    return m_preamble.empty() ? nullptr : &m_preamble.back();
}

const ProfileLine* ProfileDocument::Find(std::string_view section, std::string_view key) {
    ProfileSection* s = FindSection(section);
    if (!s) return nullptr;
    IndexKeys(*s);
    const auto found = s->keys.find(FoldName(key));
    if (found == s->keys.end()) return nullptr;
    const ProfileLine& line = s->body[found->second];
    // A key without '=' has no value.
    return line.kind == ProfileLine::Kind::Key ? &line : nullptr;
}

bool ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    ProfileSection* s = FindSection(section);
    if (!s) {
        // A new section goes to the end of the file.
        if (ProfileLine* last = LastLine(); last && last->eol.empty()) last->eol = "\r\n";
        m_index.emplace(FoldName(section), m_sections.size());
        m_sections.emplace_back();
        s = &m_sections.back();
        s->header = ParseLine("[" + std::string(section) + "]", "\r\n");
        s->indexed = true;
    }
    IndexKeys(*s);
    const auto found = s->keys.find(FoldName(key));
    if (found != s->keys.end()) {
        ProfileLine& line = s->body[found->second];
        if (line.kind == ProfileLine::Kind::Key && line.Value() == value) return false;
        // The key keeps the spelling it has in the file, and the line its line end.
        line = ParseLine(std::string(line.Name()) + "=" + std::string(value), line.eol);
        return true;
    }
    // A new key goes after the last non-blank line of its section. Only blank lines follow
    // that line, so no indexed key moves.
    size_t at = s->body.size();
    while (at > 0 && s->body[at - 1].kind == ProfileLine::Kind::Blank) --at;
    ProfileLine& before = at == 0 ? s->header : s->body[at - 1];
    if (before.eol.empty()) before.eol = "\r\n";
    s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(at),
                   ParseLine(std::string(key) + "=" + std::string(value), "\r\n"));
    s->keys.emplace(FoldName(key), at);
    return true;
}

// A line break in any part would split the line in two; a section name whose last byte is a GBK
// lead byte takes the closing bracket for its trail byte, so its header reads as no header; a
// key holding '=' or written as "[...]" reads as another key or as a header.
bool ProfileDocument::Storable(std::string_view section, std::string_view key,
                               std::string_view value) {
    for (const std::string_view part : {section, key, value}) {
        if (part.find_first_of("\r\n") != std::string_view::npos) return false;
    }
    const ProfileLine header = ParseLine("[" + std::string(section) + "]", "");
    if (header.kind != ProfileLine::Kind::Section || header.Name() != section) return false;
    const ProfileLine line = ParseLine(std::string(key) + "=" + std::string(value), "");
    return line.kind == ProfileLine::Kind::Key && line.Name() == key && line.Value() == value;
}

namespace {

// Reads the file; a file that is missing or not read reads as an empty one, as for the profile
// API. A file of more than maxBytes is not read. Says how the reading went.
FileFailure LoadDocument(const std::string& path, ProfileDocument& doc,
                         size_t maxBytes = static_cast<size_t>(-1)) {
    std::string bytes;
    FileFailure load = ReadFileIfPresent(path, bytes, maxBytes);
    // A UTF-16 file (saved as "Unicode" by an editor) is read by the profile API but not here:
    // taken as GBK it would read as nothing, and edits would be mixed into it. Behind a UTF-8
    // byte-order mark the API reads UTF-8: any text beyond ASCII (a section name, a Chinese
    // value) means something else to it than GBK means here.
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0 ||
        (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 && !IsAscii(std::string_view(bytes).substr(3)))) {
        load = FileFailure::Of(FileFailure::Kind::kNotAnsi);
        bytes.clear();
    }
    doc.Parse(bytes);
    return load;
}

unsigned GetStringFrom(ProfileDocument& doc, const char* section, const char* key, const char* def,
                       char* buf, unsigned size) {
    if (!buf || size == 0) return 0;
    const ProfileLine* found = doc.Find(Trimmed(section), Trimmed(key));
    std::string text;
    if (found) {
        // A NUL byte ends the value, as it ends the text the profile API hands out (and a text
        // read past it would hold bytes no later write could store).
        const std::string_view value = found->Value();
        text = WithBrokenGbkMarked(value.substr(0, value.find('\0')));
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
    m_failure = LoadDocument(m_path, *m_doc, kMaxProfileFileBytes);
    m_loaded = !m_failure.Failed() || m_failure.Missing();
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
    // What the file could not give back is refused rather than stored as something else.
    const std::string v = WrittenValue(value);
    if (!ProfileDocument::Storable(s, k, v)) {
        m_failure = FileFailure::Of(FileFailure::Kind::kUnstorable);
        return false;
    }
    if (m_doc->Set(s, k, v)) m_changed = true;
    return true;
}

bool ProfileBatch::HasSection(const char* section) const {
    return m_doc->HasSection(Trimmed(section));
}

std::vector<std::string> ProfileBatch::SectionNames() const { return m_doc->SectionNames(); }

bool ProfileBatch::Commit() {
    if (!m_changed) return true;
    // Writing edits made on an empty stand-in would replace the operator's file with them.
    if (!Loaded()) return false;
    if (!ReplaceFileAtomically(m_path, m_doc->Serialize())) {
        m_failure = FileFailure::FromSystem();
        return false;
    }
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
