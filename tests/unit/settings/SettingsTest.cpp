// The portable profile store behind clsIniFiles (the answers of the Windows
// profile functions and the bytes its writes leave), the start-up settings,
// and the language look-ups with the shipped Language.ini.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "fakes/TempDir.h"
#include "settings/Language.h"
#include "profile/ProfileStore.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"
#include "settings/WholeNumber.h"

namespace heliotab {
namespace {

using testutil::ReadFile;
using testutil::WriteFile;
using S = std::string;
using namespace std::string_literals;

// Passes every call to the store and records the buffer sizes asked for;
// `full` claims every buffer was too small, filling it with a list of
// two-letter names cut short.
struct RecordingBackend : ProfileBackend {
    uint32_t GetString(const char* s, const char* k, const char* d, char* b, uint32_t n,
                       const char* f) override {
        sizes.push_back(n);
        if (!full)
            return store.GetString(s, k, d, b, n, f);
        for (uint32_t i = 0; i + 1 < n; ++i)
            b[i] = i % 3 == 2 ? '\0' : 'z';
        return b[n - 1] = '\0', n - 1;
    }
    bool WriteString(const char* s, const char* k, const char* v, const char* f) override {
        return store.WriteString(s, k, v, f);
    }
    ProfileStore store;
    std::vector<uint32_t> sizes;
    bool full = false;
};

struct Profile : ::testing::Test {
    Profile() { ini.SetIniFile(path); }
    // Raw call, as the profile function is called: the count and the buffer.
    S Raw(const char* s, const char* k, uint32_t size) {
        S buf(size + 4, '\x7F');
        const uint32_t n = store.GetString(s, k, "", buf.data(), size, path.c_str());
        return std::to_string(n) + ":" + buf.substr(0, size + 1);
    }
    S Read(const S& s, const S& k, const S& d = "<none>") { return ini.ReadString(s, k, d); }
    S List(const std::optional<S>& s = std::nullopt) { return ini.ReadString(s, std::nullopt); }
    testutil::TempDir dir;
    S path = dir.File("test.ini");
    ProfileStore store;
    clsIniFiles ini{store};
};

// The program's stores in a scratch program folder.
struct Scratch {
    Scratch() { st.programDir = dir.Path(), BindProgramStores(st); }
    testutil::TempDir dir;
    AppState st;
};

} // namespace

TEST_F(Profile, ReadsGrowInStepsTruncateAndFollowTheProfileRules) {
    EXPECT_EQ(Read("S", "k") + List() + List("S"), "<none>"); // no file: nothing, and none made
    EXPECT_FALSE(testutil::Exists(path));
    RecordingBackend rec;
    clsIniFiles r(rec);
    r.SetIniFile(path);
    const std::pair<size_t, std::vector<uint32_t>> rows[] = {
        {254, {257}},      {255, {257, 513}}, {256, {257, 513}},
        {300, {257, 513}}, {510, {257, 513}}, {511, {257, 513, 769}}};
    auto Sizes = [&](size_t len) {
        WriteFile(path, "[S]\r\nk=" + S(len, 'x') + "\r\n"), rec.sizes.clear();
        EXPECT_EQ(r.ReadString("S", "k"), S(len, 'x'));
        return rec.sizes;
    };
    for (const auto& [len, sizes] : rows)
        EXPECT_EQ(Sizes(len), sizes) << len;
    EXPECT_EQ(Sizes(5000).size() * 1000 + rec.sizes.back(),
              20u * 1000 + 5121); // 256 * 20 is the first above 5001
    rec.full = true,
    rec.sizes.clear(); // the growth ends: 64 steps of 256 up to 16 KiB, then doubling to 16 MiB
    EXPECT_EQ(r.ReadString("S", "k").size(),
              16u << 20); // every byte given, the last name's cut piece too
    EXPECT_EQ(rec.sizes.size(), 74u);
    // Raw answers truncate as the profile function does.
    WriteFile(path,
              "[Italiano]\r\nk=abcdefghij\r\nq=\"quoted\"\r\ne=''\r\n[English]\r\n101=Hello\r\n");
    const std::tuple<const char*, const char*, uint32_t, S> raw[] = {
        {"Italiano", "k", 5, "4:abcd\0\x7F"s},
        {"Italiano", "k", 0, "0:\x7F"s},
        {"Italiano", "q", 8, "6:quoted\0\x7F\x7F"s},
        {"Italiano", "q", 4, "3:quo\0\x7F"s},
        {"Italiano", "e", 1, "0:\0\x7F"s}, // too small for the whole quoted text: the quote stays
        {nullptr, nullptr, 12, "10:Italiano\0E\0\x7F\x7F"s},
        {nullptr, nullptr, 1, "0:\0\x7F"s}, // lists end in two NULs, the last byte untouched
        {"Italiano", nullptr, 4, "2:k\0\0\x7F\x7F"s},
        {"Italiano", nullptr, 5, "3:k\0q\0\x7F\x7F"s},
    };
    for (const auto& [s, k, size, want] : raw)
        EXPECT_EQ(Raw(s, k, size), want) << (s ? s : "-") << (k ? k : "-") << size;
    // Reads by the profile rules.
    static const char kText[] =
        "; comment\r\n[S]\r\n   a   =   spaced value \t \r\nb=\"in "
        "quotes\"\r\nc='single'\r\nd=\"unbalanced\r\ne=\"\r\n"
        ";f=commented\r\nbare "
        "line\r\nk=first\r\nk=second\r\n[Citt\xE0]\r\nPerch\xE9=s\xEC\r\nnb=\xA0mid\xA0\r\n[s]\r\n"
        "only=here\r\n[Se\0junk]\r\nke\0y=va\0lue\r\nk2=v2\r\n[\x9A\x9C\x9E\xFF]\r\nk=x\r\n";
    WriteFile(path, S(kText, sizeof kText - 1));
    const std::tuple<S, S, S> reads[] = {
        {"S", "a", "spaced value"},
        {"S", "b", "in quotes"},
        {"S", "c", "single"},
        {"S", "d", "\"unbalanced"},
        {"S", "e", "\""},
        {"S", "bare line", "<none>"},
        {"S", ";f", "commented"},
        {"S", "k", "first"},
        {"  s\t", " K ", "first"},
        {"S", "only", "<none>"}, // only the first section of a name is searched
        {"CITT\xC0", "PERCH\xC9", "s\xEC"},
        {"Citta", "Perche", "<none>"},
        {"Citt\xE0", "nb", "\xA0mid\xA0"},
        {"Se", "ke", "va"},
        {"Se", "k2", "v2"},
        {"T", "k", "<none>"},
        {"S", "x", "<none>"},
        {"\x8A\x8C\x8E\x9F", "K", "x"},
    };
    for (const auto& [s, k, want] : reads)
        EXPECT_EQ(Read(s, k), want) << s << "/" << k;
    EXPECT_EQ(List(), S("S\0Citt\xE0\0s\0Se\0\x9A\x9C\x9E\xFF\0", 18));
    EXPECT_EQ(List("s"), S("a\0b\0c\0d\0e\0k\0k\0", 14));
    EXPECT_EQ(ini.ReadString("T", std::nullopt, "dflt") + Read("S", "x", "d  ") +
                  Read("S", "x", "   "),
              "dfltd "); // a default's blanks go, never its first
    for (const S eol : {"\r\n", "\n", "\r"}) {
        WriteFile(path, "x=0" + eol + "[A]" + eol + "x=1" + eol + "[B]" + eol + "y = 2");
        EXPECT_EQ(Read("A", "x") + Read("B", "y") + List() + Read("", "x"), S("12A\0B\0", 6) + "0");
    }
    const S big(1 << 20, 'M');
    WriteFile(path, "[S]\r\nbig=" + big + "\r\nafter=1\r\n" + big + "\r\n");
    EXPECT_EQ(Read("S", "big") + Read("S", "after") + List("S"), big + S("1big\0after\0", 11));
}

TEST_F(Profile, WritesLeaveTheseBytes) {
    // Blanks around names and before a value go.
    EXPECT_TRUE(ini.WriteString("Impostazioni", "Lingua", "Italiano") &&
                ini.WriteString("Percorsi", "Files .ACC", "C:\\MCTC\\DIR_FAR\\") &&
                ini.WriteString("impostazioni", "Primo Piano", "1") &&
                ini.WriteString("  Nuova\t", " chiave  ", "  v"));
    S high(128, '\0');
    std::iota(high.begin(), high.end(), '\x80');
    EXPECT_TRUE(ini.WriteString("Citt\xE0", "Perch\xE9", high));
    EXPECT_EQ(ReadFile(path), "[Impostazioni]\r\nLingua=Italiano\r\nPrimo "
                              "Piano=1\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n"
                              "[Nuova]\r\nchiave=v\r\n[Citt\xE0]\r\nPerch\xE9=" +
                                  high + "\r\n");
    EXPECT_EQ(Read("Citt\xE0", "Perch\xE9"), high);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}),
              1); // no temporary left

    const std::pair<S, S> edits[] = {
        // file before, after k2 := new in [Se], x deleted from [A], [B] and the keys before any
        // header deleted
        {"[S]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\n",
         "[S]\r\nk=first\r\nk=second\r\n[s]\r\nk=third\r\n"},
        {"top=1\r\n[ B\t]\r\nz=3\r\n[A]\r\nx=1\r\ny=2\r\n", "[A]\r\ny=2\r\n"},
        {"[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n", "[A]\r\ny=2\r\n"},
        {"[A]\nx=1\n[Se]\ny=2",
         "[A]\n[Se]\ny=2\r\nk2=new\r\n"}, // LF lines stay; new and unterminated ones get CR LF
        {"[A]\rx=1\r\n[Se]\nk2=1\r", "[A]\r[Se]\nk2=new\r\n"}, // a lone CR ends a line and stays
        {"[Se\0junk]\r\nke\0y=va\0lue\r\nk2=v2\r\n"s, "[Se\0junk]\r\nke\0y=va\0lue\r\nk2=new\r\n"s},
    };
    for (const auto& [before, after] : edits) {
        WriteFile(path, before);
        const bool seWrite = before.find("[Se") != S::npos;
        if (seWrite)
            EXPECT_TRUE(ini.WriteString("Se", "k2", "new"));
        EXPECT_TRUE(
            ini.DeleteKey("a", "X") && ini.DeleteKey("A", "absent") &&
            store.WriteString("B", nullptr, nullptr, path.c_str()) &&
            store.WriteString("", nullptr, nullptr, path.c_str()) &&
            !store.WriteString(nullptr, nullptr, nullptr, path.c_str()) &&
            !store.WriteString(nullptr, "k", "v", path.c_str())); // a flush is reported FALSE
        ini.Flush();
        EXPECT_EQ(ReadFile(path), after) << before;
        if (seWrite)
            EXPECT_EQ(Read("Se", "k2") + Read("Se", "ke"),
                      before[0] == '[' && before[1] == 'S' ? "newva" : "new<none>");
    }
    WriteFile(path, "[S]\r\nk=first\r\nk=second\r\n");
    EXPECT_TRUE(ini.WriteString("s", "K", "new")); // the first of duplicates is written
    EXPECT_EQ(ReadFile(path), "[S]\r\nk=new\r\nk=second\r\n");

    clsIniFiles bad(store); // a delete creates no missing file; unwritable targets fail
    EXPECT_TRUE((bad.SetIniFile(dir.File("none.ini")), bad.DeleteKey("A", "x")));
    bad.Flush();
    EXPECT_FALSE(testutil::Exists(dir.File("none.ini")));
    for (const S& target : {dir.File("no-such-folder/x.ini"), dir.MakeDir("folder.ini")}) {
        bad.SetIniFile(target);
        EXPECT_TRUE(!bad.WriteString("S", "k", "v") && bad.ReadString("S", "k", "d") == "d")
            << target;
    }
}

