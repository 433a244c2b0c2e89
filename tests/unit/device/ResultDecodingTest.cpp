// Results frames: both layouts, the limits at their edges, configuration
// codes, marks, the illumination texts, and frames that must not produce
// a result.
#include "device/LinkFixture.h"
#include "device/LinkTexts.h"
#include "device/ResultDecoding.h"

namespace heliotab::testing_link {
namespace {

FarResult DecodeFixed(bool shortForm, const Results& r) {
    FarResult out;
    EXPECT_EQ(DecodeResults(Sealed(FixedResults(shortForm, r)), out), DecodeError::None);
    return out;
}

FarResult DecodeSep(const Separated& sep) {
    FarResult out;
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(sep)), out), DecodeError::None);
    return out;
}

TEST(FixedResults, ShortAndLongFramesReadTheBlockByPosition) {
    Results r;
    r.aims = "RAIRRARI";
    r.lux = {" 12.50", "13,25 ", "  40  ", "-41.0 "};
    r.altezza = "095";
    r.tipo = "B";
    for (bool shortForm : {true, false}) {
        const std::string frame = Sealed(FixedResults(shortForm, r));
        ASSERT_EQ(frame.size(), shortForm ? 94u : 116u);
        FarResult out;
        ASSERT_EQ(DecodeResults(frame, out), DecodeError::None);
        EXPECT_EQ(out.VertAnabDx, "R");
        EXPECT_EQ(out.VertAnabSx, "A");
        EXPECT_EQ(out.VertAbbDx, "I");
        EXPECT_EQ(out.VertAbbSx, "R");
        EXPECT_EQ(out.OrizzAnabDx, "R");
        EXPECT_EQ(out.OrizzAnabSx, "A");
        EXPECT_EQ(out.OrizzAbbDx, "R");
        EXPECT_EQ(out.OrizzAbbSx, "I");
        EXPECT_EQ(out.IllumLuxAnabDx, "12500");
        EXPECT_EQ(out.IllumLuxAnabSx, "13250");
        EXPECT_EQ(out.IllumLuxAbbDx, "40000");
        EXPECT_EQ(out.IllumLuxAbbSx, "-41000");
        EXPECT_EQ(out.EsitoIllumLuxAnabDx, "R");
        EXPECT_EQ(out.EsitoIllumLuxAbbSx, "I");
        EXPECT_EQ(out.AltezzaAnab, "095");
        EXPECT_EQ(out.TipoAnab, "B");
        EXPECT_EQ(out.Esito, "I");
    }
}

TEST(FixedResults, StandardLimitsAreInclusive) {
    struct Case { const char* dipped; const char* main; const char* dv; const char* mv; };
    for (const Case c : {Case{"  3.75", "    20", "R", "R"}, Case{"    90", "   150", "R", "R"},
                         Case{"  3.74", " 19.99", "I", "I"}, Case{" 90.01", "150.01", "I", "I"}}) {
        Results r;
        r.lux = {c.dipped, c.dipped, c.main, c.main};
        const FarResult out = DecodeFixed(true, r);
        EXPECT_EQ(out.EsitoIllumLuxAnabDx, c.dv) << c.dipped;
        EXPECT_EQ(out.EsitoIllumLuxAnabSx, c.dv) << c.dipped;
        EXPECT_EQ(out.EsitoIllumLuxAbbDx, c.mv) << c.main;
        EXPECT_EQ(out.EsitoIllumLuxAbbSx, c.mv) << c.main;
        EXPECT_EQ(out.Esito, std::string(c.dv) == "R" && std::string(c.mv) == "R" ? "R" : "I");
    }
}

TEST(FixedResults, EsitoIsTheWorstExactVerdict) {
    Results r;
    r.aims = "RRRRRRRA";
    EXPECT_EQ(DecodeFixed(true, r).Esito, "A");
    r.aims = "IRRRRRRA";
    EXPECT_EQ(DecodeFixed(true, r).Esito, "I");
    r.aims = "rai#RRRR";  // lower case and marks count for nothing in this layout
    EXPECT_EQ(DecodeFixed(true, r).Esito, "R");
    EXPECT_EQ(DecodeFixed(true, r).VertAnabDx, "r");
    r.aims = "RRRRRRRR";
    r.lux[1] = "  3.00";
    EXPECT_EQ(DecodeFixed(false, r).Esito, "I");
}

