// The portable profile store behind clsIniFiles (the answers of the Windows
// profile functions and the bytes its writes leave), the start-up settings,
// and the language look-ups with the shipped Language.ini.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>

#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "profile/ProfileStore.h"
#include "settings/Settings.h"
#include "settings/WholeNumber.h"

namespace heliotab {
namespace {

using testutil::ReadFile;
using testutil::WriteFile;
using S = std::string;
using namespace std::string_literals;

struct Profile : ::testing::Test {
    Profile() { ini.SetIniFile(path); }
    // The profile function's own answer: the count, and the buffer one byte past
    // its end.
    std::pair<uint32_t, S> Raw(const char* s, const char* k, uint32_t size, const char* def = "") {
        S buf(size + 2, '~');
        const uint32_t n = store.GetString(s, k, def, buf.data(), size, path.c_str());
        return {n, buf.substr(0, size + 1)};
    }
    S Read(const S& s, const S& k, const S& d = "?") { return ini.ReadString(s, k, d); }
    S List(const std::optional<S>& s = std::nullopt) { return ini.ReadString(s, std::nullopt); }
    testutil::TempDir dir;
    S path = dir.File("test.ini");
    ProfileStore store;
    clsIniFiles ini{store};
};

TEST_F(Profile, ReadsFollowTheProfileRules) {
    EXPECT_EQ(Read("S", "k") + List(),
              "?"); // no file: the default, and no file made
    EXPECT_FALSE(testutil::Exists(path));
    // Small buffers cut as the profile function does.
    WriteFile(path, "[Italiano]\r\nk=abcdefghij\r\nq=\"quoted\"\r\ne=''\r\n[English]\r\n");
    struct RawRow {
        const char *section, *key;
        uint32_t size;
        std::pair<uint32_t, S> answer;
    };
    const RawRow raw[] = {
        {"Italiano", "k", 5, {4, "abcd\0~"s}},
        {"Italiano", "k", 0, {0, "~"s}},
        {"Italiano", "q", 8, {6, "quoted\0~~"s}},
        {"Italiano", "q", 7, {5, "quote\0~~"s}},
        {"Italiano", "e", 1, {0, "\0~"s}},
        {nullptr, nullptr, 18, {16, "Italiano\0English\0~~"s}},
        {nullptr, nullptr, 19, {17, "Italiano\0English\0\0~~"s}},
        {nullptr, nullptr, 1, {0, "\0~"s}},
        {"Italiano", nullptr, 4, {2, "k\0\0~~"s}},
        {"Italiano", nullptr, 7, {5, "k\0q\0e\0~~"s}},
    };
    for (const RawRow& r : raw)
        EXPECT_EQ(Raw(r.section, r.key, r.size), r.answer) << r.key << r.size;

    static const char kText[] =
        "; c\r\n[S]\r\n  a  =  spaced value \t\x1A\r\nb=\"in "
        "quotes\"\r\nc='single'\r\n"
        "d=\"open\r\ne=\"\r\n;f=commented\r\nbare\r\nk=first\r\nk=second\r\n"
        "[Citt\xE0]\r\nPerch\xE9=s\xEC\r\nnb=\xA0mid\xA0\r\n[s]\r\nonly=here\r\n"
        "[ Se\0junk ]\r\n\0bare\r\nke\0y=va\0lue\r\n[\x9A\x9C\x9E\xFF]\r\nk=x\r\n";
    WriteFile(path, S(kText, sizeof kText - 1));
    struct ReadRow {
        S section, key, value;
    };
    const ReadRow reads[] = {
        {"S", "a", "spaced value"},
        {"S", "b", "in quotes"},
        {"S", "c", "single"},
        {"S", "d", "\"open"},
        {"S", "e", "\""},
        {"S", "bare", "?"},
        {"S", ";f", "commented"},
        {"  s\t", " K ", "first"},
        {"S", "only", "?"}, // only the first section of a name is searched
        {"CITT\xC0", "PERCH\xC9", "s\xEC"},
        {"Citt\xE0", "nb", "\xA0mid\xA0"},
        {"Se", "ke", "va"},
        {"\x8A\x8C\x8E\x9F", "K", "x"},
    };
    for (const ReadRow& r : reads)
        EXPECT_EQ(Read(r.section, r.key), r.value) << r.section << "/" << r.key;
    EXPECT_EQ(List(), "S\0Citt\xE0\0s\0Se\0\x9A\x9C\x9E\xFF\0"s);
    EXPECT_EQ(List("s"), "a\0b\0c\0d\0e\0k\0k\0"s);
    EXPECT_EQ(List("Se"), "ke\0"s);
    EXPECT_EQ(ini.ReadString("T", std::nullopt, "dflt"), "dflt");
    EXPECT_EQ(Read("S", "x", "d  "),
              "d"); // a default's blanks go, never its first
    EXPECT_EQ(Read("S", "x", "   "), " ");
}

TEST_F(Profile, WritesLeaveTheseBytes) {
    EXPECT_TRUE(ini.WriteString("Impostazioni", "Lingua", "Italiano"));
    EXPECT_TRUE(ini.WriteString("Percorsi", "Files .ACC", "C:\\"));
    EXPECT_TRUE(ini.WriteString("impostazioni", "Primo Piano", "1"));
    EXPECT_TRUE(ini.WriteString("  Nuova\t", " chiave  ",
                                "  v\x80\xFF")); // blanks around go
    EXPECT_EQ(ReadFile(path), "[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=1\r\n"
                              "[Percorsi]\r\nFiles .ACC=C:\\\r\n[Nuova]\r\nchiave=v\x80\xFF\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // Each file: k2 := new in [Se], x deleted from [A], then [B] and the keys
    // before any header deleted, then a flush (reported FALSE).
    struct Edit {
        S before, after;
    };
    const Edit edits[] = {
        {"top=1\r\n[ B\t]\r\nz=3\r\n[A]\r\nx=1\r\ny=2\r\n", "[A]\r\ny=2\r\n[Se]\r\nk2=new\r\n"},
        {"[A]\nx=1\n[Se]\ny=2", "[A]\n[Se]\ny=2\r\nk2=new\r\n"}, // new or no longer last: CR LF
        {"[A]\rw=0\rx=1\r\n[Se]\nk2=1\r", "[A]\rw=0\r[Se]\nk2=new\r\n"},
        {"[Se]\r\nk2=1\r\n[A]\r\nw=0", "[Se]\r\nk2=new\r\n[A]\r\nw=0"}, // the last line as it was
        {"[Se]\r\nk2=1\r\n[B]\r\nz=3\r\n", "[Se]\r\nk2=new\r\n"},
        {"[Se]\nk2=new\n[A]\nx=1\n", "[Se]\nk2=new\n[A]\n"},      // an unchanged value: no rewrite
        {"[Se]\r\n[]\r\nk=1\r\n", "[Se]\r\nk2=new\r\nk=1\r\n"},   // no header for the nameless
        {"[Se]\r\nk=1\r\n\r\n", "[Se]\r\nk=1\r\nk2=new\r\n\r\n"}, // after the last key, not a blank
    };
    for (const Edit& e : edits) {
        WriteFile(path, e.before);
        EXPECT_TRUE(ini.WriteString("Se", "k2", "new"));
        EXPECT_TRUE(ini.DeleteKey("a", "X"));
        EXPECT_TRUE(store.WriteString("b", nullptr, nullptr, path.c_str()));
        EXPECT_TRUE(store.WriteString("", nullptr, nullptr, path.c_str()));
        EXPECT_FALSE(store.WriteString(nullptr, nullptr, nullptr, path.c_str()));
        EXPECT_FALSE(store.WriteString(nullptr, "k", "v", path.c_str()));
        ini.Flush();
        EXPECT_EQ(ReadFile(path), e.after) << e.before;
    }
    WriteFile(path, "[S]\r\nk=first\r\nk=second\r\n");
    EXPECT_TRUE(ini.WriteString("s", "K", "new")); // the first of duplicates
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=new\r\nk=second\r\n");
    WriteFile(path, "top=1\r\n[S]\r\n");
    EXPECT_TRUE(ini.WriteString("", "top", "2")); // the keys before any header
    EXPECT_EQ(ReadFile(path), "top=2\r\n[S]\r\n");
    WriteFile(path, ";"); // a file of one byte is read whole
    EXPECT_TRUE(ini.WriteString("S", "k", "v"));
    EXPECT_EQ(ReadFile(path), ";\r\n[S]\r\nk=v\r\n");

    ini.SetIniFile(dir.File("none.ini")); // a delete makes no file; unwritable targets fail
    EXPECT_TRUE(ini.DeleteKey("A", "x"));
    EXPECT_TRUE(store.WriteString("", nullptr, nullptr, ini.IniFile().c_str()));
    EXPECT_FALSE(testutil::Exists(dir.File("none.ini")));
    for (const S& target : {dir.File("none/x.ini"), dir.MakeDir("folder.ini")}) {
        ini.SetIniFile(target);
        EXPECT_FALSE(ini.WriteString("S", "k", "v")) << target;
        EXPECT_EQ(Read("S", "k"), "?") << target;
    }
    path = dir.File("folder.ini"); // unreadable: the default, cut to the buffer
    EXPECT_EQ(Raw("S", "k", 2, "de"), std::pair(1u, "d\0~"s));
    EXPECT_EQ(Raw("S", "k", 0, "de"), std::pair(0u, "~"s));
}

TEST(Settings, WholeNumbersPortsAndSwitches) {
    struct Row {
        const char* text;
        std::optional<long> whole;
        int port;                    // read with the default 9
        std::optional<bool> boolean; // none: the default
    };
    const Row rows[] = {
        {"0", 0, 0, false},
        {"+4", 4, 4, true},
        {"\t 3 ", 3, 3, true},
        {"3.00", 3, 3, true},
        {"-1", -1, 9, true},
        {"32767", 32767, 32767, true},
        {"32768", 32768, 9, true},
        {"-99999999999", -kWholeNumberLimit, 9, true}, // held at the limit
        {"3.5", {}, 9, {}},
        {"", {}, 9, {}},
        {".0", {}, 9, {}},
        {"3 4", {}, 9, {}},
        {" tRuE\t", {}, 9, true},
        {"FALSE", {}, 9, false},
        {"Truee", {}, 9, {}},
        {"Tree", {}, 9, {}},
    };
    for (const Row& r : rows) {
        long v = 0;
        EXPECT_EQ(ReadWholeNumber(r.text, v) ? std::optional(v) : std::nullopt, r.whole) << r.text;
        EXPECT_EQ(ParsePort(r.text, 9), r.port) << r.text;
        EXPECT_EQ(ParseBoolean(r.text, false), r.boolean.value_or(false)) << r.text;
        EXPECT_EQ(ParseBoolean(r.text, true), r.boolean.value_or(true)) << r.text;
    }
}

TEST(Settings, TagIds) {
    struct Row {
        const char* tag;
        int caption, tooltip;
    };
    const Row rows[] = {{"302", 302, -1},     {"403,421", 403, 421}, {",304", -1, 304},
                        {"401,", 401, -1},    {"", -1, -1},          {"12x,34", -1, 34},
                        {"32767", 32767, -1}, {"32768", -1, -1},     {" 7 , 8 ", 7, 8},
                        {"9,9", 9, 9}};
    for (const Row& r : rows) {
        EXPECT_EQ(ParseTag(r.tag).caption, r.caption) << r.tag;
        EXPECT_EQ(ParseTag(r.tag).tooltip, r.tooltip) << r.tag;
    }
}

// What LoadSettings leaves in the program's state.
struct Loaded {
    S language;
    bool onTop, closeAfterTest, closeWithEsc, printReport;
    int port;
    S accDirectory;
    bool operator==(const Loaded&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Loaded& l) {
    return o << l.language << " " << l.onTop << l.closeAfterTest << l.closeWithEsc << l.printReport
             << " port " << l.port << " " << l.accDirectory;
}

TEST(Settings, LoadSettingsWritesBackOnlyLanguageAndDirectory) {
    const S languages = "[Italiano]\r\n[English]\r\n101=Hello\r\n";
    const S italian = "[Impostazioni]\r\nLingua=Italiano\r\n";
    const S x = "[Percorsi]\r\nFiles .ACC=X:\\\r\n";
    const Loaded defaults{"Italiano", false, false, true, false, 0, "X:\\"};
    struct Row {
        S languageIni; // empty: no file
        S before;
        Loaded want;
        std::optional<S> after; // none: left as it was
    };
    const Row rows[] = {
        {languages,
         "[Impostazioni]\r\nLingua = English\r\nPrimo Piano=1\r\nChiudi dopo "
         "test=True\r\n"
         "Chiudi con Esc=0\r\nStampa report=-1\r\nPorta Seriale=4\r\n" +
             x,
         {"English", true, true, false, true, 4, "X:\\"}},
        {languages,
         "[Impostazioni]\r\nPrimo Piano=?\r\nChiudi dopo test=\r\nChiudi con "
         "Esc=no\r\n"
         "Stampa report=1x\r\nPorta Seriale=70000\r\n" +
             x,
         defaults},
        {languages, "[Impostazioni]\r\nLingua=english\r\n" + x, defaults, italian + x},
        {"", "[Impostazioni]\r\nLingua=English\r\n" + x, defaults, italian + x},
        {languages,
         italian + "[Percorsi]\r\nFiles .ACC= \r\n",
         {"Italiano", false, false, true, false, 0, "C:\\MCTC\\DIR_FAR\\"},
         italian + "[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n"},
    };
    for (const Row& r : rows) {
        testutil::TempDir dir;
        AppState st;
        st.programDir = dir.Path();
        BindProgramStores(st);
        if (!r.languageIni.empty())
            WriteFile(dir.File("Language.ini"), r.languageIni);
        WriteFile(dir.File("HELIOTAB.ini"), r.before);
        LoadSettings(st);
        EXPECT_EQ((Loaded{st.sLanguage, st.bAlwaysOnTop, st.bCloseAfterTest, st.bCloseWithEsc,
                          st.bPrintReport, st.iSerialPort, st.AccDirectory}),
                  r.want);
        EXPECT_EQ(ReadFile(dir.File("HELIOTAB.ini")), r.after.value_or(r.before));
    }
}

TEST(Language, LookUpsAndTheShippedFile) {
    testutil::TempDir dir;
    AppState st;
    st.programDir = dir.Path();
    BindProgramStores(st);
    WriteFile(dir.File("Language.ini"),
              "[Italiano]\r\n101=Stazione\r\n362=Uno\\nDue\\n\\n\\\\n\r\n[English]\r\n");
    st.sLanguage = "Italiano";
    EXPECT_EQ(GetLangString(st, 362), "Uno\r\nDue\r\n\r\n\\\r\n");
    EXPECT_EQ(GetLangString(st, 999), "No resource!");
    EXPECT_EQ(TrayTipText(st), "Stazione (HELIOTAB)");
    st.sLanguage = "English";
    EXPECT_EQ(GetLangString(st, 101), "No resource!");

    // The shipped file: CR LF, no UTF-8, the same ids in both languages.
    st.LanguageIni.SetIniFile(S(HELIOTAB_SOURCE_DIR) + "/data/Language.ini");
    const S bytes = ReadFile(st.LanguageIni.IniFile());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'),
              std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_EQ(bytes.find('\xC3'), S::npos);
    EXPECT_EQ(st.LanguageIni.ReadString(std::nullopt, std::nullopt), "Italiano\0English\0"s);
    EXPECT_EQ(st.LanguageIni.ReadString("English", std::nullopt),
              st.LanguageIni.ReadString("Italiano", std::nullopt));
}

} // namespace
} // namespace heliotab