TEST(Settings, PathsConversionsTagsAndStartUp) {
    for (const auto& [dir, want] : {std::pair{"C:\\Prog", "C:\\Prog\\x"},
                                    {"C:\\", "C:\\x"},
                                    {"C:", "C:x"},
                                    {"/tmp/", "/tmp/x"},
                                    {"", "x"}})
        EXPECT_EQ(JoinPath(dir, "x"), want);
    AppState st;
    st.programDir = "C:\\", BindProgramStores(st);
    EXPECT_EQ(st.LanguageIni.IniFile() + "|" + st.SettingsIni.IniFile(),
              "C:\\Language.ini|C:\\\\HELIOTAB.ini"); // '\' always inserted
    constexpr long kNone = -12345; // no whole number; port read with default 9; boolean 'T', 'F' or
                                   // 'd' for the default
    const std::tuple<const char*, long, int, char> rows[] = {
        {"0", 0, 0, 'F'},
        {"3", 3, 3, 'T'},
        {"03", 3, 3, 'T'},
        {"+4", 4, 4, 'T'},
        {" 3 ", 3, 3, 'T'},
        {"\t3", 3, 3, 'T'},
        {"3.0", 3, 3, 'T'},
        {"3.", 3, 3, 'T'},
        {"0.0", 0, 0, 'F'},
        {"00", 0, 0, 'F'},
        {"-0", 0, 0, 'F'},
        {"-0.00", 0, 0, 'F'},
        {"-1", -1, 9, 'T'},
        {"-3", -3, 9, 'T'},
        {"32767", 32767, 32767, 'T'},
        {"32768", 32768, 9, 'T'},
        {"70000", 70000, 9, 'T'},
        {"99999999999999999999", kWholeNumberLimit, 9, 'T'},
        {"-99999999999999999999", -kWholeNumberLimit, 9, 'T'},
        {"3.5", kNone, 9, 'd'},
        {"0.5", kNone, 9, 'd'},
        {"3.01", kNone, 9, 'd'},
        {"1e1", kNone, 9, 'd'},
        {"", kNone, 9, 'd'},
        {"-", kNone, 9, 'd'},
        {".", kNone, 9, 'd'},
        {".0", kNone, 9, 'd'},
        {"3 4", kNone, 9, 'd'},
        {"COM3", kNone, 9, 'd'},
        {"1a", kNone, 9, 'd'},
        {"--1", kNone, 9, 'd'},
        {"1.2.3", kNone, 9, 'd'},
        {"3,0", kNone, 9, 'd'},
        {"&H3", kNone, 9, 'd'},
        {"True", kNone, 9, 'T'},
        {" tRuE ", kNone, 9, 'T'},
        {"FALSE", kNone, 9, 'F'},
        {"Truee", kNone, 9, 'd'},
        {"Xrue", kNone, 9, 'd'},
        {"si", kNone, 9, 'd'},
        {"9", 9, 9, 'T'},
        {"90", 90, 90, 'T'},
        {"/", kNone, 9, 'd'},
        {":", kNone, 9, 'd'},
    };
    for (const auto& [text, whole, port, boolean] : rows) {
        long v = kNone;
        const bool read = ReadWholeNumber(text, v);
        EXPECT_EQ(
            std::tuple(read, v, ParsePort(text, 9),
                       S(1, "FT"[ParseBoolean(text, false)]) + "FT"[ParseBoolean(text, true)]),
            std::tuple(whole != kNone, whole, port, boolean == 'd' ? "FT" : S(2, boolean)))
            << text;
    }
    const std::tuple<const char*, int, int> tags[] = {
        {"302", 302, -1}, {"403,421", 403, 421}, {",304", -1, 304}, {"401,", 401, -1},
        {"", -1, -1},     {",", -1, -1},         {"abc", -1, -1},   {"12x,34", -1, 34},
        {"12,x", 12, -1}, {"1,2,3", 1, -1},      {"99999", -1, -1}, {" 7 , 8 ", 7, 8}};
    for (const auto& [tag, caption, tooltip] : tags)
        EXPECT_EQ(std::make_pair(ParseTag(tag).caption, ParseTag(tag).tooltip),
                  std::make_pair(caption, tooltip))
            << tag;
    // LoadSettings: what it reads, and that it writes back only the language and the exchange
    // directory.
    const S tail = "[Percorsi]\r\nFiles .ACC=X:\\\r\n",
            dflt = "[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n";
    S garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 7919) % 251);
    const std::tuple<S, S, S, S> starts[] = {
        // Language.ini, HELIOTAB.ini before, after, "language|top close esc print|port|dir"
        {"", "", "[Impostazioni]\r\nLingua=Italiano\r\n" + dflt,
         "Italiano|0010|0|C:\\MCTC\\DIR_FAR\\"},
        {"+",
         "; by hand\r\n[Impostazioni]\r\nLingua = English\r\nPrimo Piano=1\r\nChiudi dopo "
         "test=True\r\nChiudi con Esc=0\r\n"
         "Stampa report=-1\r\nPorta Seriale=4\r\n\r\n[Percorsi]\r\nFiles .ACC=D:\\IN\\\r\n",
         "=", "English|1101|4|D:\\IN\\"},
        {"+",
         "[Impostazioni]\r\nPrimo Piano=forse\r\nChiudi dopo test=\r\nChiudi con Esc=no\r\nStampa "
         "report=1x\r\n"
         "Porta Seriale=70000\r\n" +
             tail,
         "=", "Italiano|0010|0|X:\\"}, // defaults are not written back
        {"+", "[Impostazioni]\r\nPorta Seriale=-2\r\nLingua=Italiano \r\n" + tail, "=",
         "Italiano|0010|0|X:\\"},
        {"+", "[Impostazioni]\r\nLingua=english\r\n" + tail,
         "[Impostazioni]\r\nLingua=Italiano\r\n" + tail, "Italiano|0010|0|X:\\"},
        {"+", "[Impostazioni]\r\nLingua=Engl\r\n" + tail,
         "[Impostazioni]\r\nLingua=Italiano\r\n" + tail, "Italiano|0010|0|X:\\"},
        {"", "[Impostazioni]\r\nLingua=English\r\n" + tail,
         "[Impostazioni]\r\nLingua=Italiano\r\n" + tail, "Italiano|0010|0|X:\\"},
        {"+", "[Impostazioni]\r\nLingua=English\r\n[Percorsi]\r\nFiles .ACC=   \r\n",
         "[Impostazioni]\r\nLingua=English\r\n" + dflt, "English|0010|0|C:\\MCTC\\DIR_FAR\\"},
        {garbage, garbage + "\r\n[Impostazioni]\r\nPorta Seriale=" + S(1 << 20, '9') + "\r\n", "",
         "Italiano|0010|0|C:\\MCTC\\DIR_FAR\\"},
    };
    for (const auto& [languages, before, after, want] : starts) {
        Scratch station;
        auto& [dir, st] = station;
        if (!languages.empty())
            WriteFile(dir.File("Language.ini"),
                      languages == "+" ? "[Italiano]\r\n101=Ciao\r\n[English]\r\n101=Hello\r\n"
                                       : languages);
        if (!before.empty())
            WriteFile(dir.File("HELIOTAB.ini"), before);
        LoadSettings(st);
        EXPECT_EQ(st.sLanguage + "|" + S(1, '0' + st.bAlwaysOnTop) +
                      S(1, '0' + st.bCloseAfterTest) + S(1, '0' + st.bCloseWithEsc) +
                      S(1, '0' + st.bPrintReport) + "|" + std::to_string(st.iSerialPort) + "|" +
                      st.AccDirectory,
                  want)
            << before;
        if (!after.empty())
            EXPECT_EQ(ReadFile(dir.File("HELIOTAB.ini")), after == "=" ? before : after);
        EXPECT_EQ(st.SettingsIni.ReadString("Percorsi", "Files .ACC"), st.AccDirectory);
        EXPECT_EQ(testutil::Exists(dir.File("Language.ini")), !languages.empty());
    }
}