TEST(SeparatedResults, FieldsAreReadAndGridMarksRemoved) {
    Separated sep;
    sep.aims = {" r# ", "a", "R", "R", "R", "R", "R", "R"};
    sep.lux = {"12.5", "0.5", "-0.25", "20"};
    sep.altezza = " 085";
    sep.tipo = "x";
    const FarResult out = DecodeSep(sep);
    EXPECT_EQ(out.VertAnabDx, "R");
    EXPECT_EQ(out.VertAnabSx, "A");
    EXPECT_EQ(out.IllumLuxAnabDx, "12500");
    EXPECT_EQ(out.IllumLuxAnabSx, "500");
    EXPECT_EQ(out.IllumLuxAbbDx, "-250");
    EXPECT_EQ(out.AltezzaAnab, " 085");
    EXPECT_EQ(out.TipoAnab, "x");
    // The letters are searched case-sensitively in the raw fields: "a" is no "A".
    EXPECT_EQ(out.EsitoIllumLuxAnabSx, "I");  // 0.5 is below 3.75
    EXPECT_EQ(out.Esito, "#I");
}

TEST(SeparatedResults, ConfigurationOneJudgesRightLampsWithItsLimits) {
    Separated sep;
    sep.code = "1";
    sep.lux = {"2.0", "1.0", "7.5", "100"};
    sep.aims = {"R", "I", "R", "I", "R", "I", "R", "I"};  // left lamps fail
    FarResult out = DecodeSep(sep);
    EXPECT_EQ(out.EsitoIllumLuxAnabDx, "R");
    EXPECT_EQ(out.EsitoIllumLuxAnabSx, "I");  // computed and kept, but not counted
    EXPECT_EQ(out.EsitoIllumLuxAbbDx, "R");
    EXPECT_EQ(out.EsitoIllumLuxAbbSx, "R");
    EXPECT_EQ(out.VertAnabSx, "I");
    EXPECT_EQ(out.Esito, "R");
    sep.lux = {"1.99", "1.0", "7.49", "100"};
    out = DecodeSep(sep);
    EXPECT_EQ(out.EsitoIllumLuxAnabDx, "I");
    EXPECT_EQ(out.EsitoIllumLuxAbbDx, "I");
    EXPECT_EQ(out.Esito, "I");
    sep.lux = {"90", "1.0", "150", "100"};
    sep.aims[4] = "A";  // OrizzAnabDx counts
    EXPECT_EQ(DecodeSep(sep).Esito, "A");
    sep.lux = {"90.01", "1.0", "150", "100"};
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
}

TEST(SeparatedResults, ConfigurationThreeCountsOnlyDippedRight) {
    Separated sep;
    sep.code = "3";
    sep.lux = {"2.0", "1", "100", "100"};
    sep.aims = {"R", "I", "I", "I", "R", "I", "I", "I"};
    FarResult out = DecodeSep(sep);
    EXPECT_EQ(out.EsitoIllumLuxAbbDx, "I");  // 2.0..90 for the main beam too
    EXPECT_EQ(out.EsitoIllumLuxAnabDx, "R");
    EXPECT_EQ(out.Esito, "R");
    sep.lux = {"2.0", "1", "90", "2"};
    out = DecodeSep(sep);
    EXPECT_EQ(out.EsitoIllumLuxAbbDx, "R");
    EXPECT_EQ(out.EsitoIllumLuxAbbSx, "R");
    sep.aims[4] = "xAx";
    EXPECT_EQ(DecodeSep(sep).Esito, "A");
    sep.lux[0] = "1.99";
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
}

TEST(SeparatedResults, ConfigurationTwoCountsEverythingWithStandardLimits) {
    Separated sep;
    sep.aims = {"R", "R", "R", "R", "R", "R", "R", "R#"};
    EXPECT_EQ(DecodeSep(sep).Esito, "#R");
    EXPECT_EQ(DecodeSep(sep).OrizzAbbSx, "R");
    sep.aims = {"R", "A", "R", "R", "I", "R", "R", "R"};
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
    sep.aims = {"R", "I", "R", "A", "R", "R", "R", "R"};  // A after I stays I
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
    sep.aims = {"R", "R", "R", "R", "R", "R", "R", "R"};
    sep.lux = {"3.75", "90", "20", "150"};
    EXPECT_EQ(DecodeSep(sep).Esito, "R");
    sep.lux = {"3.75", "90", "20", "150.01"};
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
    sep.lux = {"3.74", "90", "20", "150"};
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
    sep.lux = {"3.75", "90", "19.99", "150"};
    EXPECT_EQ(DecodeSep(sep).Esito, "I");
    // The mark of an uncounted lamp (configuration 1, left) does not show.
    sep.code = "1";
    sep.lux = {"10", "10", "10", "10"};
    sep.aims = {"R", "R#", "R", "R", "R", "R", "R", "R"};
    EXPECT_EQ(DecodeSep(sep).Esito, "R");
}

