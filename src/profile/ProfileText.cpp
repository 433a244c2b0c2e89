// The profile functions' reading rules on a text in memory (see the header).
#include "profile/ProfileText.h"

#include <algorithm>
#include <cstring>

namespace heliotab {

namespace {

using Line = ProfileLine;
using Section = ProfileSection;
using Document = ProfileDocument;

bool IsBlank(unsigned char c) {
    return IsProfileBlank(c);
}

// Upper case in code page 1252, for comparing names without regard to case.
unsigned char Upper1252(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A:
        return 0x8A; // š
    case 0x9C:
        return 0x8C; // œ
    case 0x9E:
        return 0x8E; // ž
    case 0xFF:
        return 0x9F; // ÿ
    default:
        return c;
    }
}

// Names and values end at a NUL byte, as C strings do.
std::string UpToNul(const char* p, size_t n) {
    const void* z = std::memchr(p, '\0', n);
    return std::string(p, z ? static_cast<const char*>(z) - p : n);
}

void ClassifyLine(Line& l) {
    const char* s = l.raw.data();
    size_t b = 0, e = l.raw.size();
    while (b < e && IsBlank(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1])))
        --e;
    l.name.clear();
    l.value.clear();
    l.hasValue = false;
    if (b >= e) {
        l.kind = Line::Blank;
        return;
    }
    if (s[b] == '[') {
        size_t close = e;
        while (close > b + 1 && s[close - 1] != ']')
            --close;
        if (close > b + 1) { // s[close - 1] is the last ']'
            l.kind = Line::Header;
            // "[ name ]" is the section "name": listed and found without its blanks.
            l.name = TrimProfileBlanks(UpToNul(s + b + 1, close - 1 - (b + 1)));
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
    while (ne > b && IsBlank(static_cast<unsigned char>(s[ne - 1])))
        --ne;
    size_t vb = eq + 1;
    while (vb < e && IsBlank(static_cast<unsigned char>(s[vb])))
        ++vb;
    l.name = UpToNul(s + b, ne - b);
    l.hasValue = true;
    l.value = UpToNul(s + vb, e - vb);
}

// The profile reader works into a buffer of `len` characters; these mirror
// its steps on a string of that size so that truncation comes out the same.
struct OutBuffer {
    std::string b;
    explicit OutBuffer(uint32_t len) : b(len, '\0') {}
    uint32_t Len() const { return static_cast<uint32_t>(b.size()); }
    size_t StrLen(size_t at = 0) const {
        size_t i = at;
        while (i < b.size() && b[i] != '\0')
            ++i;
        return i - at;
    }
    // lstrcpyn: at most len - 1 characters and a NUL.
    void CopyN(size_t at, const std::string& s, size_t len) {
        if (len == 0)
            return;
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
        if (n > 0)
            out.b[n - 1] = '\0';
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
        if (s.header < 0 || s.name.empty())
            continue;
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
        if (!ProfileNamesEqual(s.name, section))
            continue;
        const uint32_t oldlen = out.Len();
        uint32_t len = oldlen;
        size_t at = 0;
        for (int idx : s.entries) {
            const Line& k = doc.lines[idx];
            if (len <= 2)
                break;
            if (k.name.empty() && !k.hasValue)
                continue;
            if (!k.name.empty() && k.name[0] == ';')
                continue;
            if (!k.hasValue)
                continue;
            out.CopyN(at, k.name, len - 1);
            const size_t n = out.StrLen(at);
            len -= static_cast<uint32_t>(n + 1);
            at += n + 1;
            if (len < 2)
                break;
        }
        out.b[at] = '\0';
        if (len <= 1) {
            if (at > 0)
                out.b[at - 1] = '\0'; // a buffer of one character has no room for a name
            return oldlen >= 2 ? oldlen - 2 : 0;
        }
        return oldlen - len;
    }
    out.b[0] = '\0';
    if (out.Len() > 1)
        out.b[1] = '\0';
    return 0;
}

} // namespace

bool IsProfileBlank(unsigned char c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

std::string TrimProfileBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return std::string(s);
}

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper1252(static_cast<unsigned char>(a[i])) !=
            Upper1252(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void ClassifyProfileLine(ProfileLine& l) {
    ClassifyLine(l);
}

// The default as the profile reader takes it: trailing blanks (spaces only)
// removed, though never its first character.
std::string TrimProfileDefault(const char* def) {
    std::string d = def ? def : "";
    if (d.empty())
        return d;
    size_t p = d.size() - 1;
    while (p > 0 && d[p] == ' ')
        --p;
    d.resize(p + 1);
    return d;
}

void ProfileDocument::Index() {
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

ProfileDocument ParseProfileText(std::string_view text) {
    Document doc;
    ForEachProfileLine(text, [&](std::string_view raw, std::string_view end) {
        Line l;
        l.raw.assign(raw);
        l.end.assign(end);
        ClassifyLine(l);
        doc.lines.push_back(std::move(l));
        return true;
    });
    doc.Index();
    return doc;
}

// Index of the first section whose name equals the (trimmed) name, or -1.
int FindProfileSection(const Document& doc, const std::string& trimmedName) {
    for (size_t i = 0; i < doc.sections.size(); ++i)
        if (ProfileNamesEqual(doc.sections[i].name, trimmedName))
            return static_cast<int>(i);
    return -1;
}

// The key's line in that one section, or -1.
int FindProfileKey(const Document& doc, int section, const std::string& trimmedKey) {
    for (int idx : doc.sections[section].entries)
        if (ProfileNamesEqual(doc.lines[idx].name, trimmedKey))
            return idx;
    return -1;
}

uint32_t ReadProfileText(const ProfileDocument& doc, const char* section, const char* key,
                         const char* def, char* buffer, uint32_t size) {
    if (!buffer || size == 0)
        return 0;
    const std::string defv = TrimProfileDefault(def);
    OutBuffer out(size);
    uint32_t ret = 0;
    if (!section) {
        ret = SectionNames(doc, out);
    } else if (key) {
        const std::string* value = &defv;
        const int s = FindProfileSection(doc, TrimProfileBlanks(section));
        if (s >= 0) {
            const int k = FindProfileKey(doc, s, TrimProfileBlanks(key));
            if (k >= 0 && doc.lines[k].hasValue)
                value = &doc.lines[k].value;
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
    if (ret > size - 1)
        ret = size - 1;
    std::memcpy(buffer, out.b.data(), ret);
    buffer[ret] = '\0';
    return ret;
}

} // namespace heliotab
