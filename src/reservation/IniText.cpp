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
    size_t start = 0;
    const size_t n = text.size();
    while (start < n) {
        size_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
        lines.push_back(text.substr(start, end - start));
        if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
            start = end + 2;
        else
            start = end + 1;
    }
    return lines;
}

void IniText::Parse(std::string_view text) {
    sections_.clear();
    Section* current = nullptr;  // lines before the first header belong to no section
    for (std::string_view raw : SplitLines(text)) {
        std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                sections_.push_back({std::string(line.substr(1, close - 1)), {}});
                current = &sections_.back();
                continue;
            }
        }
        if (!current) continue;
        Key key;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            key.name = std::string(line);
        } else {
            key.name = std::string(Trim(line.substr(0, eq)));
            key.value = std::string(Trim(line.substr(eq + 1)));
            key.hasValue = true;
        }
        if (key.name.empty()) continue;  // the platform lists no nameless keys
        current->keys.push_back(std::move(key));
    }
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
        if (!k.hasValue) return std::string(def);
        std::string_view v = k.value;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        return std::string(v);
    }
    return std::string(def);
}

}  // namespace heliotab