TEST(SeparatedResults, RefusedFramesLeaveTheResultUntouched) {
    FarResult out;
    out.Esito = "prev";
    Separated sep;
    sep.code = "7";
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(sep)), out), DecodeError::UnknownConfiguration);
    sep.code = " 2";
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(sep)), out), DecodeError::UnknownConfiguration);
    // Exactly 24 fields: the checksum sits in field 23 itself.
    sep.code = "2";
    sep.extra.clear();
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(sep)), out), DecodeError::UnknownConfiguration);
    Separated few;
    std::string shortFrame = SeparatedFrame(few);
    shortFrame = shortFrame.substr(0, shortFrame.rfind('\0'));  // drop the extra field
    shortFrame = shortFrame.substr(0, shortFrame.rfind('\0'));  // and the code: 23 fields
    EXPECT_EQ(DecodeResults(Sealed(shortFrame), out), DecodeError::MissingFields);
    Separated nan;
    nan.lux[2] = "4O.0";
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(nan)), out), DecodeError::NotANumber);
    nan.lux[2] = "";
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(nan)), out), DecodeError::NotANumber);
    nan.lux[2] = "1.000,5";  // no thousands separators
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(nan)), out), DecodeError::NotANumber);
    nan.lux[2] = "1" + std::string(38, '0');  // a thousand times this is beyond single precision
    EXPECT_EQ(DecodeResults(Sealed(SeparatedFrame(nan)), out), DecodeError::NotANumber);
    EXPECT_EQ(out.Esito, "prev");
    EXPECT_EQ(out.IllumLuxAbbDx, "");
}

TEST(FixedResults, ShortFramesAndNonNumbersAreRefused) {
    FarResult out;
    Results r;
    r.lux[3] = "  ab  ";
    EXPECT_EQ(DecodeResults(Sealed(FixedResults(true, r)), out), DecodeError::NotANumber);
    r.lux[3] = "      ";
    EXPECT_EQ(DecodeResults(Sealed(FixedResults(false, r)), out), DecodeError::NotANumber);
    // A frame between the two lengths has its block overlapping the checksum.
    EXPECT_EQ(DecodeResults(Sealed(FixedResults(true) + "12345"), out), DecodeError::MissingFields);
    EXPECT_EQ(DecodeResults(Sealed(FixedStatus('2')), out), DecodeError::MissingFields);
    EXPECT_EQ(out.Esito, "");
}

TEST(TesterNumbers, PointOrCommaExponentAndSpacesWhateverTheLocale) {
    const std::pair<const char*, float> good[] = {
        {"12.5", 12.5f}, {" 12,5 ", 12.5f}, {"-0,25", -0.25f}, {".5", 0.5f}, {"+7.", 7.0f}, {"000090", 90.0f},
        {"3.74", 3.74f}, {"1.2E+1", 12.0f}, {"1,2e1", 12.0f}, {" 5E-1 ", 0.5f}, {"-.5e2", -50.0f}, {"1e38", 1e38f},
    };
    for (const auto& [text, want] : good) {
        float v = 0;
        EXPECT_TRUE(ParseTesterNumber(text, v)) << '"' << text << '"';
        EXPECT_EQ(v, want) << '"' << text << '"';
    }
    for (const char* bad : {"", "   ", ".", "-", "1.2.3", "1,2.3", "1 2", "12a", "0x10", "--1", "1,000.5", "\t1",
                            "1E", "1E+", "E5", ".E1", "1E1.5", "1E+1E1", "1 E1", "1e39", "inf", "nan",
                            "1" "000000000000000000000000000000000000000000"}) {
        float v = 99;
        EXPECT_FALSE(ParseTesterNumber(bad, v)) << '"' << bad << '"';
        EXPECT_EQ(v, 99);
    }
    // A value whose thousandfold leaves single precision is no illumination.
    float v = 99;
    EXPECT_TRUE(ParseIllumination("3.4e35", v));
    EXPECT_FALSE(ParseIllumination("1" + std::string(38, '0'), v));
    EXPECT_EQ(v, 3.4e35f);
}

TEST(IlluminationText, ShortestSevenDigitFormTimesAThousandInPlainDigits) {
    const std::pair<float, const char*> cases[] = {
        {12.5f, "12500"}, {0.0005f, ".5"}, {-0.0005f, "-.5"}, {-41.0f, "-41000"}, {0.0f, "0"}, {-0.0f, "0"},
        {3.74f, "3740"},  // 3740.0000953... in single precision
        {0.1f, "100"}, {1.2345678f, "1234.568"}, {9999.999f, "9999999"}, {10000.0f, "10000000"},
        {15000.0f, "15000000"}, {-15000.0f, "-15000000"}, {123456.7f, "123456700"}, {1e-8f, ".00001"},
        {3.4e35f, "340000000000000000000000000000000000000"},
    };
    for (const auto& [value, want] : cases) EXPECT_EQ(IlluminationText(value), want) << value;
}

TEST(RemoveGridText, FirstMarkGoneTrimmedUpperCase) {
    EXPECT_EQ(RemoveGrid("r#"), "R");
    EXPECT_EQ(RemoveGrid(" a "), "A");
    EXPECT_EQ(RemoveGrid("#a#"), "A#");
    EXPECT_EQ(RemoveGrid(" # "), "");
    EXPECT_EQ(RemoveGrid("i"), "I");
}

}  // namespace
}  // namespace heliotab::testing_link
