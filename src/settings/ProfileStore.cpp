// The portable profile store. The file is parsed into lines exactly as the
// Windows profile functions see it; lookups follow their rules (including
// the odd ones, such as a key list falling back to the default when it
// starts with an empty name), so the native build and heliotab.exe read
// every INI file the same way. The differential test under Wine holds the
// two side by side.
#include "settings/ProfileStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shared/FileSystems.h"

namespace heliotab {

namespace {

// Blanks as the profile functions trim them: the C blanks and Ctrl-Z (old
// DOS end of file). The no-break space (0xA0) is an ordinary character.
bool IsBlank(unsigned char c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

// Upper case in code page 1252, for comparing names without regard to case.
unsigned char Upper1252(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0x9E: return 0x8E;  // ž
    case 0xFF: return 0x9F;  // ÿ
    default: return c;
    }
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper1252(static_cast<unsigned char>(a[i])) != Upper1252(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string TrimBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string TrimLeft(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
    return s.substr(b);
}

// Names and values end at a NUL byte, as C strings do.
std::string UpToNul(const char* p, size_t n) {
    const void* z = std::memchr(p, '\0', n);
    return std::string(p, z ? static_cast<const char*>(z) - p : n);
}

// One line of the file as read. term is the character the line was split
// at: '\n', '\r' (a file region without any LF, old Mac style) or 0 (the
// last line, unterminated). A changed or new line keeps its text in raw
// and is written with CR LF.
struct Line {
    enum Kind { Blank, Header, Entry };
    std::string raw;
    char term = 0;
    bool edited = false;
    Kind kind = Blank;
    std::string name;       // section name (Header) or key name (Entry)
    bool hasValue = false;  // an Entry with '='
    std::string value;
};

void Classify(Line& l) {
    const char* s = l.raw.data();
    size_t b = 0, e = l.raw.size();
    while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
    l.name.clear();
    l.value.clear();
    l.hasValue = false;
    if (b >= e) {
        l.kind = Line::Blank;
        return;
    }
    if (s[b] == '[') {
        size_t close = e;
        while (close > b + 1 && s[close - 1] != ']') --close;
        if (close > b + 1) {  // s[close - 1] is the last ']'
            l.kind = Line::Header;
            l.name = UpToNul(s + b + 1, close - 1 - (b + 1));
            return;
        }
    }
    l.kind = Line::Entry;
    const void* eqp = std::memchr(s + b, '=', e - b);
    if (!eqp) {
        l.name = UpToNul(s + b, e - b);
        return;
    }
    size_t eq = static_cast<const char*>(eqp) - s;
    size_t ne = eq;
    while (ne > b && IsBlank(static_cast<unsigned char>(s[ne - 1]))) --ne;
    size_t vb = eq + 1;
    while (vb < e && IsBlank(static_cast<unsigned char>(s[vb]))) ++vb;
    l.name = UpToNul(s + b, ne - b);
    l.hasValue = true;
    l.value = UpToNul(s + vb, e - vb);
}

// A section: its header line (-1 for the lines before the first header,
// which form a section with an empty name) and its entry lines.
struct Section {
    std::string name;
    int header = -1;
    std::vector<int> entries;
};

struct Document {
    std::vector<Line> lines;
    std::vector<Section> sections;

    void Index() {
        sections.clear();
        sections.push_back(Section{});
        for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
            const Line& l = lines[i];
            if (l.kind == Line::Header) {
                Section s;
                s.name = l.name;
                s.header = i;
                sections.push_back(std::move(s));
            } else if (l.kind == Line::Entry) {
                sections.back().entries.push_back(i);
            }
        }
    }
};

Document Parse(const std::string& text) {
    Document doc;
    const size_t end = text.size();
    const size_t lastLf = text.rfind('\n');
    size_t pos = 0;
    while (pos < end) {
        Line l;
        size_t stop = std::string::npos;
        if (lastLf != std::string::npos && lastLf >= pos) {
            stop = text.find('\n', pos);
            l.term = '\n';
        } else {
            stop = text.find('\r', pos);
            l.term = '\r';
        }
        if (stop == std::string::npos) {
            stop = end;
            l.term = 0;
        }
        l.raw.assign(text, pos, stop - pos);
        pos = stop < end ? stop + 1 : end;
        Classify(l);
        doc.lines.push_back(std::move(l));
    }
    doc.Index();
    return doc;
}

std::string Serialize(const Document& doc) {
    std::string out;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const Line& l = doc.lines[i];
        out += l.raw;
        const bool last = i + 1 == doc.lines.size();
        if (l.edited || l.term == '\r' || (l.term == 0 && !last))
            out += "\r\n";  // CR-only line ends become CR LF, so lines stay apart once an LF exists
        else if (l.term == '\n')
            out += '\n';
    }
    return out;
}

enum class Load { Ok, Missing, Failed };

Load ReadFileBytes(const char* file, std::string& text) {
    text.clear();
    if (!file) return Load::Failed;
    const std::string path = NativePath(file);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT || errno == ENOTDIR ? Load::Missing : Load::Failed;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        text.clear();
        return Load::Failed;
    }
    return Load::Ok;
}

// The profile reader works into a buffer of `len` characters; these mirror
// its steps on a string of that size so that truncation comes out the same.
struct OutBuffer {
    std::string b;
    explicit OutBuffer(uint32_t len) : b(len, '\0') {}
    uint32_t Len() const { return static_cast<uint32_t>(b.size()); }
    size_t StrLen(size_t at = 0) const {
        size_t i = at;
        while (i < b.size() && b[i] != '\0') ++i;
        return i - at;
    }
    // lstrcpyn: at most len - 1 characters and a NUL.
    void CopyN(size_t at, const std::string& s, size_t len) {
        if (len == 0) return;
        size_t n = std::min(s.size(), len - 1);
        s.copy(&b[at], n);
        b[at + n] = '\0';
    }
};

// A value (or the default) into the buffer: quotes around it are dropped
// when they match and the whole text fits.
void CopyEntry(OutBuffer& out, const std::string& value) {
    const uint32_t len = out.Len();
    std::string v = value;
    bool quote = false;
    if (!v.empty() && (v[0] == '\'' || v[0] == '"') && v.size() > 1 && v.back() == v[0]) {
        quote = true;
        v.erase(0, 1);
    }
    out.CopyN(0, v, len);
    if (quote && len >= v.size()) {
        size_t n = out.StrLen();
        if (n > 0) out.b[n - 1] = '\0';
    }
}

uint32_t SectionNames(const Document& doc, OutBuffer& out) {
    const uint32_t len = out.Len();
    if (len == 1) {
        out.b[0] = '\0';
        return 0;
    }
    uint32_t buflen = len - 1;
    size_t at = 0;
    for (const Section& s : doc.sections) {
        if (s.header < 0 || s.name.empty()) continue;
        const uint32_t tmplen = static_cast<uint32_t>(s.name.size()) + 1;
        if (tmplen >= buflen) {
            s.name.copy(&out.b[at], buflen - 1);
            at += buflen - 1;
            out.b[at++] = '\0';
            out.b[at] = '\0';
            return len - 2;
        }
        s.name.copy(&out.b[at], tmplen - 1);
        at += tmplen - 1;
        out.b[at++] = '\0';
        buflen -= tmplen;
    }
    out.b[at] = '\0';
    return static_cast<uint32_t>(at);
}

// Key names of the first section of that name (compared as given, not
// trimmed). Comments and lines without '=' are left out.
uint32_t KeyNames(const Document& doc, const std::string& section, OutBuffer& out) {
    for (const Section& s : doc.sections) {
        if (!EqualNoCase(s.name, section)) continue;
        const uint32_t oldlen = out.Len();
        uint32_t len = oldlen;
        size_t at = 0;
        for (int idx : s.entries) {
            const Line& k = doc.lines[idx];
            if (len <= 2) break;
            if (k.name.empty() && !k.hasValue) continue;
            if (!k.name.empty() && k.name[0] == ';') continue;
            if (!k.hasValue) continue;
            out.CopyN(at, k.name, len - 1);
            const size_t n = out.StrLen(at);
            len -= static_cast<uint32_t>(n + 1);
            at += n + 1;
            if (len < 2) break;
        }
        out.b[at] = '\0';
        if (len <= 1) {
            if (at > 0) out.b[at - 1] = '\0';  // a buffer of one character has no room for a name
            return oldlen >= 2 ? oldlen - 2 : 0;
        }
        return oldlen - len;
    }
    out.b[0] = '\0';
    if (out.Len() > 1) out.b[1] = '\0';
    return 0;
}

// Index of the first section whose name equals the (trimmed) name, or -1.
int FindSection(const Document& doc, const std::string& trimmedName) {
    for (size_t i = 0; i < doc.sections.size(); ++i)
        if (EqualNoCase(doc.sections[i].name, trimmedName)) return static_cast<int>(i);
    return -1;
}

// The key's line in that one section, or -1.
int FindKey(const Document& doc, int section, const std::string& trimmedKey) {
    for (int idx : doc.sections[section].entries)
        if (EqualNoCase(doc.lines[idx].name, trimmedKey)) return idx;
    return -1;
}

Line MakeLine(std::string text) {
    Line l;
    l.raw = std::move(text);
    l.edited = true;
    Classify(l);
    return l;
}

// The default as the profile reader takes it: trailing blanks (spaces only)
// removed, though never its first character.
std::string TrimDefault(const char* def) {
    std::string d = def ? def : "";
    if (d.empty()) return d;
    size_t p = d.size() - 1;
    while (p > 0 && d[p] == ' ') --p;
    d.resize(p + 1);
    return d;
}

}  // namespace

