// The portable profile store. The file is parsed into lines exactly as the
// Windows profile functions see it; lookups follow their rules (including
// the odd ones, such as a key list falling back to the default when it
// starts with an empty name), so the native build and heliotab.exe read
// every INI file the same way. The differential test under Wine holds the
// two side by side.
#include "profile/ProfileStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "profile/ProfileText.h"
#include "shared/FileSystems.h"

namespace heliotab {

namespace {

using Line = ProfileLine;
using Section = ProfileSection;
using Document = ProfileDocument;

bool IsBlank(unsigned char c) {
    return IsProfileBlank(c);
}

std::string TrimLeft(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(static_cast<unsigned char>(s[b])))
        ++b;
    return s.substr(b);
}

std::string Serialize(const Document& doc) {
    std::string out;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const Line& l = doc.lines[i];
        // The platform writes no header for a section without a name ("[]"):
        // its keys then belong to the section before it.
        if (l.kind == Line::Header && l.name.empty())
            continue;
        out += l.raw;
        const bool last = i + 1 == doc.lines.size();
        if (l.edited || (l.end.empty() && !last))
            out += "\r\n"; // a line written anew, or one that is no longer the last
        else
            out += l.end;
    }
    return out;
}

enum class Load { Ok, Missing, Failed };

Load ReadFileBytes(const char* file, std::string& text) {
    text.clear();
    if (!file)
        return Load::Failed;
    const std::string path = NativePath(file);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno == ENOENT || errno == ENOTDIR ? Load::Missing : Load::Failed;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        text.clear();
        return Load::Failed;
    }
    return Load::Ok;
}

Line MakeLine(std::string text) {
    Line l;
    l.raw = std::move(text);
    l.edited = true;
    ClassifyProfileLine(l);
    return l;
}

} // namespace

uint32_t ProfileStore::GetString(const char* section, const char* key, const char* def,
                                 char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0)
        return 0;
    std::string text;
    if (ReadFileBytes(file, text) == Load::Failed) {
        // Unreadable: the default as it is, quotes and all.
        const std::string d = TrimProfileDefault(def);
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(d.size(), size - 1));
        std::memcpy(buffer, d.data(), n);
        buffer[n] = '\0';
        return n;
    }
    return ReadProfileText(ParseProfileText(text), section, key, def, buffer,
                           size); // missing: empty
}

bool ProfileStore::WriteString(const char* section, const char* key, const char* value,
                               const char* file) {
    // Section, key and value all absent: flush the cache. There is none
    // here (every write goes to the file), and the platform reports this
    // call as FALSE.
    if (!section && !key && !value)
        return false;
    if (!file || !section)
        return false;

    std::string text;
    const Load load = ReadFileBytes(file, text);
    if (load == Load::Failed)
        return false;
    Document doc = ParseProfileText(text);

    if (!key) {
        if (load == Load::Missing)
            return true; // nothing to delete, and no file is made
        // The whole first section of that name goes; the name "" is first the
        // keys before any header, which have no header line of their own.
        for (size_t i = 0; i < doc.sections.size(); ++i) {
            if (!ProfileNamesEqual(doc.sections[i].name, section))
                continue;
            const int from = std::max(doc.sections[i].header, 0);
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
            if (!ProfileNamesEqual(s.name, section))
                continue;
            for (int idx : s.entries) {
                if (!ProfileNamesEqual(doc.lines[idx].name, key))
                    continue;
                doc.lines.erase(doc.lines.begin() + idx);
                return WriteFileWhole(NativePath(file), Serialize(doc));
            }
        }
        return true;
    }

    const std::string v = TrimLeft(value);
    const int s = FindProfileSection(doc, TrimProfileBlanks(section));
    if (s < 0) {
        // A new section at the end of the file.
        std::string header(1, '['); // appended, not "[" + text: GCC 12 warns falsely on that
        header += TrimProfileBlanks(section);
        header += ']';
        doc.lines.push_back(MakeLine(header));
        doc.lines.push_back(MakeLine(TrimProfileBlanks(key) + "=" + v));
        return WriteFileWhole(NativePath(file), Serialize(doc));
    }
    const int k = FindProfileKey(doc, s, TrimProfileBlanks(key));
    if (k >= 0) {
        Line& l = doc.lines[k];
        if (l.hasValue && l.value == v)
            return true; // unchanged: the file is not touched
        l = MakeLine(l.name + "=" + v);
        return WriteFileWhole(NativePath(file), Serialize(doc));
    }
    // A new key after the last line of its section (or its header).
    const Section& sec = doc.sections[s];
    const int after = !sec.entries.empty() ? sec.entries.back() : sec.header;
    doc.lines.insert(doc.lines.begin() + (after + 1), MakeLine(TrimProfileBlanks(key) + "=" + v));
    return WriteFileWhole(NativePath(file), Serialize(doc));
}

} // namespace heliotab
