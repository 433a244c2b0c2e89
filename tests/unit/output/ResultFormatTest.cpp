// The values of the result file: number and date formats, the "#" prefixes,
// the empty error code and the removal of control characters.
#include <gtest/gtest.h>

#include "output/ResultFormat.h"

using namespace heliotab;

namespace {

struct NumberCase {
    const char* text;
    int digits;
    const char* expected;
};

TEST(ResultFormat, WholeNumbersRoundHalfAwayFromZeroAndPad) {
    const NumberCase cases[] = {
        {"85", 3, "085"},
        {"12345", 6, "012345"},
        {"1234567", 6, "1234567"},  // digits beyond the pattern stay
        {"12.5", 6, "000013"},
        {"-2.5", 6, "-000003"},
        {"12,5", 6, "000013"},      // a comma is a decimal separator too
        {"2.49", 3, "002"},
        {"2.4999", 3, "002"},
        {"0.5", 3, "001"},
        {"-0.5", 3, "-001"},
        {".5", 3, "001"},
        {"7.", 3, "007"},
        {"-0.4", 3, "000"},         // no negative zero
        {"999.5", 3, "1000"},
        {"9.5", 6, "000010"},
        {"+4", 3, "004"},
        {"0", 6, "000000"},
        {"000085", 3, "085"},
        {"  42  ", 3, "042"},
        {"99999999999999999999.5", 6, "100000000000000000000"},
        {"10000000", 6, "10000000"},
        {"1E+07", 6, "10000000"},   // a number in exponent form is a number
        {"1.2E+1", 6, "000012"},
        {"1e3", 3, "1000"},
        {"-25e-1", 3, "-003"},
        {"1E-9", 3, "000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatWholeNumber(c.text, c.digits), c.expected) << "text '" << c.text << "'";
}

TEST(ResultFormat, TextThatIsNoNumberStaysUnchanged) {
    const char* cases[] = {"", " ", "abc", "1E", "1e+", "E5", ".e1", "1E4001", "1E1.5", "1.2.3", "1,2.3", "-", "+", ".", "12 3", "- 5", "0x10", "12a", "--1"};
    for (const char* t : cases) {
        EXPECT_EQ(FormatWholeNumber(t, 3), t) << "text '" << t << "'";
        EXPECT_EQ(FormatWholeNumber(t, 6), t) << "text '" << t << "'";
    }
}

TEST(ResultFormat, DatesAreWrittenByTheirOwnDigits) {
    EXPECT_EQ(FormatDateDdmmyyyy("05/12/2026"), "05122026");
    EXPECT_EQ(FormatDateDdmmyyyy("5/1/2026"), "05012026");
    EXPECT_EQ(FormatDateDdmmyyyy(" 31/12/1999 "), "31121999");
    EXPECT_EQ(FormatDateDdmmyyyy("05122026"), "05122026");
    EXPECT_EQ(FormatDateDdmmyyyy("29/02/2024"), "29022024");
    EXPECT_EQ(FormatDateDdmmyyyy("29022000"), "29022000");
}

TEST(ResultFormat, TextThatIsNoDateStaysUnchanged) {
    const char* cases[] = {"00/00/0000", "00000000", "31/02/2026", "29/02/2025", "29/02/1900", "13/13/2026",
                           "05/12/26",   "05-12-2026", "05/12/2026x", "", "0512202",  "/12/2026",  "05//2026",
                           "abc",        "32122026"};
    for (const char* t : cases) EXPECT_EQ(FormatDateDdmmyyyy(t), t) << "text '" << t << "'";
}

TEST(ResultFormat, KeysGetTheirFormatsAndPrefixes) {
    EXPECT_EQ(FormatResultValue("AltezzaAnab", "85"), "#085");
    EXPECT_EQ(FormatResultValue("AltezzaAnab", "abc"), "#abc");
    EXPECT_EQ(FormatResultValue("AltezzaAnab", ""), "#");
    EXPECT_EQ(FormatResultValue("TipoAnab", "2"), "#2");
    EXPECT_EQ(FormatResultValue("TipoAnab", ""), "#");
    EXPECT_EQ(FormatResultValue("IllumLuxAbbSx", "7"), "000007");
    EXPECT_EQ(FormatResultValue("EsitoIllumLuxAbbSx", "7"), "7");  // verdicts are not numbers to format
    EXPECT_EQ(FormatResultValue("DataScadenza", "05/12/2026"), "05122026");
    EXPECT_EQ(FormatResultValue("DataMisura", "05/12/2026"), "05/12/2026");
    EXPECT_EQ(FormatResultValue("InizioMisura", "093000"), "093000");
    EXPECT_EQ(FormatResultValue("CodErrore", "E12"), "");
    EXPECT_EQ(FormatResultValue("Marca", " A "), "A");
}

// What WritePrivateProfileString writes: the blanks around a value are
// dropped (the differential test under Wine holds the whole file against
// the real function).
TEST(ResultFormat, TheFileHoldsWhatTheProfileWriterWrites) {
    struct Row {
        std::string FarResult::* field;
        const char* value;
        const char* line;
    };
    const Row rows[] = {
        {&FarResult::VertAnabSx, " ", "\r\nVertAnabSx=\r\n"},
        {&FarResult::DataScadenza, "        ", "\r\nDataScadenza=\r\n"},
        {&FarResult::Marca, "  A B  ", "\r\nMarca=A B\r\n"},
        {&FarResult::Operatore, "\t\r\n\"Rossi\" \x01", "\r\nOperatore=\"Rossi\"\r\n"},
        {&FarResult::IllumLuxAbbDx, " 12", "\r\nIllumLuxAbbDx=000012\r\n"},
    };
    for (const Row& row : rows) {
        FarResult r;
        r.*(row.field) = row.value;
        const std::string file = BuildResultFile(r);
        EXPECT_NE(file.find(row.line), std::string::npos) << file;
    }
}

TEST(ResultFormat, ControlCharactersBecomeBlanks) {
    std::string all;
    for (int c = 1; c < 0x20; ++c) all += static_cast<char>(c);
    all += '\x7F';
    all += std::string(1, '\0');
    EXPECT_EQ(SanitizeValue(all), std::string(all.size(), ' '));
    // Windows-1252 letters above 0x7F are text, not control characters.
    EXPECT_EQ(SanitizeValue("Nicol\xF2 \x80"), "Nicol\xF2 \x80");
    EXPECT_EQ(FormatResultValue("Operatore", "Rossi\r\n[X]\r\nk=v"), "Rossi  [X]  k=v");
    EXPECT_EQ(FormatResultValue("TipoAnab", "\n[Y]"), "# [Y]");
    // A blank left by a control character does not make a number of the text.
    EXPECT_EQ(FormatResultValue("AltezzaAnab", "8\n5"), "#8 5");
}

}  // namespace
