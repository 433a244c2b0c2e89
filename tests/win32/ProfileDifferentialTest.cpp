// The portable ProfileStore against the real GetPrivateProfileStringA /
// WritePrivateProfileStringA: the same INI files and the same call
// sequences (hand-written and generated from a fixed seed) on two copies of
// each file. Return values, whole buffers and the files afterwards must
// agree. Files are compared byte for byte when they start in the form the
// Win32 writer itself produces; otherwise the Win32 writer rewrites the
// whole file in its own layout while the portable store keeps the rest of
// the file as it was, so the files are compared by reading them back.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "output/ResultFormat.h"
#include "reservation/IniText.h"
#include "settings/IniGenerator.h"
#include "settings/ProfileStore.h"

namespace heliotab {
namespace {

using Text = std::optional<std::string>;

struct Op {
    enum Kind { Read, Write } kind;
    Text section, key, third;  // third: default (Read) or value (Write)
    uint32_t size = 0;         // Read only
};

struct Case {
    std::string name;
    std::optional<std::string> initial;  // absent: no file at the start
    std::vector<Op> ops;
};

Op R(Text s, Text k, Text def, uint32_t size) { return Op{Op::Read, s, k, def, size}; }
Op W(Text s, Text k, Text v) { return Op{Op::Write, s, k, v, 0}; }

const char* P(const Text& t) { return t ? t->c_str() : nullptr; }

std::string Show(const Text& t, size_t limit = 40) {
    if (!t) return "<null>";
    std::string out = "\"";
    for (unsigned char c : t->substr(0, limit)) {
        if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else { char b[8]; std::snprintf(b, sizeof b, "\\x%02X", c); out += b; }
    }
    if (t->size() > limit) out += "...(" + std::to_string(t->size()) + ")";
    return out + "\"";
}

std::string ShowOp(const Op& op) {
    std::ostringstream o;
    if (op.kind == Op::Read) o << "Read(" << Show(op.section) << ", " << Show(op.key) << ", def " << Show(op.third) << ", size " << op.size << ")";
    else o << "Write(" << Show(op.section) << ", " << Show(op.key) << ", " << Show(op.third) << ")";
    return o.str();
}

std::string ReadBytes(const std::string& path) {
    std::string s;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char b[65536];
        size_t n;
        while ((n = std::fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
        std::fclose(f);
    }
    return s;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

class Win32Profile : public ProfileBackend {
public:
    uint32_t GetString(const char* s, const char* k, const char* d, char* b, uint32_t n, const char* f) override {
        return GetPrivateProfileStringA(s, k, d, b, n, f);
    }
    bool WriteString(const char* s, const char* k, const char* v, const char* f) override {
        return WritePrivateProfileStringA(s, k, v, f) != 0;
    }
};

// Everything a reader can see in a file: the section list, each section's
// key list and every value.
std::string Dump(ProfileBackend& b, const std::string& file) {
    std::vector<char> buf(1 << 21);
    auto get = [&](const char* s, const char* k) {
        std::fill(buf.begin(), buf.end(), '\0');
        uint32_t n = b.GetString(s, k, "<none>", buf.data(), static_cast<uint32_t>(buf.size()), file.c_str());
        return std::string(buf.data(), n);
    };
    auto split = [](const std::string& list) {
        std::vector<std::string> parts;
        size_t pos = 0;
        while (pos < list.size()) {
            size_t e = list.find('\0', pos);
            if (e == std::string::npos) e = list.size();
            parts.push_back(list.substr(pos, e - pos));
            pos = e + 1;
        }
        return parts;
    };
    std::string out;
    const std::string sections = get(nullptr, nullptr);
    out += "sections=" + sections + "\n";
    for (const std::string& s : split(sections)) {
        const std::string keys = get(s.c_str(), nullptr);
        out += "[" + s + "] keys=" + keys + "\n";
        for (const std::string& k : split(keys)) out += "  " + k + "=" + get(s.c_str(), k.c_str()) + "\n";
    }
    return out;
}

// Whether every line of the file is in the form the Win32 writer gives it:
// "[name]", "key=value" or a bare word, no blank lines, CR LF throughout.
bool Canonical(const std::string& text) {
    if (text.empty()) return true;
    if (text.find('\0') != std::string::npos) return false;
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
    size_t pos = 0;
    auto blank = [](unsigned char c) { return (c >= 9 && c <= 13) || c == 0x1A || c == ' '; };
    while (pos < text.size()) {
        size_t e = text.find("\r\n", pos);
        std::string line = text.substr(pos, e - pos);
        pos = e + 2;
        if (line.empty() || line.find_first_of("\r\n") != std::string::npos) return false;
        if (blank(line.front()) || blank(line.back())) return false;
        if (line[0] == '[') {
            if (line.back() != ']') {
                if (line.find(']') != std::string::npos) return false;
            } else {
                continue;
            }
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (eq > 0 && blank(line[eq - 1])) return false;
        if (eq + 1 < line.size() && blank(line[eq + 1])) return false;
    }
    return true;
}

class ProfileDifferential : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + "heliotab-profile-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\w").c_str(), nullptr);
        CreateDirectoryA((dir_ + "\\p").c_str(), nullptr);
    }

