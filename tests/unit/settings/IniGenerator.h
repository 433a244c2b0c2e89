// Random small INI files from a fixed seed, for the differential tests of the
// profile readers and writers: CR LF, LF and CR-only files, lone CRs inside
// lines, blanks everywhere, quotes, 8-bit text, long values, comments, lines
// without "=", nameless keys and sections, keys before any section, text
// after "]". Also the dump of what the validator can see through a reader.
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
    std::string One(const std::vector<std::string>& choices) {
        return choices[Pick(static_cast<int>(choices.size()))];
    }

    std::string Section() { return Vary(One({"Alpha", "beta", "Sezione Due", "Citt\xE0"})); }
    std::string Key() { return Vary(One({"a", "B", "Lingua", "Files .ACC", "Perch\xE9", "101"})); }
    std::string Value() {
        std::string v = One({"", "\"quoted\"", "'single'", "\"", "pi\xF9 \x80\xFF", "a=b;c",
                             "\xA0nbsp\xA0", std::string(Pick(2) ? 255 : 5000, 'L')});
        for (int n = Pick(3) * Pick(6); n > 0; --n)
            v += "abcXYZ 019\\"[Pick(11)];
        while (!v.empty() && v.back() == ' ') // the Win32 writer would not keep them
            v.pop_back();
        return v;
    }

    // Plain files (CR LF, no blanks around names, no odd lines) are as the
    // Win32 writer itself would leave them; the others are anything but.
    std::string File() {
        const bool plain = Pick(2) == 0;
        const std::string eol = plain ? "\r\n" : One({"\r\n", "\n", "\r"});
        auto blank = [&] { return plain ? "" : One({"", " ", "\t"}); };
        std::string f = Pick(6) == 0 ? Key() + "=" + Value() + eol : "";
        for (int s = Pick(4); s > 0; --s) {
            f += blank() + "[" + blank() + Section() + blank() + "]" +
                 (plain ? "" : One({"", " ; x", "\x1A"})) + eol;
            for (int k = Pick(5); k > 0; --k) {
                f += One({"", ";", "", ""}) + blank() + Key() + blank();
                f += (Pick(6) ? "=" + blank() + Value() + blank() : "") + eol;
                if (!plain)
                    f += One({"", "", "=nameless", "[open", "[]", std::string("k\0=z", 4),
                              Key() + "=x\r" + Key() + "=y"}) +
                         eol;
            }
        }
        if (!plain && Pick(4) == 0 && !f.empty())
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
        for (const char* probe : {"", "ALPHA", "Sezione Due"})
            names.push_back(probe);
        for (const std::string& s : names) {
            std::vector<std::string> ks = keys(s);
            out += "\n[" + s + "] keys:";
            for (const std::string& k : ks)
                out += " <" + k + ">";
            for (const char* probe : {"a", ";a", "B", "Lingua", "101"})
                ks.push_back(probe);
            for (const std::string& k : ks)
                out += "\n  <" + k + ">=<" + value(s, k) + ">";
        }
        return out;
    }

private:
    std::string Vary(std::string s) {
        for (char& ch : s)
            if (Pick(4) == 0 && (ch | 0x20) >= 'a' && (ch | 0x20) <= 'z')
                ch ^= 0x20;
        return s;
    }
    std::mt19937 rng_;
};

} // namespace heliotab::testutil
