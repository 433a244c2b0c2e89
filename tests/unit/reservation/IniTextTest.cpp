// The in-memory reader must answer as the profile functions answer for the
// masks and the reservation's own keys.
#include <gtest/gtest.h>

#include "reservation/IniText.h"

using namespace heliotab;

TEST(IniText, ListsInFileOrderAndLooksUpWithoutCase) {
    IniText ini("; intestazione\r\n[Zeta]\r\nb=2\r\na=1\r\n\r\n[alfa]\r\nK=v\r\n");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Zeta", "alfa"}));
    EXPECT_EQ(ini.KeyNames("ZETA"), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(ini.Value("ALFA", "k"), "v");
    EXPECT_EQ(ini.Value("alfa", "missing", "def"), "def");
    EXPECT_EQ(ini.Value("none", "K", "def"), "def");
    EXPECT_TRUE(ini.KeyNames("none").empty());
}

TEST(IniText, TrimsBlanksAndStripsMatchingQuotes) {
    IniText ini("[S]\r\n  key one  =  value x \t\r\nq=\"quoted\"\r\nh='half\r\ns='x'y'\r\nlone=\"\r\n");
    EXPECT_EQ(ini.KeyNames("S"), (std::vector<std::string>{"key one", "q", "h", "s", "lone"}));
    EXPECT_EQ(ini.Value("S", "key one"), "value x");
    EXPECT_EQ(ini.Value("S", "q"), "quoted");
    EXPECT_EQ(ini.Value("S", "h"), "'half");
    EXPECT_EQ(ini.Value("S", "s"), "x'y");
    EXPECT_EQ(ini.Value("S", "lone"), "\"");
}

TEST(IniText, FirstDuplicateWinsAndCommentsAreSkipped) {
    IniText ini("[S]\r\nk=first\r\n;k=comment\r\nK=second\r\n[s]\r\nk=other section\r\nz=1\r\n");
    EXPECT_EQ(ini.Value("S", "k"), "first");
    EXPECT_EQ(ini.KeyNames("s"), (std::vector<std::string>{"k", "K"}));
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"S", "s"}));
    EXPECT_EQ(ini.Value("S", "z", "none"), "none");  // only the first section is looked at
}

TEST(IniText, OddLines) {
    // Keys before any section, a key without "=", a header with text after "]".
    IniText ini("orphan=1\r\n[A] trailing\r\nnoequals\r\n=nameless\r\n[B\r\n");
    EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(ini.KeyNames("A"), (std::vector<std::string>{"noequals", "[B"}));
    EXPECT_EQ(ini.Value("A", "noequals", "def"), "def");
    EXPECT_EQ(ini.Value("A", "orphan", "def"), "def");
}

TEST(IniText, LineEndsOfEveryKind) {
    for (const char* text : {"[S]\r\nk=v\r\nm=w", "[S]\nk=v\nm=w\n", "[S]\rk=v\rm=w\r"}) {
        IniText ini(text);
        EXPECT_EQ(ini.Value("S", "k"), "v");
        EXPECT_EQ(ini.Value("S", "m"), "w");
    }
    EXPECT_EQ(SplitLines("a\r\n\r\nb\rc\n"), (std::vector<std::string_view>{"a", "", "b", "c"}));
    EXPECT_EQ(SplitLines("a\n\r\n"), (std::vector<std::string_view>{"a", ""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(IniText, EightBitNamesCompareWithoutCase) {
    IniText ini("[Citt\xE0]\r\nNum\xC8ro=1\r\n");
    EXPECT_EQ(ini.Value("CITT\xC0", "num\xE8ro"), "1");
    EXPECT_TRUE(NamesEqual("\x8A", "\x9A"));
    EXPECT_FALSE(NamesEqual("\xD7", "\xF7"));
}

TEST(IniText, LookupInTheTextAgreesWithTheParsedReader) {
    const char* texts[] = {
        "[S]\r\nk=first\r\n;k=comment\r\nK=second\r\n[s]\r\nk=other\r\nz=1\r\n",
        "orphan=1\r\n[A] trailing\r\nnoequals\r\n=nameless\r\n[B\r\n",
        "[S]\r\n  key one  =  value x \t\r\nq=\"quoted\"\r\nh='half\r\n",
        "[S]\nk=v\nm=w\n", "[S]\rk=v\rm=w\r", "", "\0\xFF[", "[S]", "[S]\r\nk", "[]\r\n=\r\n[S]\r\nk==v=\r\n",
    };
    const char* names[] = {"S", "s", "A", "B", "", "z"};
    const char* keys[] = {"k", "K", "z", "noequals", "orphan", "key one", "q", "h", "m", "[B", ""};
    for (const char* t : texts) {
        const IniText ini(t);
        for (const char* section : names)
            for (const char* key : keys)
                EXPECT_EQ(IniLookup(t, section, key, "def"), ini.Value(section, key, "def"))
                    << t << " / " << section << " / " << key;
    }
}