    // Runs one case; returns the mismatches found.
    std::vector<std::string> Run(const Case& c, int index) {
        std::vector<std::string> bad;
        const std::string name = "\\c" + std::to_string(index) + ".ini";
        const std::string wf = dir_ + "\\w" + name, pf = dir_ + "\\p" + name;
        DeleteFileA(wf.c_str());
        DeleteFileA(pf.c_str());
        if (c.initial) {
            WriteBytes(wf, *c.initial);
            WriteBytes(pf, *c.initial);
        }
        int step = 0;
        for (const Op& op : c.ops) {
            ++step;
            const std::string where = c.name + " step " + std::to_string(step) + " " + ShowOp(op);
            ++ops_;
            if (op.kind == Op::Read) {
                std::vector<char> wb(op.size + 8, '\xCC'), pb(op.size + 8, '\xCC');
                const uint32_t wn = win_.GetString(P(op.section), P(op.key), P(op.third), wb.data(), op.size, wf.c_str());
                const uint32_t pn = store_.GetString(P(op.section), P(op.key), P(op.third), pb.data(), op.size, pf.c_str());
                if (wn != pn)
                    bad.push_back(where + ": returned " + std::to_string(wn) + " (Win32) vs " + std::to_string(pn));
                else if (wb != pb)
                    bad.push_back(where + ": buffers differ: Win32 " + Show(std::string(wb.data(), wn + 1)) +
                                  " vs " + Show(std::string(pb.data(), pn + 1)));
            } else {
                const bool wr = win_.WriteString(P(op.section), P(op.key), P(op.third), wf.c_str());
                const bool pr = store_.WriteString(P(op.section), P(op.key), P(op.third), pf.c_str());
                if (wr != pr) bad.push_back(where + ": result " + std::to_string(wr) + " (Win32) vs " + std::to_string(pr));
            }
        }
        // Flush Wine's cache so the file holds everything.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, wf.c_str());
        if (Exists(wf) != Exists(pf)) {
            bad.push_back(c.name + ": file exists " + std::to_string(Exists(wf)) + " (Win32) vs " + std::to_string(Exists(pf)));
            return bad;
        }
        const std::string wbytes = ReadBytes(wf), pbytes = ReadBytes(pf);
        if (!c.initial || Canonical(*c.initial)) {
            ++bytesCompared_;
            if (wbytes != pbytes) bad.push_back(c.name + ": file bytes differ: Win32 " + Show(wbytes) + " vs " + Show(pbytes));
        }
        const std::string wd = Dump(win_, wf), pd = Dump(store_, pf), cross = Dump(store_, wf);
        const std::string initial = c.initial ? Show(*c.initial, 4000) : "no file";
        if (wd != pd) bad.push_back(c.name + " (" + initial + "): files read back differ:\nWin32:\n" + wd + "portable:\n" + pd);
        if (wd != cross) bad.push_back(c.name + ": the portable store reads the Win32 file differently:\n" + wd + "vs\n" + cross);
        ++compared_;
        return bad;
    }

    void RunAll(const std::vector<Case>& cases, int base) {
        std::vector<std::string> bad;
        for (size_t i = 0; i < cases.size(); ++i) {
            auto b = Run(cases[i], base + static_cast<int>(i));
            bad.insert(bad.end(), b.begin(), b.end());
        }
        for (size_t i = 0; i < bad.size() && i < 25; ++i) ADD_FAILURE() << bad[i];
        EXPECT_TRUE(bad.empty()) << bad.size() << " mismatches";
        EXPECT_EQ(compared_, static_cast<int>(cases.size()));
        std::printf("%d cases, %d calls, files compared byte for byte in %d cases\n", compared_, ops_,
                    bytesCompared_);
    }

