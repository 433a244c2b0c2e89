// The portable profile readers and writers against the real
// GetPrivateProfileStringA / WritePrivateProfileStringA: the same call
// sequences (hand-written and generated from a fixed seed) on two copies of
// each file; return values, whole buffers and the files afterwards must agree.
// Files are compared byte for byte when the Win32 writer keeps them as they
// are (it rewrites anything else in its own layout, which the portable store
// does not); otherwise by everything a reader can see in them.
#include <windows.h>

#include <functional>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "fakes/TempDir.h"
#include "output/ResultFormat.h"
#include "profile/ProfileStore.h"
#include "reservation/IniText.h"

namespace heliotab {
namespace {

using Text = std::optional<std::string>;
using Strings = std::vector<std::string>;
using testutil::ReadFile, testutil::WriteFile;
const Text N; // a null pointer
const char* const kKeys[] = {"a",         "B",   "Lingua", "Files .ACC", "chiave lunga",
                             "Perch\xE9", "101", "x"};

// Random small INI files: canonical CR LF files, LF and CR-only files, lone CRs inside lines,
// blanks everywhere, comments, lines without "=", nameless keys, keys before any section,
// headers with text after "]".
struct IniGenerator {
    int Pick(int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); }
    std::string Vary(std::string s) {
        if (Pick(2) == 0)
            return s;
        for (char& ch : s)
            if (Pick(2) != 0 && (ch | 0x20) >= 'a' && (ch | 0x20) <= 'z')
                ch ^= 0x20;
        return s;
    }
    std::string Section() {
        return Vary(Strings{"Alpha", "beta", "Impostazioni", "Sezione Due", "Citt\xE0",
                            "Percorsi"}[Pick(6)]);
    }
    std::string Key() { return Vary(kKeys[Pick(8)]); }
    std::string Value() {
        const int kind = Pick(12);
        if (kind == 4)
            return std::string(std::vector<size_t>{255, 256, 300, 5000}[Pick(4)], 'L');
        if (kind < 8)
            return Strings{"", "\"quoted value\"",      "'single'", "\"",
                           "", "pi\xF9 \xE8 \x80 \xFF", "a=b;c",    "\xA0nbsp\xA0"}[kind];
        std::string v;
        for (int i = 0, n = 1 + Pick(12); i < n; ++i)
            v += "abcXYZ 019\\"[Pick(11)];
        while (!v.empty() && v.back() == ' ')
            v.pop_back();
        return v.empty() ? "v" : v;
    }
    std::string Blanks() { return Strings{"", "", " ", "\t", "  "}[Pick(5)]; }

    // Styles 0-5 are in the form the Win32 writer itself gives a file, so that enough files
    // are compared byte for byte.
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
                    f +=
                        Strings{
                            "=nameless", "[open", "[]", "  ", std::string("k\0=z", 4), "\x1A"}[Pick(
                            6)] +
                        eol;
            }
        }
        if (!canonical && Pick(4) == 0 && !f.empty())
            f.resize(f.size() - eol.size()); // no final line end
        return f;
    }
    std::mt19937 rng;
};

// One call on a backend: its result, and for a read the whole buffer of `size` bytes.
using Op = std::function<std::string(ProfileBackend&, const char* file)>;
const char* P(const Text& t) {
    return t ? t->c_str() : nullptr;
}
Op R(Text s, Text k, Text def, uint32_t size = 256) {
    return [=](ProfileBackend& b, const char* file) {
        std::string buf(size + 8, '\xCC');
        return std::to_string(b.GetString(P(s), P(k), P(def), buf.data(), size, file)) + buf;
    };
}
Op W(Text s, Text k, Text v) {
    return [=](ProfileBackend& b, const char* file) {
        return std::to_string(b.WriteString(P(s), P(k), P(v), file));
    };
}

struct Case {
    Text initial; // absent: no file at the start
    std::vector<Op> ops;
};

struct Win32Profile : ProfileBackend {
    uint32_t GetString(const char* s, const char* k, const char* d, char* b, uint32_t n,
                       const char* f) override {
        return GetPrivateProfileStringA(s, k, d, b, n, f);
    }
    bool WriteString(const char* s, const char* k, const char* v, const char* f) override {
        return WritePrivateProfileStringA(s, k, v, f);
    }
};

// Everything the validator can ask a reader: the section list, each listed section's key list
// and every value, and the values of names no list shows (comments, lines without "=", the
// part before any header).
std::string Dump(ProfileBackend& b, const std::string& file) {
    clsIniFiles ini(b);
    ini.SetIniFile(file);
    Strings names = SplitIniList(ini.ReadString(N, N));
    std::string out = "sections:";
    for (const std::string& s : names)
        out += " [" + s + "]";
    names.insert(names.end(), {"", "ALPHA", "beta", "Sezione Due"});
    for (const std::string& s : names) {
        Strings keys = SplitIniList(ini.ReadString(s, N));
        out += "\n[" + s + "] keys:";
        for (const std::string& k : keys)
            out += " <" + k + ">";
        for (const char* probe : kKeys) {
            keys.push_back(probe);
            keys.push_back(std::string(";") + probe);
        }
        for (const std::string& k : keys)
            out += "\n  <" + k + ">=<" + ini.ReadString(s, k, "<none>") + ">";
    }
    return out;
}

class ProfileDifferential : public ::testing::Test {
protected:
    // Whether the Win32 writer, made to rewrite the file, leaves it as it was.
    bool KeptByWin32(const std::string& text) {
        const std::string f = dir_.File("probe.ini");
        WriteFile(f, text);
        for (const char* k : {"k", static_cast<const char*>(nullptr)})
            WritePrivateProfileStringA("zz probe", k, k, f.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, f.c_str());
        return ReadFile(f) == text;
    }

