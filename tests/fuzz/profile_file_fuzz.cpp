// The portable settings-file store on arbitrary file bytes and arbitrary writes: after any
// sequence of writes every written key reads back as written (in the batch and from the file it
// commits), keys no write named read as before, and every line no write touched keeps its
// bytes, in order.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <utility>

#include "core/store/profile_file.h"
#include "tests/fuzz/fuzz_util.h"

namespace {

using namespace tk::fuzz;

// One line of a file as the store splits it: CRLF, LF or a lone CR ends it.
struct Line {
    std::string text;
    std::string eol;
};

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = bytes.size();
        size_t next = end;
        if (next < bytes.size()) next += bytes.compare(next, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({bytes.substr(pos, end - pos), bytes.substr(end, next - end)});
        pos = next;
    }
    return lines;
}

// The name of a key line (before '=') or of a line without '=' (all of it), trimmed.
std::string KeyNameOf(const std::string& text) {
    const size_t eq = text.find('=');
    return Trim(eq == std::string::npos ? text : text.substr(0, eq));
}

// Names that real files use, in several spellings, so that writes hit existing keys.
const char* const kNames[] = {
    "CONT",    "cont",    " CONT ",  "ScreenCount", "screencount", "nSel",        "Timer", "bStart",
    "地址：0", "地址：1", "Screen0", "CardType",    "IpAddress0",  "sNetAdderrs", "a",     "A",
    "[x",      "x]",      "\x81",    "a\x81",       "\xB5\xDD",    "=",
};

// A section or key name: one of the common ones, one taken from a line of the file, or any
// bytes.
std::string PickName(FuzzedDataProvider& in, const std::vector<Line>& lines, bool section) {
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0:
            return kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)];
        case 1:
            if (!lines.empty()) {
                const std::string text =
                    Trim(lines[in.ConsumeIntegralInRange<size_t>(0, lines.size() - 1)].text);
                if (section && text.size() >= 2 && text[0] == '[')
                    return text.substr(1, text.rfind(']') == std::string::npos
                                              ? std::string::npos
                                              : text.rfind(']') - 1);
                return KeyNameOf(text);
            }
            [[fallthrough]];
        default:
            return in.ConsumeRandomLengthString(24);
    }
}

std::string Read(tk::ProfileBatch& profile, const std::string& section, const std::string& key,
                 unsigned size = 4096) {
    std::vector<char> buf(size, '\0');
    const unsigned n =
        profile.GetString(section.c_str(), key.c_str(), "\x01missing", buf.data(), size);
    Check(n < size && buf[n] == '\0', "a read fits its buffer");
    return std::string(buf.data(), n);
}

using NameKey = std::pair<std::string, std::string>;  // folded, trimmed section and key

NameKey KeyOf(const std::string& section, const std::string& key) {
    return {Folded(Trim(CText(section))), Folded(Trim(CText(key)))};
}

struct Written {
    std::string section, key, value;        // as passed to the last accepted write
    std::vector<std::string> keySpellings;  // trimmed, of every accepted write of the key
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckGbkBuild();
    FuzzedDataProvider in(data, size);
    const std::string original = in.ConsumeRandomLengthString(4096);
    const std::string path = ScratchFile("a.ini");
    WriteFile(path, original);
    const bool bom = original.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const bool unread = LeftUnread(original);
    const std::vector<Line> lines = SplitLines(bom ? original.substr(3) : original);

    tk::ProfileBatch batch(path);
    Check(batch.Loaded() == !unread, "only a UTF-16 or non-ASCII UTF-8 file is left unread");

    // Names to compare before and after: the common ones and those of the file's lines.
    std::vector<std::pair<std::string, std::string>> probes;
    for (int i = 0; i < 8; ++i)
        probes.emplace_back(PickName(in, lines, true), PickName(in, lines, false));
    std::vector<std::string> before;
    for (const auto& [s, k] : probes) before.push_back(Read(batch, s, k));