    std::string dir_;
    Win32Profile win_;
    ProfileStore store_;
    int compared_ = 0;
    int ops_ = 0;
    int bytesCompared_ = 0;
};

std::string Rep(char c, size_t n) { return std::string(n, c); }

std::vector<Case> HandWritten() {
    const std::string crlf = "[Impostazioni]\r\nLingua=English\r\nPrimo Piano=1\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n";
    std::vector<Case> cs;
    cs.push_back({"lookups", crlf, {
        R("Impostazioni", "Lingua", "x", 256), R("IMPOSTAZIONI", "lingua", "x", 256),
        R("  impostazioni ", " LINGUA\t", "x", 256), R("Impostazioni", "Nope", "def", 256),
        R("Nope", "Lingua", "def", 256), R("Impostazioni", "Lingua", "x", 5),
        R("Impostazioni", "Lingua", "x", 2), R("Impostazioni", "Lingua", "x", 1), R("Impostazioni", "Lingua", "x", 0)}});
    cs.push_back({"lists", crlf, {
        R(std::nullopt, std::nullopt, "", 256), R(std::nullopt, std::nullopt, "", 10),
        R(std::nullopt, std::nullopt, "", 14), R(std::nullopt, std::nullopt, "", 15), R(std::nullopt, std::nullopt, "", 3),
        R(std::nullopt, std::nullopt, "", 2), R(std::nullopt, "Lingua", "", 256),
        R("Impostazioni", std::nullopt, "", 256), R("impostazioni", std::nullopt, "", 8),
        R("Impostazioni", std::nullopt, "", 20), R("Impostazioni", std::nullopt, "", 19),
        R("Nope", std::nullopt, "dflt", 256), R("Nope", std::nullopt, "", 256)}});
    for (size_t len : {254u, 255u, 256u, 257u, 300u, 5000u}) {
        const std::string v = Rep('v', len);
        cs.push_back({"long" + std::to_string(len), "[S]\r\nk=" + v + "\r\n", {
            R("S", "k", "", 256), R("S", "k", "", 257), R("S", "k", "", 513), R("S", "k", "", 6000),
            R("S", std::nullopt, "", 256), W("S", "k2", v), R("S", "k2", "", 6000)}});
    }
    cs.push_back({"missing file", std::nullopt, {
        R("S", "k", "default", 256), R("S", std::nullopt, "", 256), R(std::nullopt, std::nullopt, "", 256),
        W("S", "k", std::nullopt), W("S", std::nullopt, std::nullopt)}});
    cs.push_back({"create", std::nullopt, {W("Nuova", "Chiave", "Valore"), R("nuova", "chiave", "", 256),
        W("Nuova", "Altra", "2"), W("Seconda", "x", "y"), W("NUOVA", "chiave", "Cambiato"), R("Nuova", "Chiave", "", 256)}});
    cs.push_back({"replace delete", crlf, {W("impostazioni", "PRIMO PIANO", "0"), W("Impostazioni", "Lingua", std::nullopt),
        R("Impostazioni", "Lingua", "gone", 256), W("Impostazioni", "Absent", std::nullopt), W("Percorsi", std::nullopt, std::nullopt),
        R(std::nullopt, std::nullopt, "", 256)}});
    cs.push_back({"unchanged write", crlf, {W("Impostazioni", "Lingua", "English"), W("Impostazioni", "Lingua", "  English")}});
    cs.push_back({"blanks quotes", "[S]\r\n  a  =  spaced value \t\r\nb=\"quoted\"\r\nc='single'\r\nd=\"unbalanced\r\ne=\"\r\nf=\"\"\r\ng='mixed\"\r\n", {
        R("S", "a", "", 256), R("S", "b", "", 256), R("S", "b", "", 7), R("S", "b", "", 8), R("S", "b", "", 9),
        R("S", "c", "", 256), R("S", "d", "", 256), R("S", "e", "", 256), R("S", "f", "", 256), R("S", "g", "", 256),
        R("S", "none", "\"dq\"", 256), R("S", "none", "trailing   ", 256), R("S", "none", "   ", 256)}});
    cs.push_back({"duplicates comments", "[S]\r\nk=first\r\nk=second\r\n;k=comment\r\nbare\r\n[s]\r\nk=third\r\nonly=here\r\n", {
        R("S", "k", "", 256), R("s", "only", "none", 256), R("S", std::nullopt, "", 256), R(std::nullopt, std::nullopt, "", 256),
        R("S", ";k", "", 256), R("S", "bare", "d", 256), W("S", "only", "new"), W("S", "k", std::nullopt), R("S", "k", "", 256)}});
    cs.push_back({"LF and CR", "[A]\nx=1\ny = 2\n\n[B]\nz=3", {
        R("A", "y", "", 256), R("B", "z", "", 256), W("B", "w", "4"), W("A", "x", "one")}});
    cs.push_back({"8-bit", "[Citt\xE0]\r\nPerch\xE9=S\xEC \xE8 cos\xEC\r\nK\xC8Y=\xA0\x80\xFF\r\n", {
        R("Citt\xE0", "Perch\xE9", "", 256), R("CITT\xE0", "PERCH\xE9", "", 256), R("Citt\xE0", "k\xC8y", "", 256),
        W("Citt\xE0", "Nuovo", "\xE0\xE8\xEC\xF2\xF9"), R("Citt\xE0", std::nullopt, "", 256)}});
    cs.push_back({"keys before sections", "top=1\r\n[S]\r\nk=v\r\n", {
        R("", "top", "", 256), R("", std::nullopt, "", 256), R(std::nullopt, std::nullopt, "", 256)}});
    cs.push_back({"empty file", std::string(), {R(std::nullopt, std::nullopt, "", 256), W("S", "k", "v")}});
    cs.push_back({"odd lines", "[]\r\nhidden=1\r\n[S]\r\n=nameless\r\nk=v\r\n[open\r\n[\r\n\t\x1A k2 = v2 \x1A\r\n[T] trailing\r\nx=1\r\n", {
        R(std::nullopt, std::nullopt, "", 256), R("S", std::nullopt, "dflt", 256), R("S", "", "d", 256), R("S", "[open", "d", 256),
        R("S", "k2", "d", 256), R("T", "x", "d", 256), R("", "hidden", "d", 256), R("", std::nullopt, "", 256),
        W("S", "k3", "v3"), W("T", "x", "2")}});
    cs.push_back({"names with blanks", crlf, {W("  Nuova  ", "  chiave  ", "  v"), R("Nuova", "chiave", "", 256),
        R("  Nuova  ", std::nullopt, "", 256), R("Nuova", std::nullopt, "", 256), W(" Impostazioni ", " Lingua ", "X")}});
    cs.push_back({"keys into the nameless section", "[S]\r\nk=v\r\n", {W("", "top", "1"), R("", "top", "", 256),
        R(std::nullopt, std::nullopt, "", 256)}});
    cs.push_back({"duplicate sections deleted", "[S]\r\na=1\r\n[T]\r\n[S]\r\nb=2\r\n", {W("S", "b", std::nullopt),
        R("S", "b", "d", 256), W("s", std::nullopt, std::nullopt), R(std::nullopt, std::nullopt, "", 256), R("S", "b", "d", 256)}});
    cs.push_back({"flush only", crlf, {W(std::nullopt, std::nullopt, std::nullopt), W(std::nullopt, "k", "v")}});
    return cs;
}

// Random call sequences on the generated files, from a fixed seed.
class Generator {
public:
    explicit Generator(uint32_t seed) : g_(seed) {}