    void Run(const Case& c, int index) {
        const std::string wf = dir_.File("w" + std::to_string(index) + ".ini");
        const std::string pf = dir_.File("p" + std::to_string(index) + ".ini");
        if (c.initial) {
            WriteFile(wf, *c.initial);
            WriteFile(pf, *c.initial);
        }
        for (size_t i = 0; i < c.ops.size(); ++i)
            ASSERT_EQ(c.ops[i](win_, wf.c_str()), c.ops[i](store_, pf.c_str()))
                << "case " << index << " step " << i + 1;
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, wf.c_str()); // Wine's cache out
        SCOPED_TRACE("case " + std::to_string(index));
        ASSERT_EQ(testutil::Exists(wf), testutil::Exists(pf));
        const bool bytes = !c.initial || KeptByWin32(*c.initial);
        bytesCompared_ += bytes;
        if (bytes)
            EXPECT_EQ(ReadFile(wf), ReadFile(pf));
        EXPECT_EQ(Dump(win_, wf), Dump(store_, pf)) << "files read back";
        EXPECT_EQ(Dump(win_, wf), Dump(store_, wf)) << "the portable store reading the Win32 file";
    }

    testutil::TempDir dir_;
    Win32Profile win_;
    ProfileStore store_;
    int bytesCompared_ = 0;
};

// What the generated cases never reach: buffers of 0 and 1, blanks around names, the nameless
// section, the flush call.
std::vector<Case> HandWritten() {
    return {{"[Impostazioni]\r\nLingua=English\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\\r\n",
             {R("  impostazioni ", " LINGUA\t", "x"), R("Impostazioni", "Lingua", "x", 1),
              R("Impostazioni", "Lingua", "x", 0), R(N, N, "", 0), R("Impostazioni", N, "", 1),
              R("Nope", N, "dflt"), W(" Impostazioni ", " Lingua ", "  X")}},
            {"[S]\r\nk=v\r\n",
             {W("", "top", "1"), R("", "top", ""), R(N, N, ""), W(N, N, N), W(N, "k", "v"),
              W("", N, N)}}};
}

// Random call sequences on generated files. Written values get no blanks at their end: the
// Win32 writer keeps those in its cache, but no reader of the file ever sees them.
Case Generated(IniGenerator& g) {
    static const uint32_t sizes[] = {2, 3, 5, 8, 16, 64, 256, 257, 512, 6000};
    static const char* defaults[] = {"", "def", "\"dq\"", "d  "};
    auto value = [&] {
        std::string v = g.Value();
        return v.erase(v.find_last_not_of(' ') + 1);
    };
    Case c{g.Pick(8) ? Text(g.File()) : N, {}};
    for (int i = 3 + g.Pick(6); i > 0; --i) {
        const uint32_t size = sizes[g.Pick(10)];
        const int kind = g.Pick(10);
        c.ops.push_back(kind == 0   ? R(N, g.Pick(2) ? Text(g.Key()) : N, "", size)
                        : kind == 1 ? R(g.Section(), N, g.Pick(2) ? "dflt" : "", size)
                        : kind < 5  ? R(g.Section(), g.Key(), defaults[g.Pick(4)], size)
                        : kind < 7  ? W(g.Section(), g.Key(), value())
                        : kind == 7 ? W(g.Section(), g.Key(), N)
                        : kind == 8 ? (g.Pick(3) ? W(g.Section(), g.Key(), " " + value())
                                                 : W(g.Section(), N, N))
                                    : R(g.Section(), g.Key(), "", 6000));
    }
    return c;
}

TEST_F(ProfileDifferential, StoreAgreesOnHandWrittenAndGeneratedCases) {
    std::vector<Case> cases = HandWritten();
    IniGenerator g{std::mt19937(20261206)};
    for (int i = 0; i < 400; ++i)
        cases.push_back(Generated(g));
    for (size_t i = 0; i < cases.size() && !HasFailure(); ++i)
        Run(cases[i], static_cast<int>(i));
    EXPECT_GT(bytesCompared_, 100) << "files compared byte for byte";
}

// The result file as BuildResultFile makes it against the same keys written
// by WritePrivateProfileStringA into a new file, byte for byte, for results
// full of blanks, quotes, control characters, 8-bit text and long values.
TEST_F(ProfileDifferential, ResultFileIsWhatTheProfileWriterWrites) {
    IniGenerator g{std::mt19937(20261208)};
    const Strings pieces = {
        "",   " ",    "   ",   "\t",         "\r\n",       "\x01\x1A\x7F",
        "\"", "'",    "=",     ";",          "[X]",        "R",
        "#A", "12.5", "1E+07", "05/12/2026", "00/00/0000", "\xE0\xE8\x80\x81\x9D\xA0\xFF"};
    for (int i = 0; i < 300 && !HasFailure(); ++i) {
        FarResult r;
        for (const FarResultKey& k : kFarResultKeys)
            for (int n = g.Pick(4); n > 0; --n)
                r.*(k.field) +=
                    g.Pick(6) == 0 ? g.Value() : pieces[g.Pick(static_cast<int>(pieces.size()))];
        const std::string file = dir_.File("r" + std::to_string(i) + ".FAR");
        for (const FarResultKey& k : kFarResultKeys)
            WritePrivateProfileStringA(
                "ProvaFari", k.key, FormatResultValue(k.key, r.*(k.field)).c_str(), file.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
        EXPECT_EQ(ReadFile(file), BuildResultFile(r));
    }
}

} // namespace
} // namespace heliotab