    std::map<NameKey, Written> written;
    std::vector<std::string> sectionSpellings;  // trimmed, of every accepted write
    const int writes = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < writes; ++i) {
        const std::string section = PickName(in, lines, true);
        const std::string key = PickName(in, lines, false);
        const std::string value = in.ConsumeRandomLengthString(40);
        if (batch.WriteString(section.c_str(), key.c_str(), value.c_str())) {
            Written& entry = written[KeyOf(section, key)];
            entry.section = section;
            entry.key = key;
            entry.value = value;
            entry.keySpellings.push_back(Trim(CText(key)));
            sectionSpellings.push_back(Trim(CText(section)));
            Check(batch.HasSection(section.c_str()), "a written section is there");
        }
        // A read in between with a small buffer: a prefix that splits no character.
        const unsigned small = in.ConsumeIntegralInRange(1u, 8u);
        const std::string whole = Read(batch, section, key);
        const std::string part = Read(batch, section, key, small);
        Check(whole.compare(0, part.size(), part) == 0, "a short read is a prefix",
              Show(whole) + " " + Show(part));
        Check(part.size() == whole.size() || part.size() + 2 >= small,
              "a short read fills its buffer");
    }

    // Every accepted write reads back as the profile API reads what it stored.
    auto checkReads = [&](tk::ProfileBatch& profile, const char* where) {
        for (const auto& [name, w] : written) {
            const std::string got = Read(profile, w.section, w.key);
            const std::string want = ReadsAs(Trim(CText(w.value)));
            Check(got == want, where,
                  "[" + Show(w.section) + "] " + Show(w.key) + ": wrote " + Show(w.value) +
                      ", read " + Show(got));
        }
        for (size_t i = 0; i < probes.size(); ++i) {
            if (written.count(KeyOf(probes[i].first, probes[i].second))) continue;
            const std::string got = Read(profile, probes[i].first, probes[i].second);
            Check(got == before[i], "a key no write named reads as before",
                  "[" + Show(probes[i].first) + "] " + Show(probes[i].second) + ": " +
                      Show(before[i]) + " then " + Show(got));
        }
    };
    checkReads(batch, "written key reads back from the batch");

    const bool committed = batch.Commit();
    const std::string after = ReadFile(path);
    if (unread || written.empty()) {
        Check(after == original, "a file nothing was written to keeps its bytes");
        Check(committed == !(unread && !written.empty()), "commit result without changes");
        if (!committed || unread) return 0;
    }
    Check(committed, "commit into a readable file succeeds");
    tk::ProfileBatch reread(path);
    checkReads(reread, "written key reads back from the file");

    // Untouched lines keep their bytes and order; other lines are new ones or rewritten keys.
    // A UTF-8 mark stays in front of ASCII text and goes once GBK text is in the file.
    const bool bomAfter = after.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const std::string text = bomAfter ? after.substr(3) : after;
    Check(!bom || bomAfter == tk::IsAscii(text), "a UTF-8 mark stays while the text is ASCII");
    Check(bom || !bomAfter, "no mark is added");
    const std::vector<Line> out = SplitLines(text);
    std::map<std::string, std::vector<std::string>> newLines;  // folded key -> lines it may give
    for (const auto& [name, w] : written) {
        newLines[name.second].push_back(Trim(CText(w.value)));
    }
    auto isWrittenSection = [&](const std::string& text) {
        for (const std::string& spelled : sectionSpellings)
            if (text == "[" + spelled + "]") return true;
        return false;
    };
    auto isWrittenKey = [&](const std::string& text) {
        for (const auto& [name, w] : written)
            for (const std::string& spelled : w.keySpellings)
                if (text == spelled + "=" + Trim(CText(w.value))) return true;
        return false;
    };
    // Each new line is the file's next line, that line rewritten, or an added line. Which one
    // is not always plain from the text (an added "k=" can look like a rewritten "k=1"), so
    // every reading is followed: the set of counts of added lines so far that fit.
    auto same = [&](const Line& u, size_t j) {
        return u.text == lines[j].text &&
               (u.eol == lines[j].eol || (lines[j].eol.empty() && u.eol == "\r\n"));
    };
    auto rewritten = [&](const Line& u, size_t j) {
        // A key the writes named, rewritten in place with the spelling it had.
        const std::string name = KeyNameOf(lines[j].text);
        const auto found = newLines.find(Folded(name));
        if (found == newLines.end()) return false;
        const std::string spelled = Trim(lines[j].text).substr(0, name.size());
        for (const std::string& v : found->second)
            if (u.text == spelled + "=" + v) return true;
        return false;
    };
    const size_t maxAdded = 2 * written.size();
    std::vector<bool> added(maxAdded + 1, false);
    added[0] = true;
    for (size_t i = 0; i < out.size(); ++i) {
        const Line& u = out[i];
        const bool isNew = isWrittenSection(u.text) || isWrittenKey(u.text);
        std::vector<bool> next(maxAdded + 1, false);
        bool any = false;
        for (size_t k = 0; k <= maxAdded && k <= i; ++k) {
            if (!added[k]) continue;
            const size_t j = i - k;
            if (j < lines.size() && (same(u, j) || rewritten(u, j))) next[k] = any = true;
            if (isNew && k < maxAdded) next[k + 1] = any = true;
        }
        Check(any, "a line is old, rewritten or new", Show(u.text));
        added.swap(next);
    }
    const bool complete = out.size() >= lines.size() && out.size() - lines.size() <= maxAdded &&
                          added[out.size() - lines.size()];
    Check(complete, "no line of the file is lost");
    return 0;
}