    Case Make(int n) {
        Case c;
        c.name = "generated " + std::to_string(n);
        if (g_.Pick(8) != 0) c.initial = g_.File();
        const int ops = 3 + g_.Pick(6);
        for (int i = 0; i < ops; ++i) c.ops.push_back(Operation());
        return c;
    }

private:
    // A value to write: no blanks at its end, which the Win32 writer keeps
    // in its cache but which no reader of the file ever sees.
    std::string WriteValue() {
        std::string v = g_.Value();
        while (!v.empty() && v.back() == ' ') v.pop_back();
        return v;
    }

    Text MaybeNull(Text t, int oneIn) { return g_.Pick(oneIn) == 0 ? std::nullopt : t; }

    Op Operation() {
        static const uint32_t sizes[] = {2, 3, 5, 8, 16, 64, 256, 257, 512, 6000};
        switch (g_.Pick(10)) {
        case 0: return R(std::nullopt, MaybeNull(g_.Key(), 2), "", sizes[g_.Pick(10)]);
        case 1: return R(g_.Section(), std::nullopt, std::vector<std::string>{"", "dflt"}[g_.Pick(2)], sizes[g_.Pick(10)]);
        case 2: case 3: case 4:
            return R(g_.Section(), g_.Key(), std::vector<std::string>{"", "def", "\"dq\"", "d  "}[g_.Pick(4)], sizes[g_.Pick(10)]);
        case 5: case 6: return W(g_.Section(), g_.Key(), WriteValue());
        case 7: return W(g_.Section(), g_.Key(), std::nullopt);
        case 8: return g_.Pick(3) == 0 ? W(g_.Section(), std::nullopt, std::nullopt) : W(g_.Section(), g_.Key(), " " + WriteValue());
        default: return R(g_.Section(), g_.Key(), "", 6000);
        }
    }