TEST(Language, LookUpsAndTheShippedFile) {
    Scratch station;
    auto& [dir, st] = station;
    WriteFile(dir.File("Language.ini"),
              "[Italiano]\r\n101=Stazione\r\n362=Riga uno\\nRiga due\r\n363=a\\nb\\nc\\n\r\n"
              "364=C:\\nuovo\\file\r\n365=\\\\n\r\n366=\\n\\n\r\n367=\r\n368=" +
                  S(1 << 20, 'x') + "\r\n[English]\r\n101=Station\r\n");
    const std::tuple<const char*, int, S> rows[] = {
        {"Italiano", 101, "Stazione"},
        {"Italiano", 362, "Riga uno\r\nRiga due"},
        {"Italiano", 363, "a\r\nb\r\nc\r\n"},
        {"Italiano", 364, "C:\r\nuovo\\file"},
        {"Italiano", 365, "\\\r\n"},
        {"Italiano", 366, "\r\n\r\n"},
        {"Italiano", 367, ""},
        {"Italiano", 368, S(1 << 20, 'x')},
        {"Italiano", 999, "No resource!"},
        {"English", 101, "Station"},
        {"English", 362, "No resource!"},
        {"Deutsch", 101, "No resource!"},
    };
    for (const auto& [language, id, want] : rows) {
        st.sLanguage = language;
        EXPECT_EQ(GetLangString(st, id), want) << language << id;
        EXPECT_EQ(TrayTipText(st), GetLangString(st, 101) + " (HELIOTAB)");
    }
    EXPECT_EQ((st.sLanguage = "Italiano", LangValue(st, "362") + LangValue(st, "abc")),
              "Riga uno\\nRiga dueNo resource!");
    EXPECT_EQ((st.LanguageIni.SetIniFile(dir.File("absent.ini")), GetLangString(st, 101)),
              "No resource!");

    // The shipped file: both languages, Italian first, every id in use, Windows-1252 with CR LF.
    const S path = S(HELIOTAB_SOURCE_DIR) + "/data/Language.ini", bytes = ReadFile(path);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'),
              std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_EQ(bytes.find('\n') - 1, bytes.find('\r'));
    EXPECT_EQ(bytes.find('\xC3'), S::npos); // no UTF-8
    std::vector<int> ids = {101, 151, 152, 153, 154, 201, 202, 203, 204, 205, 206, 207,
                            210, 321, 322, 323, 324, 325, 330, 331, 332, 334, 335, 336,
                            337, 338, 340, 341, 361, 362, 363, 364, 365, 366, 371, 372,
                            440, 441, 450, 451, 452, 453, 650, 651, 652, 701, 702, 703};
    for (const auto& [from, to] :
         {std::pair{302, 317}, {380, 384}, {401, 408}, {411, 415}, {421, 431}, {601, 615}})
        for (int id = from; id <= to; ++id)
            ids.push_back(id);
    clsIniFiles& ini = st.LanguageIni;
    ini.SetIniFile(path);
    EXPECT_EQ(ini.ReadString(std::nullopt, std::nullopt), S("Italiano\0English\0", 17));
    for (const char* lang : {"Italiano", "English"}) {
        const S keys = ini.ReadString(S(lang), std::nullopt);
        EXPECT_EQ(std::count(keys.begin(), keys.end(), '\0'), static_cast<long>(ids.size()))
            << lang << ": ids beyond the used ones";
        for (int id : ids) { // texts followed directly by a port number end with "COM"
            const S v = ini.ReadString(S(lang), std::to_string(id)),
                    com = id == 332 || id == 412 || id == 413 || id == 415 ? "COM" : "";
            EXPECT_TRUE(!v.empty() && v.substr(v.size() - com.size()) == com)
                << lang << " lacks " << id;
        }
    }
}

} // namespace heliotab
