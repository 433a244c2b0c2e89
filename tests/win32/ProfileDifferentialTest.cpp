// The portable profile readers and writers against the real
// GetPrivateProfileStringA / WritePrivateProfileStringA: the same call
// sequences (hand-written and generated from a fixed seed) on two copies of
// each file; return values, whole buffers and the files afterwards must agree.
// Files are compared byte for byte when the Win32 writer keeps them as they
// are (it rewrites anything else in its own layout, which the portable store
// does not); otherwise by everything a reader can see in them.
#include <windows.h>

#include <optional>

#include <gtest/gtest.h>

#include "output/ResultFormat.h"
#include "reservation/IniText.h"
#include "fakes/TempDir.h"
#include "settings/IniGenerator.h"
#include "profile/ProfileStore.h"

namespace heliotab {
namespace {

using Text = std::optional<std::string>;
using testutil::IniGenerator, testutil::ReadFile, testutil::WriteFile;
const Text N; // a null pointer

// A read of `size` bytes with a default, or a write of a value.
struct Op {
    bool read;
    Text section, key, defaultOrValue;
    uint32_t size;
};
Op R(Text s, Text k, Text def, uint32_t size = 256) {
    return {true, s, k, def, size};
}
Op W(Text s, Text k, Text v) {
    return {false, s, k, v, 0};
}
const char* P(const Text& t) {
    return t ? t->c_str() : nullptr;
}

struct Case {
    std::string name;
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

std::string Dump(ProfileBackend& b, const std::string& file) {
    clsIniFiles ini(b);
    ini.SetIniFile(file);
    return IniGenerator::Dump(
        [&] { return SplitIniList(ini.ReadString(N, N)); },
        [&](const std::string& s) { return SplitIniList(ini.ReadString(s, N)); },
        [&](const std::string& s, const std::string& k) { return ini.ReadString(s, k, "<none>"); });
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
        if (c.initial)
            WriteFile(wf, *c.initial), WriteFile(pf, *c.initial);
        for (size_t i = 0; i < c.ops.size(); ++i) {
            SCOPED_TRACE(c.name + " step " + std::to_string(i + 1));
            const Op& op = c.ops[i];
            auto call = [&](ProfileBackend& b, const std::string& file) { // result, whole buffer
                std::string buf(op.size + 8, '\xCC');
                const char *s = P(op.section), *k = P(op.key), *third = P(op.defaultOrValue);
                const uint32_t r = op.read
                                       ? b.GetString(s, k, third, buf.data(), op.size, file.c_str())
                                       : b.WriteString(s, k, third, file.c_str());
                return std::to_string(r) + ": " + buf;
            };
            ASSERT_EQ(call(win_, wf), call(store_, pf));
        }
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, wf.c_str()); // Wine's cache out
        SCOPED_TRACE(c.name);
        ASSERT_EQ(testutil::Exists(wf), testutil::Exists(pf));
        const bool bytes = !c.initial || KeptByWin32(*c.initial);
        if (bytesCompared_ += bytes; bytes)
            EXPECT_EQ(ReadFile(wf), ReadFile(pf));
        EXPECT_EQ(Dump(win_, wf), Dump(store_, pf)) << "files read back";
        EXPECT_EQ(Dump(win_, wf), Dump(store_, wf)) << "the portable store reading the Win32 file";
    }

    testutil::TempDir dir_;
    Win32Profile win_;
    ProfileStore store_;
    int bytesCompared_ = 0;
};

// What the generated cases never reach: buffers of 0 and 1, blanks around
// names, odd lines, the nameless section, the flush call.
std::vector<Case> HandWritten() {
    const std::string crlf =
        "[Impostazioni]\r\nLingua=English\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n";
    return {{"lookups",
             crlf,
             {R("  impostazioni ", " LINGUA\t", "x"), R("Impostazioni", "Lingua", "x", 1),
              R("Impostazioni", "Lingua", "x", 0), R(N, N, "", 0), R("Impostazioni", N, "", 1),
              R("Nope", N, "dflt"), W("Impostazioni", "Lingua", "  English")}},
            {"odd lines",
             "[]\r\nhidden=1\r\n[S]\r\n  a  =  \"quoted\" \t\r\n=nameless\r\n[open\r\n[\r\n\t\x1A "
             "k2 = v2 \x1A\r\n[T] trailing\r\nx=1\r\n",
             {R(N, N, ""), R("S", N, "dflt"), R("S", "a", ""), R("S", "", "d"),
              R("S", "[open", "d"), R("S", "k2", "d"), R("T", "x", "d"), R("", "hidden", "d"),
              R("", N, ""), R("S", "none", "trailing   "), W("S", "k3", "v3"), W("T", "x", "2")}},
            {"LF and CR",
             "[A]\nx=1\ny = 2\n\n[B]\nz=3",
             {R("A", "y", ""), R("B", "z", ""), W("B", "w", "4"), W("A", "x", "one")}},
            {"blank names",
             crlf,
             {W("  Nuova  ", "  chiave  ", "  v"), R("  Nuova  ", N, ""),
              W(" Impostazioni ", " Lingua ", "X")}},
            {"the nameless section",
             "[S]\r\nk=v\r\n",
             {W("", "top", "1"), R("", "top", ""), R(N, N, ""), W(N, N, N), W(N, "k", "v"),
              W("", N, N)}},
            {"blanks inside the brackets",
             "top=0\r\n[ lead]\r\nk=1\r\n[tail\t]\r\n",
             {R(N, N, ""), R(" lead", N, "d"), R("lead", N, "d"), W(" tail", N, N), W("", N, N)}}};
}

// Random call sequences on generated files (the files the in-memory reader
// of masks is checked on against the portable store natively). Written values
// get no blanks at their end: the Win32 writer keeps those in its cache, but
// no reader of the file ever sees them.
Case Generated(IniGenerator& g, int n) {
    static const uint32_t sizes[] = {2, 3, 5, 8, 16, 64, 256, 257, 512, 6000};
    static const char* defaults[] = {"", "def", "\"dq\"", "d  "};
    auto value = [&] {
        std::string v = g.Value();
        return v.erase(v.find_last_not_of(' ') + 1);
    };
    Case c{"generated " + std::to_string(n), g.Pick(8) ? Text(g.File()) : N, {}};
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
    IniGenerator g(20261206);
    for (int i = 0; i < 400; ++i)
        cases.push_back(Generated(g, i));
    for (size_t i = 0; i < cases.size() && !HasFailure(); ++i)
        Run(cases[i], static_cast<int>(i));
    EXPECT_GT(bytesCompared_, 100) << "files compared byte for byte";
}

// The result file as BuildResultFile makes it against the same keys written
// by WritePrivateProfileStringA into a new file, byte for byte, for results
// full of blanks, quotes, control characters, 8-bit text and long values.
TEST_F(ProfileDifferential, ResultFileIsWhatTheProfileWriterWrites) {
    IniGenerator g(20261208);
    const std::vector<std::string> pieces = {
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
