// Start-up settings: paths, defaults, conversions, the language check and
// the two write-backs (and that nothing else is ever written).
#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "settings/SettingsKeys.h"
#include "settings/WholeNumber.h"
#include "settings/SettingsTestUtil.h"

namespace heliotab {
namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

const char* kLanguages = "[Italiano]\r\n101=Ciao\r\n[English]\r\n101=Hello\r\n";

class LoadSettingsTest : public ::testing::Test {
protected:
    LoadSettingsTest() {
        st.programDir = dir.Path();
        BindProgramStores(st);
    }
    std::string SettingsPath() const { return dir.File("HELIOTAB.ini"); }
    std::string LanguagePath() const { return dir.File("Language.ini"); }

    TempDir dir;
    AppState st;
};

TEST(SettingsPaths, JoinPathAndBinding) {
    EXPECT_EQ(JoinPath("C:\\Prog", "Language.ini"), "C:\\Prog\\Language.ini");
    EXPECT_EQ(JoinPath("C:\\", "Language.ini"), "C:\\Language.ini");
    EXPECT_EQ(JoinPath("C:\\MCTC\\DIR_FAR", "a.ACC"), "C:\\MCTC\\DIR_FAR\\a.ACC");
    EXPECT_EQ(JoinPath("C:", "a.ACC"), "C:a.ACC");   // the drive's current folder
    EXPECT_EQ(JoinPath("/tmp/", "a.ACC"), "/tmp/a.ACC");
    EXPECT_EQ(JoinPath("", "x"), "x");              // no folder: the bare name
    AppState st;
    st.programDir = "C:\\Prog";
    BindProgramStores(st);
    EXPECT_EQ(st.LanguageIni.IniFile(), "C:\\Prog\\Language.ini");
    EXPECT_EQ(st.SettingsIni.IniFile(), "C:\\Prog\\HELIOTAB.ini");
    st.programDir = "C:\\";
    BindProgramStores(st);
    EXPECT_EQ(st.LanguageIni.IniFile(), "C:\\Language.ini");
    EXPECT_EQ(st.SettingsIni.IniFile(), "C:\\\\HELIOTAB.ini");  // the '\' is always inserted here
}

// "Porta Seriale" and the Boolean keys read whole numbers by one rule.
TEST(SettingsConversions, WholeNumbersPortsAndBooleans) {
    constexpr long kNone = -12345;  // no whole number
    struct Row {
        const char* text;
        long whole;
        int port;      // ParsePort with default 9
        char boolean;  // ParseBoolean: 'T', 'F' or 'd' for the default
    };
    const Row rows[] = {
        {"0", 0, 0, 'F'},        {"3", 3, 3, 'T'},          {"03", 3, 3, 'T'},        {"+4", 4, 4, 'T'},
        {" 3 ", 3, 3, 'T'},      {"\t3", 3, 3, 'T'},        {"3.0", 3, 3, 'T'},       {"3.", 3, 3, 'T'},
        {"0.0", 0, 0, 'F'},      {"00", 0, 0, 'F'},         {"-0", 0, 0, 'F'},        {"-0.00", 0, 0, 'F'},
        {"-1", -1, 9, 'T'},      {"-3", -3, 9, 'T'},        {"32767", 32767, 32767, 'T'},
        {"32768", 32768, 9, 'T'}, {"70000", 70000, 9, 'T'},
        {"99999999999999999999", kWholeNumberLimit, 9, 'T'}, {"-99999999999999999999", -kWholeNumberLimit, 9, 'T'},
        {"3.5", kNone, 9, 'd'},  {"0.5", kNone, 9, 'd'},    {"3.01", kNone, 9, 'd'},  {"1e1", kNone, 9, 'd'},
        {"", kNone, 9, 'd'},     {"-", kNone, 9, 'd'},      {".", kNone, 9, 'd'},     {".0", kNone, 9, 'd'},
        {"3 4", kNone, 9, 'd'},  {"COM3", kNone, 9, 'd'},   {"1a", kNone, 9, 'd'},    {"--1", kNone, 9, 'd'},
        {"1.2.3", kNone, 9, 'd'}, {"3,0", kNone, 9, 'd'},   {"&H3", kNone, 9, 'd'},
        {"True", kNone, 9, 'T'}, {" tRuE ", kNone, 9, 'T'}, {"FALSE", kNone, 9, 'F'}, {"Truee", kNone, 9, 'd'},
        {"si", kNone, 9, 'd'},
    };
    for (const Row& r : rows) {
        long v = kNone;
        EXPECT_EQ(ReadWholeNumber(r.text, v), r.whole != kNone) << r.text;
        EXPECT_EQ(v, r.whole) << r.text;
        EXPECT_EQ(ParsePort(r.text, 9), r.port) << r.text;
        EXPECT_EQ(ParseBoolean(r.text, false), r.boolean == 'T') << r.text;
        EXPECT_EQ(ParseBoolean(r.text, true), r.boolean != 'F') << r.text;
    }
}

TEST_F(LoadSettingsTest, NoFilesGiveDefaultsAndExactlyTheTwoWriteBacks) {
    LoadSettings(st);
    EXPECT_EQ(st.sLanguage, "Italiano");
    EXPECT_FALSE(st.bAlwaysOnTop);
    EXPECT_FALSE(st.bCloseAfterTest);
    EXPECT_TRUE(st.bCloseWithEsc);
    EXPECT_FALSE(st.bPrintReport);
    EXPECT_EQ(st.iSerialPort, 0);
    EXPECT_EQ(st.AccDirectory, "C:\\MCTC\\DIR_FAR\\");
    EXPECT_EQ(ReadFile(SettingsPath()),
              "[Impostazioni]\r\nLingua=Italiano\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n");
    EXPECT_FALSE(Exists(LanguagePath()));
}

TEST_F(LoadSettingsTest, ValidSettingsAreReadAndTheFileIsNotTouched) {
    WriteFile(LanguagePath(), kLanguages);
    const std::string settings =
        "; edited by hand\r\n[Impostazioni]\r\nLingua = English\r\nPrimo Piano=1\r\nChiudi dopo test=True\r\n"
        "Chiudi con Esc=0\r\nStampa report=-1\r\nPorta Seriale=4\r\n\r\n[Percorsi]\r\nFiles .ACC=D:\\SCAMBIO\\\r\n";
    WriteFile(SettingsPath(), settings);
    LoadSettings(st);
    EXPECT_EQ(st.sLanguage, "English");
    EXPECT_TRUE(st.bAlwaysOnTop);
    EXPECT_TRUE(st.bCloseAfterTest);
    EXPECT_FALSE(st.bCloseWithEsc);
    EXPECT_TRUE(st.bPrintReport);
    EXPECT_EQ(st.iSerialPort, 4);
    EXPECT_EQ(st.AccDirectory, "D:\\SCAMBIO\\");
    EXPECT_EQ(ReadFile(SettingsPath()), settings);
}

TEST_F(LoadSettingsTest, UnconvertibleValuesTakeTheirDefaults) {
    WriteFile(LanguagePath(), kLanguages);
    WriteFile(SettingsPath(),
              "[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=forse\r\nChiudi dopo test=\r\nChiudi con Esc=no\r\n"
              "Stampa report=1x\r\nPorta Seriale=70000\r\n[Percorsi]\r\nFiles .ACC=X:\\\r\n");
    const std::string before = ReadFile(SettingsPath());
    LoadSettings(st);
    EXPECT_FALSE(st.bAlwaysOnTop);
    EXPECT_FALSE(st.bCloseAfterTest);
    EXPECT_TRUE(st.bCloseWithEsc);
    EXPECT_FALSE(st.bPrintReport);
    EXPECT_EQ(st.iSerialPort, 0);
    EXPECT_EQ(ReadFile(SettingsPath()), before);  // defaults are not written back

    WriteFile(SettingsPath(), "[Impostazioni]\r\nPorta Seriale=-2\r\n[Percorsi]\r\nFiles .ACC=X:\\\r\n");
    LoadSettings(st);
    EXPECT_EQ(st.iSerialPort, 0);
}

TEST_F(LoadSettingsTest, LanguageIsResetOnlyWhenNotAnExactSectionName) {
    WriteFile(LanguagePath(), kLanguages);
    const std::string tail = "[Percorsi]\r\nFiles .ACC=X:\\\r\n";
    for (const char* bad : {"english", "ENGLISH", "glish", "Engl", "Italiano ", "Deutsch"}) {
        // Blanks at the ends of a value never reach the program: "Italiano " is read as "Italiano".
        const bool valid = std::string(bad) == "Italiano ";
        WriteFile(SettingsPath(), "[Impostazioni]\r\nLingua=" + std::string(bad) + "\r\nPrimo Piano=1\r\n" + tail);
        LoadSettings(st);
        EXPECT_EQ(st.sLanguage, "Italiano") << bad;
        EXPECT_TRUE(st.bAlwaysOnTop);
        if (valid) {
            EXPECT_EQ(ReadFile(SettingsPath()), "[Impostazioni]\r\nLingua=Italiano \r\nPrimo Piano=1\r\n" + tail);
        } else {
            EXPECT_EQ(ReadFile(SettingsPath()), "[Impostazioni]\r\nLingua=Italiano\r\nPrimo Piano=1\r\n" + tail) << bad;
        }
    }
    WriteFile(SettingsPath(), "[Impostazioni]\r\nLingua=\r\n" + tail);
    LoadSettings(st);
    EXPECT_EQ(st.sLanguage, "Italiano");
    EXPECT_EQ(ReadFile(SettingsPath()), "[Impostazioni]\r\nLingua=Italiano\r\n" + tail);
}

TEST_F(LoadSettingsTest, MissingLanguageFileFallsBackToItaliano) {
    WriteFile(SettingsPath(), "[Impostazioni]\r\nLingua=English\r\n[Percorsi]\r\nFiles .ACC=X:\\\r\n");
    LoadSettings(st);
    EXPECT_EQ(st.sLanguage, "Italiano");
    EXPECT_EQ(st.SettingsIni.ReadString("Impostazioni", "Lingua"), "Italiano");
}

TEST_F(LoadSettingsTest, EmptyExchangeDirectoryIsReplacedAndWrittenBack) {
    WriteFile(LanguagePath(), kLanguages);
    WriteFile(SettingsPath(), "[Impostazioni]\r\nLingua=English\r\n[Percorsi]\r\nFiles .ACC=   \r\n");
    LoadSettings(st);
    EXPECT_EQ(st.AccDirectory, "C:\\MCTC\\DIR_FAR\\");
    EXPECT_EQ(ReadFile(SettingsPath()),
              "[Impostazioni]\r\nLingua=English\r\n[Percorsi]\r\nFiles .ACC=C:\\MCTC\\DIR_FAR\\\r\n");
}

TEST_F(LoadSettingsTest, GarbageFilesGiveDefaults) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 251);
    WriteFile(LanguagePath(), garbage);
    WriteFile(SettingsPath(), garbage + "\r\n[Impostazioni]\r\nPorta Seriale=" + std::string(1 << 20, '9') + "\r\n");
    LoadSettings(st);
    EXPECT_EQ(st.sLanguage, "Italiano");
    EXPECT_EQ(st.iSerialPort, 0);
    EXPECT_TRUE(st.bCloseWithEsc);
    EXPECT_EQ(st.AccDirectory, "C:\\MCTC\\DIR_FAR\\");
    EXPECT_EQ(st.SettingsIni.ReadString("Percorsi", "Files .ACC"), "C:\\MCTC\\DIR_FAR\\");
}

}  // namespace
}  // namespace heliotab