uint32_t ProfileStore::GetString(const char* section, const char* key, const char* def,
                                 char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0) return 0;
    const std::string defv = TrimDefault(def);
    std::string text;
    const Load load = ReadFileBytes(file, text);
    const Document doc = Parse(text);  // empty when missing or unreadable

    OutBuffer out(size);
    uint32_t ret = 0;
    if (load == Load::Failed) {
        out.CopyN(0, defv, size);  // unreadable: the default as it is
        ret = static_cast<uint32_t>(out.StrLen());
    } else if (!section) {
        ret = SectionNames(doc, out);
    } else if (key) {
        const std::string* value = &defv;
        const int s = FindSection(doc, TrimBlanks(section));
        if (s >= 0) {
            const int k = FindKey(doc, s, TrimBlanks(key));
            if (k >= 0 && doc.lines[k].hasValue) value = &doc.lines[k].value;
        }
        CopyEntry(out, *value);
        ret = static_cast<uint32_t>(out.StrLen());
    } else {
        ret = KeyNames(doc, section, out);
        if (out.b[0] == '\0') {
            CopyEntry(out, defv);
            ret = static_cast<uint32_t>(out.StrLen());
        }
    }
    if (ret > size - 1) ret = size - 1;
    std::memcpy(buffer, out.b.data(), ret);
    buffer[ret] = '\0';
    return ret;
}

