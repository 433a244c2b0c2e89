#include "reservation/IniText.h"

namespace heliotab {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Upper case of a Windows-1252 character, so that accented names compare
// as the platform compares them.
unsigned char Fold(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
    switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
    }
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    ForEachLine(text, [&](std::string_view l) {
        lines.push_back(l);
        return true;
    });
    return lines;
}

namespace {

// One line as the profile functions see it.
struct ParsedLine {
    enum Kind { Skip, Header, Key } kind = Skip;
    std::string_view name;
    std::string_view value;
    bool hasValue = false;
};

ParsedLine ParseLine(std::string_view raw) {
    ParsedLine p;
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') return p;
    if (line.front() == '[') {
        const size_t close = line.rfind(']');
        if (close != std::string_view::npos) {
            p.kind = ParsedLine::Header;
            p.name = line.substr(1, close - 1);
            return p;
        }
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        p.name = line;
    } else {
        p.name = Trim(line.substr(0, eq));
        p.value = Trim(line.substr(eq + 1));
        p.hasValue = true;
    }
    if (!p.name.empty()) p.kind = ParsedLine::Key;  // the platform lists no nameless keys
    return p;
}

std::string Unquoted(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

}  // namespace

std::string IniLookup(std::string_view text, std::string_view section, std::string_view key, std::string_view def) {
    // Only the first section of the name counts; it ends at the next header.
    enum { Before, Inside, Done } where = Before;
    std::string result(def);
    ForEachLine(text, [&](std::string_view raw) {
        const ParsedLine p = ParseLine(raw);
        if (p.kind == ParsedLine::Header) {
            if (where == Inside) {
                where = Done;
                return false;
            }
            if (NamesEqual(p.name, section)) where = Inside;
        } else if (p.kind == ParsedLine::Key && where == Inside && NamesEqual(p.name, key)) {
            if (p.hasValue) result = Unquoted(p.value);
            where = Done;
            return false;
        }
        return true;
    });
    return result;
}

void IniText::Parse(std::string_view text) {
    sections_.clear();
    bool inSection = false;  // lines before the first header belong to no section
    ForEachLine(text, [&](std::string_view raw) {
        const ParsedLine p = ParseLine(raw);
        if (p.kind == ParsedLine::Header) {
            sections_.push_back({std::string(p.name), {}});
            inSection = true;
        } else if (p.kind == ParsedLine::Key && inSection) {
            sections_.back().keys.push_back({std::string(p.name), std::string(p.value), p.hasValue});
        }
        return true;
    });
}

const IniText::Section* IniText::Find(std::string_view section) const {
    for (const Section& s : sections_)
        if (NamesEqual(s.name, section)) return &s;
    return nullptr;
}

std::vector<std::string> IniText::SectionNames() const {
    std::vector<std::string> names;
    for (const Section& s : sections_)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}

std::vector<std::string> IniText::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Section* s = Find(section))
        for (const Key& k : s->keys) names.push_back(k.name);
    return names;
}

std::string IniText::Value(std::string_view section, std::string_view key, std::string_view def) const {
    const Section* s = Find(section);
    if (!s) return std::string(def);
    for (const Key& k : s->keys) {
        if (!NamesEqual(k.name, key)) continue;
        return k.hasValue ? Unquoted(k.value) : std::string(def);
    }
    return std::string(def);
}

}  // namespace heliotab
