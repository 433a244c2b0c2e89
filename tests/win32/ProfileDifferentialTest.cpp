// The portable profile readers and writers against the real
// GetPrivateProfileStringA / WritePrivateProfileStringA (the program's own
// backend on Windows): the same call sequences, generated from a fixed seed,
// on two copies of each file; return values, whole buffers and the files
// afterwards must agree. Files are compared byte for byte when the Win32
// writer keeps them as they are (it rewrites anything else in its own layout,
// which the portable store does not); otherwise by everything a reader can
// see in them.
#include <windows.h>

#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "fakes/TempDir.h"
#include "profile/ProfileStore.h"
#include "reservation/IniText.h"

namespace heliotab {
namespace {

using Text = std::optional<std::string>;
using Strings = std::vector<std::string>;
using testutil::ReadFile;
using testutil::WriteFile;
const Text N; // a null pointer
// Names in either case (ASCII letters only: under Wine 8-bit letters match only in one case).
const Strings kSections = {"Alpha",        "ALPHA",       "beta",     "Impostazioni",
                           "impostazioni", "Sezione Due", "Citt\xE0", ""};
const Strings kKeys = {"a",         "A",          "B",          "Lingua",
                       "LINGUA",    "Files .ACC", "files .acc", "chiave lunga",
                       "Perch\xE9", "101"};
// No blanks at the end: the Win32 writer keeps those in its cache, but no reader of the file
// ever sees them.
const Strings kValues = {"C:\\MCTC\\DIR 0\\",
                         "aX 1",
                         "",
                         "\"quoted value\"",
                         "'single'",
                         "\"",
                         "pi\xF9 \xE8 \x80 \xFF",
                         "a=b;c",
                         "\xA0nbsp\xA0",
                         std::string(255, 'L'),
                         std::string(256, 'L'),
                         std::string(5000, 'L')};
const Strings kBlanks = {"", "", " ", "\t", "  "};
// Lines no writer makes (odd ones only in files not in the Win32 writer's form): blanks inside
// a header and around "=", a nameless key, an unclosed or nameless header, a header with text
// after it, a NUL inside a name, an end-of-file mark, a lone CR inside a line, a blank line.
const Strings kOddLines = {
    "[ beta\t]", "a \t=  v", "=nameless", "[open", "[]", "[Alpha] ; x", std::string("k\0=z", 4),
    "\x1A",      "a=x\rB=y", ""};
// Buffers of every kind of edge: none, one byte, too small for a name, the reader's first size.
const uint32_t kSizes[] = {0, 1, 2, 3, 5, 8, 16, 64, 256, 257, 512, 6000};

struct IniGenerator {
    uint32_t Int(uint32_t n) { return rng() % n; }
    const std::string& Pick(const Strings& s) { return s[Int(s.size())]; }
    // Mostly as it is, else with blanks before it and (if `after`) after it. Writes get none
    // after: the Win32 writer keeps those in a new name, the store does not.
    std::string Padded(const std::string& s, bool after = true) {
        return Int(4) ? s : Pick(kBlanks) + s + (after ? Pick(kBlanks) : "");
    }
    // Half the files in the form the Win32 writer itself gives a file, so that enough files are
    // compared byte for byte; the rest with LF or CR ends, blanks around names, odd lines and
    // sometimes no final line end.
    std::string File() {
        const bool canonical = Int(2);
        const std::string eol = canonical ? "\r\n" : Pick({"\r\n", "\n", "\r"});
        std::string f;
        for (uint32_t n = Int(14); n > 0; --n) {
            const uint32_t kind = Int(10);
            const std::string line = kind < 2    ? "[" + Pick(kSections) + "]"
                                     : kind == 2 ? ";" + Pick(kKeys) + "=" + Pick(kValues)
                                     : kind == 3 ? Pick(kKeys)
                                     : kind == 4 && !canonical ? Pick(kOddLines)
                                                               : Pick(kKeys) + "=" + Pick(kValues);
            f += (canonical ? line : Padded(line)) + eol;
        }
        if (!canonical && Int(4) == 0)
            f.resize(f.size() - std::min(f.size(), eol.size()));
        return f;
    }
    std::mt19937 rng;
};

// One call on a backend: a write (value `v`) or a read (default `v`, buffer of `size` bytes).
struct Call {
    bool write;
    Text s, k, v;
    uint32_t size;
};
const char* P(const Text& t) {
    return t ? t->c_str() : nullptr;
}
// Its result, and for a read the whole buffer.
std::string Do(ProfileBackend& b, const Call& c, const char* file) {
    std::string buf(c.write ? 0 : c.size + 8, '\xCC');
    const uint32_t n = c.write ? b.WriteString(P(c.s), P(c.k), P(c.v), file)
                               : b.GetString(P(c.s), P(c.k), P(c.v), buf.data(), c.size, file);
    return std::to_string(n) + buf;
}

// A random call: reads of the section list, a key list or a value, with or without a default;
// writes and deletes of keys and sections; the flush; names with blanks around them.
Call Generated(IniGenerator& g) {
    const uint32_t kind = g.Int(10);
    Call c{kind > 4, g.Padded(g.Pick(kSections), kind < 5), g.Padded(g.Pick(kKeys), kind < 5),
           kind > 4 ? g.Pick(kBlanks) + g.Pick(kValues)
                    : g.Pick({"", "def", "\"dq\"", "d  ", "   "}),
           kSizes[g.Int(std::size(kSizes))]};
    if (kind == 0 || kind == 9)
        c.s = N;
    if (kind == 1 || kind == 8)
        c.k = N;
    if (kind == 1) // Windows keeps the blanks at the end of a key list's default; the store not
        c.v->erase(c.v->find_last_not_of(' ') + 1);
    if (kind == 7 || kind == 8)
        c.v = N;
    if (kind == 9 && g.Int(2))
        c.k = c.v = N;
    return c;
}

// Everything the validator can ask a reader: the section list, each listed section's key list
// and every value, and the values of names no list shows (comments, lines without "=", the
// part before any header).
std::string Dump(ProfileBackend& b, const std::string& file) {
    clsIniFiles ini(b);
    ini.SetIniFile(file);
    Strings sections = SplitIniList(ini.ReadString(N, N));
    sections.push_back(""); // the keys before any header
    std::string out;
    for (const std::string& s : sections) {
        Strings keys = SplitIniList(ini.ReadString(s, N));
        for (const std::string& k : kKeys)
            keys.insert(keys.end(), {k, ";" + k});
        for (const std::string& k : keys)
            out += "[" + s + "] <" + k + ">=<" + ini.ReadString(s, k, "<none>") + ">\n";
    }
    return out;
}

// Whether the Win32 writer, made to rewrite the file, leaves it as it was.
bool KeptByWin32(const std::string& text, const std::string& f) {
    WriteFile(f, text);
    WritePrivateProfileStringA("zz probe", "k", "k", f.c_str());
    WritePrivateProfileStringA("zz probe", nullptr, nullptr, f.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, f.c_str());
    return ReadFile(f) == text;
}

TEST(ProfileDifferential, StoreAgreesOnGeneratedCalls) {
    testutil::TempDir dir;
    ProfileBackend& win = DefaultProfileBackend(); // the program's own: Windows' functions
    ProfileStore store;
    IniGenerator g{std::mt19937(20261206)};
    int bytesCompared = 0;
    for (int c = 0; c < 400 && !::testing::Test::HasFailure(); ++c) {
        const std::string name = std::to_string(c) + ".ini";
        SCOPED_TRACE(name);
        const std::string wf = dir.File("w" + name);
        const std::string pf = dir.File("p" + name);
        const Text initial = g.Int(8) ? Text(g.File()) : N; // absent: no file at the start
        if (initial) {
            WriteFile(wf, *initial);
            WriteFile(pf, *initial);
        }
        for (uint32_t step = 3 + g.Int(6); step > 0; --step) {
            const Call call = Generated(g);
            ASSERT_EQ(Do(win, call, wf.c_str()), Do(store, call, pf.c_str())) << step;
        }
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, wf.c_str()); // Wine's cache out
        ASSERT_EQ(testutil::Exists(wf), testutil::Exists(pf));
        if (!initial || KeptByWin32(*initial, dir.File("probe.ini"))) {
            ++bytesCompared;
            EXPECT_EQ(ReadFile(wf), ReadFile(pf));
        }
        EXPECT_EQ(Dump(win, wf), Dump(store, pf)) << "files read back";
        EXPECT_EQ(Dump(win, wf), Dump(store, wf)) << "the portable store reading the Win32 file";
    }
    EXPECT_GT(bytesCompared, 100) << "files compared byte for byte";
}

} // namespace
} // namespace heliotab
