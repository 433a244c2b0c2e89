// Random small INI files from a fixed seed, for the differential tests of the
// readers: canonical CR LF files, LF and CR-only files, lone CRs inside
// lines, blanks everywhere, comments, lines without "=", nameless keys, keys
// before any section, headers with text after "]". Also the dump of what
// the validator can see through a reader, to compare two readers.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace heliotab::testutil {

class IniGenerator {
public:
    explicit IniGenerator(uint32_t seed) : rng_(seed) {}

    int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    std::string Section() { return Vary(kSections[Pick(6)]); }
    std::string Key() { return Vary(kKeys[Pick(8)]); }
    std::string Value() {
        static const std::vector<std::string> kFixed = {"",
                                                        "\"quoted value\"",
                                                        "'single'",
                                                        "\"",
                                                        "",
                                                        "pi\xF9 \xE8 \x80 \xFF",
                                                        "a=b;c",
                                                        "\xA0"
                                                        "nbsp\xA0"};
        const int kind = Pick(12);
        if (kind == 4)
            return std::string(std::vector<size_t>{255, 256, 300, 5000}[Pick(4)], 'L');
        if (kind < 8)
            return kFixed[kind];
        std::string v;
        for (int i = 0, n = 1 + Pick(12); i < n; ++i)
            v += "abcXYZ 019\\"[Pick(11)];
        while (!v.empty() && v.back() == ' ')
            v.pop_back();
        return v.empty() ? "v" : v;
    }
    std::string Blanks() { return std::vector<std::string>{"", "", " ", "\t", "  "}[Pick(5)]; }

    // Styles 0-5 are in the form the Win32 writer itself gives a file
    // (Canonical in the Win32 differential test relies on it).
    std::string File() {
        const int style = Pick(13); // 0-5 canonical CR LF, 6-7 LF, 8 blanks, 9 mixed, 10 CR only,
                                    // 11 lone CRs, 12 odd lines
        const bool canonical = style <= 5;
        const std::string eol = style == 6 || style == 7 ? "\n" : style == 10 ? "\r" : "\r\n";
        std::string f;
        if (Pick(6) == 0)
            f += Key() + "=" + Value() + eol;
        for (int s = 0, sections = Pick(4); s < sections; ++s) {
            f += canonical ? "[" + Section() + "]"
                           : Blanks() + "[" + Blanks() + Section() + Blanks() + "]" + Blanks();
            f += (style == 12 && Pick(3) == 0 ? " ; " + Key() : "") + eol;
            for (int k = 0, keys = Pick(5); k < keys; ++k) {
                const int kind = Pick(10);
                if (kind == 0)
                    f += ";" + Key() + "=" + Value() + eol;
                else if (kind == 1 && !canonical)
                    f += eol;
                else if (kind == 2)
                    f += Key() + eol;
                else if (canonical)
                    f += Key() + "=" + Value() + eol;
                else
                    f += Blanks() + Key() + Blanks() + "=" + Blanks() + Value() + Blanks() + eol;
                if (style == 9 && Pick(3) == 0)
                    f += "\n";
                if (style == 11 && Pick(2) == 0)
                    f += Key() + "=x\r" + Key() + "=y" + eol;
                if (style == 12)
                    f += std::vector<std::string>{"=nameless",
                                                  "[open",
                                                  "[]",
                                                  "  ",
                                                  std::string("k\0=z", 4),
                                                  "\x1A"}[Pick(6)] +
                         eol;
            }
        }
        if (!canonical && Pick(4) == 0 && !f.empty())
            f.resize(f.size() - eol.size()); // no final line end
        return f;
    }

    // Everything the validator can ask a reader: the section list, each
    // listed section's key list and every value, and the values of names no
    // list shows (comments, lines without "=", the part before any header).
    static std::string
    Dump(const std::function<std::vector<std::string>()>& sections,
         const std::function<std::vector<std::string>(const std::string&)>& keys,
         const std::function<std::string(const std::string&, const std::string&)>& value) {
        std::vector<std::string> names = sections();
        std::string out = "sections:";
        for (const std::string& s : names)
            out += " [" + s + "]";
        for (const char* probe : {"", "ALPHA", "beta", "Sezione Due"})
            names.push_back(probe);
        for (const std::string& s : names) {
            std::vector<std::string> ks = keys(s);
            out += "\n[" + s + "] keys:";
            for (const std::string& k : ks)
                out += " <" + k + ">";
            for (const char* probe : kKeys)
                ks.push_back(probe), ks.push_back(std::string(";") + probe);
            for (const std::string& k : ks)
                out += "\n  <" + k + ">=<" + value(s, k) + ">";
        }
        return out;
    }

private:
    std::string Vary(std::string s) {
        if (Pick(2) == 0)
            return s;
        for (char& ch : s)
            if (Pick(2) != 0 && (ch | 0x20) >= 'a' && (ch | 0x20) <= 'z')
                ch ^= 0x20;
        return s;
    }
    static constexpr const char* kSections[] = {"Alpha",       "beta",     "Impostazioni",
                                                "Sezione Due", "Citt\xE0", "Percorsi"};
    static constexpr const char* kKeys[] = {
        "a", "B", "Lingua", "Files .ACC", "chiave lunga", "Perch\xE9", "101", "x"};
    std::mt19937 rng_;
};

} // namespace heliotab::testutil