bool ProfileStore::WriteString(const char* section, const char* key, const char* value,
                               const char* file) {
    // Section, key and value all absent: flush the cache. There is none
    // here (every write goes to the file), and the platform reports this
    // call as FALSE.
    if (!section && !key && !value) return false;
    if (!file || !section) return false;

    std::string text;
    const Load load = ReadFileBytes(file, text);
    if (load == Load::Failed) return false;
    Document doc = Parse(text);

    if (!key) {
        // The whole first section of that name goes.
        for (size_t i = 1; i < doc.sections.size(); ++i) {
            if (!EqualNoCase(doc.sections[i].name, section)) continue;
            const int from = doc.sections[i].header;
            const int to = i + 1 < doc.sections.size() ? doc.sections[i + 1].header
                                                       : static_cast<int>(doc.lines.size());
            doc.lines.erase(doc.lines.begin() + from, doc.lines.begin() + to);
            return WriteFileWhole(NativePath(file), Serialize(doc));
        }
        return true;
    }

    if (!value) {
        // The first key of that name in any section of that name.
        for (const Section& s : doc.sections) {
            if (!EqualNoCase(s.name, section)) continue;
            for (int idx : s.entries) {
                if (!EqualNoCase(doc.lines[idx].name, key)) continue;
                doc.lines.erase(doc.lines.begin() + idx);
                return WriteFileWhole(NativePath(file), Serialize(doc));
            }
        }
        return true;
    }

    const std::string v = TrimLeft(value);
    const int s = FindSection(doc, TrimBlanks(section));
    if (s < 0) {
        // A new section at the end of the file.
        doc.lines.push_back(MakeLine("[" + TrimBlanks(section) + "]"));
        doc.lines.push_back(MakeLine(TrimBlanks(key) + "=" + v));
        return WriteFileWhole(NativePath(file), Serialize(doc));
    }
    const int k = FindKey(doc, s, TrimBlanks(key));
    if (k >= 0) {
        Line& l = doc.lines[k];
        if (l.hasValue && l.value == v) return true;  // unchanged: the file is not touched
        l = MakeLine(l.name + "=" + v);
        return WriteFileWhole(NativePath(file), Serialize(doc));
    }
    // A new key after the last line of its section (or its header).
    const Section& sec = doc.sections[s];
    const int after = !sec.entries.empty() ? sec.entries.back() : sec.header;
    doc.lines.insert(doc.lines.begin() + (after + 1), MakeLine(TrimBlanks(key) + "=" + v));
    return WriteFileWhole(NativePath(file), Serialize(doc));
}

}  // namespace heliotab