    testutil::IniGenerator g_;
};

TEST_F(ProfileDifferential, HandWrittenCasesAgree) { RunAll(HandWritten(), 0); }

TEST_F(ProfileDifferential, GeneratedCasesAgree) {
    Generator g(20261206);
    std::vector<Case> cases;
    for (int i = 0; i < 400; ++i) cases.push_back(g.Make(i));
    RunAll(cases, 1000);
}

// The in-memory reader of masks and reservations against the real profile
// functions, on generated files: every list and value the validator can ask.
TEST_F(ProfileDifferential, InMemoryReaderAgrees) {
    testutil::IniGenerator g(20261207);
    int bad = 0;
    for (int i = 0; i < 400 && bad < 5; ++i) {
        const std::string text = g.File(), file = dir_ + "\\m" + std::to_string(i) + ".msk";
        WriteBytes(file, text);
        clsIniFiles ini(win_);
        ini.SetIniFile(file);
        const IniText mem(text);
        const std::string want = testutil::IniGenerator::Dump(
            [&] { return SplitIniList(ini.ReadString(std::nullopt, std::nullopt)); },
            [&](const std::string& s) { return SplitIniList(ini.ReadString(s, std::nullopt)); },
            [&](const std::string& s, const std::string& k) { return ini.ReadString(s, k, "<none>"); });
        const std::string got = testutil::IniGenerator::Dump([&] { return mem.SectionNames(); },
            [&](const std::string& s) { return mem.KeyNames(s); },
            [&](const std::string& s, const std::string& k) { return mem.Value(s, k, "<none>"); });
        if (want != got) {
            ++bad;
            ADD_FAILURE() << "file " << Show(text, 4000) << "\nprofile functions:\n" << want << "in memory:\n" << got;
        }
    }
}

// The result file as BuildResultFile makes it against the same thirty keys
// written by WritePrivateProfileStringA into a new file: byte for byte, for
// generated results full of blanks, quotes, control characters, 8-bit text
// and long values.
TEST_F(ProfileDifferential, ResultFileIsWhatTheProfileWriterWrites) {
    testutil::IniGenerator g(20261208);
    const std::vector<std::string> pieces = {"", " ", "   ", "\t", "\r\n", "\x01\x1A\x7F", "\"", "'", "=", ";", "[X]",
                                             "R", "#A", "12.5", "1E+07", "05/12/2026", "00/00/0000", "\xE0\xE8\x80\x81\x9D\xA0\xFF"};
    int bad = 0;
    for (int i = 0; i < 300 && bad < 5; ++i) {
        FarResult r;
        for (const FarResultKey& k : kFarResultKeys) {
            std::string v;
            for (int n = g.Pick(4); n > 0; --n) v += g.Pick(6) == 0 ? g.Value() : pieces[g.Pick(static_cast<int>(pieces.size()))];
            r.*(k.field) = v;
        }
        const std::string file = dir_ + "\\r" + std::to_string(i) + ".FAR";
        for (const FarResultKey& k : kFarResultKeys)
            WritePrivateProfileStringA("ProvaFari", k.key, FormatResultValue(k.key, r.*(k.field)).c_str(), file.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
        const std::string want = ReadBytes(file), got = BuildResultFile(r);
        if (want != got) {
            ++bad;
            ADD_FAILURE() << "profile writer " << Show(want, 100000) << "\nBuildResultFile " << Show(got, 100000);
        }
    }
}

}  // namespace
}  // namespace heliotab
