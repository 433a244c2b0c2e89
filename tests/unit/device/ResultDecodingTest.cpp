// Results frames: both layouts, the limits at their edges, configuration
// codes, marks, the illumination texts, and frames that must not produce
// a result.
#include <gtest/gtest.h>

#include "device/ResultDecoding.h"
#include "device/TesterFrames.h"

namespace heliotab {
namespace {

using namespace testframes;

std::string F(const Results& r, bool shortForm = true) { return Sealed(FixedResults(shortForm, r)); }
std::string S(const Separated& s) { return Sealed(SeparatedFrame(s)); }
std::string Fx(const std::string& dipped, const std::string& main) { return F({.lux = {dipped, dipped, main, main}}); }
std::string Code(const std::string& code, std::array<std::string, 8> aims, std::array<std::string, 4> lux) {
    return S({.aims = aims, .lux = lux, .code = code});
}

// Aims | illumination texts | their verdicts | AltezzaAnab | TipoAnab | Esito,
// or the error with the result left untouched.
std::string Decoded(const std::string& frame) {
    FarResult r;
    r.Esito = "prev";
    const DecodeError e = DecodeResults(frame, r);
    if (e != DecodeError::None)
        return "error" + std::to_string(static_cast<int>(e)) + (r.Esito == "prev" && r.VertAnabDx.empty() ? "" : " touched");
    return r.VertAnabDx + "," + r.VertAnabSx + "," + r.VertAbbDx + "," + r.VertAbbSx + "," + r.OrizzAnabDx + "," +
           r.OrizzAnabSx + "," + r.OrizzAbbDx + "," + r.OrizzAbbSx + "|" + r.IllumLuxAnabDx + "," + r.IllumLuxAnabSx +
           "," + r.IllumLuxAbbDx + "," + r.IllumLuxAbbSx + "|" + r.EsitoIllumLuxAnabDx + r.EsitoIllumLuxAnabSx +
           r.EsitoIllumLuxAbbDx + r.EsitoIllumLuxAbbSx + "|" + r.AltezzaAnab + "|" + r.TipoAnab + "|" + r.Esito;
}

const std::string kR8 = "R,R,R,R,R,R,R,R|";
const std::array<std::string, 8> kAllR{"R", "R", "R", "R", "R", "R", "R", "R"};

TEST(ResultDecoding, EachFrameGivesItsResultOrItsError) {
    const Results mixed{"RAIRRARI", {" 12.50", "13,25 ", "  40  ", "-41.0 "}, "095", "B"};
    Separated sep{.aims = {" r# ", "a", "R", "R", "R", "R", "R", "R"}, .lux = {"12.5", "0.5", "-0.25", "20"},
                  .altezza = " 085", .tipo = "x"};
    Separated exact24, fields23;
    exact24.extra.clear();  // exactly 24 fields: the checksum sits in the code itself
    std::string f23 = SeparatedFrame({});
    f23 = f23.substr(0, f23.rfind('\0'));
    f23 = Sealed(f23.substr(0, f23.rfind('\0')));
    const std::vector<std::pair<std::string, std::string>> rows{
        // Fixed layout, 94 and 116 characters, standard limits, every lamp counts.
        {F(mixed), "R,A,I,R,R,A,R,I|12500,13250,40000,-41000|RRRI|095|B|I"},
        {F(mixed, false), "R,A,I,R,R,A,R,I|12500,13250,40000,-41000|RRRI|095|B|I"},
        {Fx("  3.75", "    20"), kR8 + "3750,3750,20000,20000|RRRR|085|A|R"},
        {Fx("    90", "   150"), kR8 + "90000,90000,150000,150000|RRRR|085|A|R"},
        {Fx("  3.74", " 19.99"), kR8 + "3740,3740,19990,19990|IIII|085|A|I"},
        {Fx(" 90.01", "150.01"), kR8 + "90010,90010,150010,150010|IIII|085|A|I"},
        {F({.aims = "RRRRRRRA"}), "R,R,R,R,R,R,R,A|12500,13000,40000,41000|RRRR|085|A|A"},
        {F({.aims = "IRRRRRRA"}), "I,R,R,R,R,R,R,A|12500,13000,40000,41000|RRRR|085|A|I"},
        {F({.aims = "rai#RRRR"}), "r,a,i,#,R,R,R,R|12500,13000,40000,41000|RRRR|085|A|R"},  // only exact letters count
        {F({.lux = {"  12.5", "  3.00", "  40.0", "  41.0"}}, false), kR8 + "12500,3000,40000,41000|RIRR|085|A|I"},
        // Separated layout: marks removed, letters looked up in the raw fields.
        {S(sep), "R,A,R,R,R,R,R,R|12500,500,-250,20000|RIIR| 085|x|#I"},
        // Code 1: right lamps with their limits.
        {Code("1", {"R", "I", "R", "I", "R", "I", "R", "I"}, {"2.0", "1.0", "7.5", "100"}),
         "R,I,R,I,R,I,R,I|2000,1000,7500,100000|RIRR|085|A|R"},
        {Code("1", kAllR, {"1.99", "1.0", "7.49", "100"}), kR8 + "1990,1000,7490,100000|IIIR|085|A|I"},
        {Code("1", kAllR, {"2.0", "1.0", "7.49", "100"}), kR8 + "2000,1000,7490,100000|RIIR|085|A|I"},
        {Code("1", {"R", "R", "R", "R", "A", "R", "R", "R"}, {"90", "1.0", "150", "100"}),
         "R,R,R,R,A,R,R,R|90000,1000,150000,100000|RIRR|085|A|A"},
        {Code("1", kAllR, {"90.01", "1.0", "150", "100"}), kR8 + "90010,1000,150000,100000|IIRR|085|A|I"},
        {Code("1", kAllR, {"90", "1.0", "150.01", "100"}), kR8 + "90000,1000,150010,100000|RIIR|085|A|I"},
        {Code("1", {"R", "R#", "R", "R", "R", "R", "R", "R"}, {"10", "10", "10", "10"}),
         kR8 + "10000,10000,10000,10000|RRRR|085|A|R"},  // an uncounted lamp's mark does not show
        // Code 3: the right dipped beam alone, 2.0 to 90 for every lamp.
        {Code("3", {"R", "I", "I", "I", "R", "I", "I", "I"}, {"2.0", "1", "100", "100"}),
         "R,I,I,I,R,I,I,I|2000,1000,100000,100000|RIII|085|A|R"},
        {Code("3", {"R", "R", "R", "R", "xAx", "R", "R", "R"}, {"2.0", "1", "90", "2"}),
         "R,R,R,R,XAX,R,R,R|2000,1000,90000,2000|RIRR|085|A|A"},
        {Code("3", kAllR, {"1.99", "1", "90", "2"}), kR8 + "1990,1000,90000,2000|IIRR|085|A|I"},
        {Code("3", kAllR, {"90.01", "1", "90", "2"}), kR8 + "90010,1000,90000,2000|IIRR|085|A|I"},
        // Code 2: every lamp, standard limits.
        {Code("2", {"R", "R", "R", "R", "R", "R", "R", "R#"}, {"3.75", "90", "20", "150"}),
         kR8 + "3750,90000,20000,150000|RRRR|085|A|#R"},
        {Code("2", {"R", "I", "R", "R", "R", "R", "R", "R"}, {"10", "10", "30", "30"}),
         "R,I,R,R,R,R,R,R|10000,10000,30000,30000|RRRR|085|A|I"},  // the second aim alone
        {Code("2", {"R", "I", "R", "A", "R", "R", "R", "R"}, {"10", "10", "30", "30"}),
         "R,I,R,A,R,R,R,R|10000,10000,30000,30000|RRRR|085|A|I"},  // A after I stays I
        {Code("2", kAllR, {"3.75", "90", "20", "150.01"}), kR8 + "3750,90000,20000,150010|RRRI|085|A|I"},
        {Code("2", kAllR, {"3.74", "90", "20", "150"}), kR8 + "3740,90000,20000,150000|IRRR|085|A|I"},
        {Code("2", kAllR, {"3.75", "90.01", "19.99", "150"}), kR8 + "3750,90010,19990,150000|RIIR|085|A|I"},
        // Refused: 1 missing fields, 2 not a number, 3 unknown configuration.
        {Code("7", kAllR, {"1", "1", "1", "1"}), "error3"},
        {Code(" 2", kAllR, {"1", "1", "1", "1"}), "error3"},
        {S(exact24), "error3"},
        {f23, "error1"},
        {Code("2", kAllR, {"1", "1", "4O.0", "1"}), "error2"},
        {Code("2", kAllR, {"1", "1", "", "1"}), "error2"},
        {Code("2", kAllR, {"1", "1", "1.000,5", "1"}), "error2"},  // no thousands separators
        {Code("2", kAllR, {"1", "1", "1" + std::string(38, '0'), "1"}), "error2"},  // its thousandfold is too large
        {F({.lux = {"  12.5", "  13.0", "  40.0", "  ab  "}}), "error2"},
        {F({.lux = {"  12.5", "  13.0", "  40.0", "      "}}, false), "error2"},
        {Sealed(FixedResults(true) + "12345"), "error1"},  // between the lengths: the block overlaps the checksum
        {Sealed(FixedStatus('2')), "error1"},
    };
    for (auto& [frame, want] : rows) EXPECT_EQ(Decoded(frame), want) << frame.size() << " " << want;
}

TEST(ResultDecoding, TesterNumbersWithPointOrCommaExponentAndSpaces) {
    const std::pair<const char*, float> good[] = {
        {"12.5", 12.5f}, {" 12,5 ", 12.5f}, {"-0,25", -0.25f}, {".5", 0.5f}, {"+7.", 7.0f}, {"000090", 90.0f},
        {"3.74", 3.74f}, {"1.2E+1", 12.0f}, {"1,2e1", 12.0f}, {" 5E-1 ", 0.5f}, {"-.5e2", -50.0f}, {"1e38", 1e38f},
    };
    for (const auto& [text, want] : good) {
        float v = 0;
        EXPECT_TRUE(ParseTesterNumber(text, v) && v == want) << '"' << text << '"';
    }
    for (const char* bad : {"", "   ", ".", "-", "1.2.3", "1,2.3", "1 2", "12a", "0x10", "--1", "1,000.5", "\t1",
                            "1E", "1E+", "E5", ".E1", "1E1.5", "1E+1E1", "1 E1", "1e39", "inf", "nan",
                            "1" "000000000000000000000000000000000000000000"}) {
        float v = 99;
        EXPECT_FALSE(ParseTesterNumber(bad, v) || v != 99) << '"' << bad << '"';
    }
    float v = 99;
    EXPECT_TRUE(ParseIllumination("3.4e35", v));
    EXPECT_FALSE(ParseIllumination("1" + std::string(38, '0'), v));
    EXPECT_EQ(v, 3.4e35f);
}

TEST(ResultDecoding, IlluminationTextAndGridMarks) {
    const std::pair<float, const char*> texts[] = {
        {12.5f, "12500"}, {0.0005f, ".5"}, {-0.0005f, "-.5"}, {-41.0f, "-41000"}, {0.0f, "0"}, {-0.0f, "0"},
        {3.74f, "3740"},  // 3740.0000953... in single precision
        {0.1f, "100"}, {1.2345678f, "1234.568"}, {9999.999f, "9999999"}, {10000.0f, "10000000"},
        {15000.0f, "15000000"}, {-15000.0f, "-15000000"}, {123456.7f, "123456700"}, {1e-8f, ".00001"},
        {3.4e35f, "340000000000000000000000000000000000000"},
    };
    for (const auto& [value, want] : texts) EXPECT_EQ(IlluminationText(value), want) << value;
    const std::pair<const char*, const char*> marks[] = {{"r#", "R"}, {" a ", "A"}, {"#a#", "A#"}, {" # ", ""}, {"i", "I"}};
    for (const auto& [text, want] : marks) EXPECT_EQ(RemoveGrid(text), want) << text;
}

}  // namespace
}  // namespace heliotab
