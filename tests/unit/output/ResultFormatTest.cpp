// The values of the result file: number and date formats, the "#" prefixes and the removal of
// control characters (the plain cases are in ResultWriterTest's result file).
#include <gtest/gtest.h>

#include "output/ResultFormat.h"

using namespace heliotab;

TEST(ResultFormat, NumbersDatesAndKeys) {
    const std::tuple<const char*, int, const char*> rows[] = {
        {"12,5", 6, "000013"},    {"2.49", 3, "002"},
        {"-0.5", 3, "-001"},      {".5", 3, "001"},
        {"-0.4", 3, "000"},       {"999.5", 3, "1000"},
        {"+4", 3, "004"},         {"000085", 3, "085"},
        {"  42  ", 3, "042"},     {"99999999999999999999.5", 6, "100000000000000000000"},
        {"1E+07", 6, "10000000"}, {"1e3", 3, "1000"},
        {"-25e-1", 3, "-003"},    {"1E-9", 3, "000"},
        {"1E-400", 3, "000"},
    };
    for (const auto& [text, digits, want] : rows)
        EXPECT_EQ(FormatWholeNumber(text, digits), want) << text;
    // Text that is no number stays as it is.
    for (const char* t : {"", "abc", "1E", "1e+", ".e1", "1E4001", "1.2.3", "-", "12 3"})
        EXPECT_EQ(FormatWholeNumber(t, 3), t) << t;
    // Dates are written by their own digits.
    const std::pair<const char*, const char*> dates[] = {
        {"05/12/2026", "05122026"}, {"5/1/2026", "05012026"},   {" 31/12/1999 ", "31121999"},
        {"29/02/2024", "29022024"}, {" 29022000 ", "29022000"}, {"30/04/2026", "30042026"},
        {"01/01/0001", "01010001"},
    };
    for (const auto& [text, want] : dates)
        EXPECT_EQ(FormatDateDdmmyyyy(text), want) << text;
    for (const char* t :
         {"00000000", "29/02/2025", "29/02/1900", "05/12/26", "05/12/2026x", "0512202", "/12/2026",
          "05//2026", "01132026", "01/00/2026", "00/12/2026", "31/04/2026", "32/01/2026", "31/12",
          "01/01/0000", "005/12/2026", "05/012/2026"})
        EXPECT_EQ(FormatDateDdmmyyyy(t), t) << t;
    // Keys get their formats, and control characters go.
    const std::tuple<const char*, std::string, const char*> keys[] = {
        {"AltezzaAnab", "abc", "#abc"},
        {"IllumLuxAbbSx", "7", "000007"},
        {"EsitoIllumLuxAbbSx", "7", "7"}, // verdicts are not numbers to format
        {"DataMisura", "05/12/2026", "05/12/2026"},
        {"Operatore", "Rossi\r\n[X]\r\nk=v", "Rossi  [X]  k=v"},
        {"AltezzaAnab", "8\n5", "#8 5"}, // a blank left by a control character makes no number
        // The blanks around a value go, as the profile writer drops them.
        {"Marca", "  A B  ", "A B"},
        {"Operatore", "\t\r\n\"Rossi\" \x01", "\"Rossi\""},
    };
    for (const auto& [key, value, want] : keys)
        EXPECT_EQ(FormatResultValue(key, value), want) << key << " " << value;
    std::string all;
    for (int c = 1; c < 0x20; ++c)
        all += static_cast<char>(c);
    all += std::string("\x7F\0", 2);
    EXPECT_EQ(SanitizeValue(all), std::string(all.size(), ' '));
    EXPECT_EQ(SanitizeValue("Nicol\xF2 \x80"), "Nicol\xF2 \x80"); // Windows-1252 letters are text
}
