// InterrogaFAR, row by row of the exchange as the tester drives it: the
// link's answer to each frame in each state, then what a measurement
// records.

#include "device/LinkFixture.h"
#include "device/ResultDecoding.h"

namespace heliotab::testing_link {
namespace {

const std::string kIdentityWords = "dev0=LUXOMETRA dev1=HL-5 dev2=OM1234 dev3=0042 dev4=2.1B "
                                   "dev5=31/12/2026 PortaCOM=#332+3 Stato= +Test +Combo focus";
const std::string kOnline = " PortaCOM=#332+3 Stato= +Test +Combo focus";

std::string LowerCaseChecksum() {
    for (char c = '4';; ++c) {
        std::string f = Sealed(FixedStatus(c));
        if (const size_t i = f.find_first_of("ABCDEF", f.size() - 2); i != std::string::npos)
            return f[i] += 'a' - 'A', f;
    }
}

// A separated frame of n fields, field 8 the status (the last one also carries the checksum).
std::string Fields(size_t n, const std::string& status) {
    std::string f = kStx + "FAR";
    for (size_t i = 1; i < n; ++i)
        f += kNul + (i == 8 ? status : "x");
    return Sealed(f);
}

std::string Sep(const std::string& status, const std::string& code = "2",
                const std::string& lux = "40.0") {
    return Sealed(
        SeparatedFrame({.status = status, .lux = {"12.5", "13.0", lux, "41.0"}, .code = code}));
}

// where: S searching, O online, A online and armed, M measuring. Before
// the frame, `pre` runs: frames, or stop (the operator's Ferma), forget
// (the options dialog); the frame may also be ctl (CAN and EOT as sent now).
struct Row {
    const char* what;
    char where;
    std::string version, frame, words;
    std::vector<std::string> pre = {};
};

TEST(Link, EachFrameInEachStateGetsItsAnswer) {
    Identity lng{"MARCA",   "A MODEL OF TWENTY CH", "APPROVAL-0123456789-ABCD", "9876", "V10A",
                 "05122026"};
    Identity spaced{.marca = "  LUXOM"};
    Separated sep{.id = {" SEP MAKE ", "SEP MODEL", "SEP-APPROVAL", "77", "3.0", "1012027"},
                  .status = "0"};
    const std::string start = Sealed(FixedStatus('1')), results = Sealed(FixedResults(true)),
                      V = "2.1B";
    const std::string delivered = "-Ferma Stato=#336 ACK deliver",
                      refused = "Stato=#384 ACK msg#38";
    const std::vector<Row> rows{
        {"identity while searching", 'S', V, Sealed(FixedIdentity(true)), kIdentityWords},
        {"identity trimmed", 'S', V, Sealed(FixedIdentity(true, spaced)),
         "dev0=LUXOM" + kIdentityWords.substr(14)},
        {"identity, long form (79)", 'O', V, Sealed(FixedIdentity(false, lng)),
         "dev0=MARCA dev1=A MODEL OF TWENTY CH dev2=APPROVAL-0123456789-ABCD dev3=9876 dev4=V10A "
         "dev5=05/12/2026" +
             kOnline},
        {"identity, short form (57) cuts", 'O', V, Sealed(FixedIdentity(true, lng)),
         "dev0=MARCA dev1=A MODEL OF dev2=APPROVAL-012 dev3=9876 dev4=V10A dev5=05/12/2026" +
             kOnline},
        {"identity, separated", 'O', V, Sealed(SeparatedFrame(sep)),
         "dev0=SEP MAKE dev1=SEP MODEL dev2=SEP-APPROVAL dev3=77 dev4=3.0 dev5=01/01/2027" +
             kOnline},
        {"identity while measuring: shown, no answer", 'M', V, Sealed(FixedIdentity(true)),
         kIdentityWords},
        {"bad checksum while searching: dropped", 'S', V, BadFrame(), ""},
        {"bad checksum online: NAK in 0.5 s", 'O', V, BadFrame(), "t3+500"},
        {"lower-case checksum is bad", 'O', V, LowerCaseChecksum(), "t3+500"},
        {"another device class", 'O', V, Sealed(kStx + "XYZ" + FixedStatus('5').substr(4)), ""},
        {"a frame of the checksum alone", 'O', V, Sealed(kStx), ""},
        {"a frame of 4 bytes", 'O', V, Sealed(kStx + "F"), ""},
        {"8 fields: no status", 'O', V, Fields(8, "3"), "ACK"},
        {"9 fields: the status carries the checksum", 'O', V, Fields(9, "3"), "ACK"},
        {"10 fields: sign-off", 'O', V, Fields(10, "3"), kResetWords},
        {"start, not armed, version ends in a digit", 'O', "2.10", start, ""},
        {"start, not armed, letter", 'O', "1.0Z", start, "CAN"},
        {"start, not armed, lower-case letter", 'O', "1.0b", start, "CAN"},
        {"start, not armed, just past Z", 'O', "1.0[", start, ""},
        {"start, not armed, just before A", 'O', "1.0@", start, ""},
        {"start, not armed, just past z", 'O', "1.0{", start, ""},
        {"start, armed", 'A', V, start, "Stato=#335 ACK"},
        {"results without a start", 'A', V, results, ""},
        {"results after a refused start", 'O', "1.0Z", results, "", {start}},
        {"results, short fixed (94)", 'M', V, results, delivered},
        {"results, long fixed (116)", 'M', V, Sealed(FixedResults(false)), delivered},
        {"results, separated", 'M', V, Sep("2"), delivered},
        {"results, unknown code", 'M', V, Sep("2", "4"), refused + "3/#380/48"},
        {"results, not a number", 'M', V, Sep("2", "2", "4O.0"), refused + "2/#380/48"},
        {"results, too large for a number", 'M', V, Sep("2", "2", "1" + std::string(38, '0')),
         refused + "2/#380/48"},
        {"results, fields missing", 'M', V, Sealed(FixedResults(false).substr(0, 112)),
         refused + "1/#380/48"},
        {"results taken once", 'M', V, results, "", {results}},
        {"a refused results frame ends the measurement", 'M', V, results, "", {Sep("2", "4")}},
        {"other statuses and identities keep it going",
         'M',
         V,
         results,
         delivered,
         {Sealed(FixedStatus('5')), Sealed(FixedIdentity(true))}},
        {"the operator's Ferma ends it", 'M', V, results, "", {"stop"}},
        {"other status, fixed", 'M', V, Sealed(FixedStatus('5')), "ACK"},
        {"other status, separated", 'O', V, Sep("9"), "ACK"},
        {"sign-off while searching", 'S', V, Sealed(FixedStatus('3')), kResetWords},
        {"sign-off while measuring", 'M', V, Sealed(FixedStatus('3')), kResetWords},
        {"after a sign-off: searching, results not taken",
         'M',
         V,
         BadFrame() + results,
         "",
         {Sealed(FixedStatus('3'))}},
        {"CAN and EOT to a letter version", 'O', "1.0Z", "ctl", "CANEOT"},
        {"none once the tester signed off", 'O', "1.0Z", "ctl", "", {Sealed(FixedStatus('3'))}},
        {"none once the dialog forgot it", 'O', "1.0Z", "ctl", "", {"forget"}},
        {"the dialog forgets the identity", 'O', "1.0Z", "forget",
         "dev0= dev1= dev2= dev3= dev4= dev5="},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Link t;
        t.st.bDeviceSearch = true;
        if (row.where != 'S')
            ASSERT_EQ(t.Answer(Sealed(FixedIdentity(true, {.versione = row.version}))).substr(0, 5),
                      "dev0=");
        t.st.bTestArmed = row.where == 'A' || row.where == 'M';
        if (row.where == 'M')
            ASSERT_EQ(t.Answer(start), "Stato=#335 ACK");
        auto act = [&](const std::string& x) {
            if (x == "stop")
                return t.Words(t.f.link.StopMeasuring());
            if (x == "forget")
                return t.Words(t.f.link.ForgetTester());
            if (x == "ctl")
                return t.Words(t.f.link.SendCancel()) + t.Words(t.f.link.SendEot());
            const size_t second = x.find(kStx, 1);
            return second == std::string::npos
                       ? t.Answer(x)
                       : t.Answer(x.substr(0, second)) + t.Answer(x.substr(second));
        };
        for (const std::string& x : row.pre)
            act(x);
        EXPECT_EQ(act(row.frame), row.words);
    }
}

TEST(ExpiryDatePicture, WholeNumbersGetThePictureOtherTextStays) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"31122026", "31/12/2026"},   {"5122026", "05/12/2026"},
        {"00000000", "00/00/0000"},   {" 5122026", "05/12/2026"},
        {"123122026", "123/12/2026"}, {"31.12.26", "31.12.26"},
        {"--------", "--------"},     {"", ""},
        {"/1122026", "/1122026"},     {":1122026", ":1122026"}};
    for (auto& [in, out] : rows)
        EXPECT_EQ(ExpiryDatePicture(in), out) << in;
}

// What a measurement records: the identity as shown, the operator, the
// date and the times; after a sign-off nothing of the earlier tester.
TEST(Link, TheDeliveredResultCarriesTheTestRecord) {
    Link t;
    t.st.bDeviceSearch = true, t.Answer(Sealed(FixedIdentity(true, {.versione = "2.1"})));
    auto deliver = [&](const std::string& operatorName, const LocalTime& start,
                       const LocalTime& end) {
        t.st.bTestArmed = true,
        t.f.link.InterrogaFAR(Sealed(FixedStatus('1')), start, operatorName);
        const FarResult r =
            *t.f.link.InterrogaFAR(Sealed(FixedResults(true)), end, "ignored").back().result;
        std::string o;
        for (const std::string* v :
             {&r.Marca, &r.Tipo, &r.NumOmologa, &r.NumSerie, &r.NumVersioneSoftware,
              &r.DataScadenza, &r.Operatore, &r.DataMisura, &r.InizioMisura, &r.FineMisura,
              &r.IllumLuxAnabDx, &r.Esito, &r.CodErrore})
            o += *v + "|";
        return o;
    };
    EXPECT_EQ(
        deliver("MARIO ROSSI", {2026, 3, 7, 9, 5, 4}, {2026, 3, 7, 9, 6, 9}),
        "LUXOMETRA|HL-5|OM1234|0042|2.1|31/12/2026|MARIO ROSSI|07032026|090504|090609|12500|R||");
    t.Answer(Sealed(FixedStatus('3')));
    EXPECT_EQ(deliver("LUIGI", {987, 11, 12, 23, 59, 10}, {988, 1, 1, 0, 0, 5}),
              "||||||LUIGI|12110987|235910|000005|12500|R||");
}

// Results frames: both layouts, the limits at their edges, configuration
// codes, marks, the illumination texts, and frames that must not produce
// a result.
std::string F(const Results& r, bool shortForm = true) {
    return Sealed(FixedResults(shortForm, r));
}
std::string S(const Separated& s) {
    return Sealed(SeparatedFrame(s));
}
std::string Fx(const std::string& dipped, const std::string& main) {
    return F({.lux = {dipped, dipped, main, main}});
}
std::string Code(const std::string& code, std::array<std::string, 8> aims,
                 std::array<std::string, 4> lux) {
    return S({.aims = aims, .lux = lux, .code = code});
}

// Aims | illumination texts | their verdicts | AltezzaAnab | TipoAnab | Esito,
// or the error with the result left untouched.
std::string Decoded(const std::string& frame) {
    FarResult r{.Esito = "prev"};
    const DecodeError e = DecodeResults(frame, r);
    if (e != DecodeError::None)
        return "error" + std::to_string(static_cast<int>(e)) +
               (r.Esito == "prev" && r.VertAnabDx.empty() ? "" : " touched");
    return r.VertAnabDx + "," + r.VertAnabSx + "," + r.VertAbbDx + "," + r.VertAbbSx + "," +
           r.OrizzAnabDx + "," + r.OrizzAnabSx + "," + r.OrizzAbbDx + "," + r.OrizzAbbSx + "|" +
           r.IllumLuxAnabDx + "," + r.IllumLuxAnabSx + "," + r.IllumLuxAbbDx + "," +
           r.IllumLuxAbbSx + "|" + r.EsitoIllumLuxAnabDx + r.EsitoIllumLuxAnabSx +
           r.EsitoIllumLuxAbbDx + r.EsitoIllumLuxAbbSx + "|" + r.AltezzaAnab + "|" + r.TipoAnab +
           "|" + r.Esito;
}

const std::string kR8 = "R,R,R,R,R,R,R,R|";
const std::array<std::string, 8> kAllR{"R", "R", "R", "R", "R", "R", "R", "R"};

TEST(ResultDecoding, EachFrameGivesItsResultOrItsError) {
    const Results mixed{"RAIRRARI", {" 12.50", "13,25 ", "  40  ", "-41.0 "}, "095", "B"};
    Separated sep{.aims = {" r# ", "a", "R", "R", "R", "R", "R", "R"},
                  .lux = {"12.5", "0.5", "-0.25", "20"},
                  .altezza = " 085",
                  .tipo = "x"};
    Separated exact24, fields23;
    exact24.extra.clear(); // exactly 24 fields: the checksum sits in the code itself
    std::string f23 = SeparatedFrame({});
    f23 = f23.substr(0, f23.rfind('\0'));
    f23 = Sealed(f23.substr(0, f23.rfind('\0')));
    // Fixed layout, 94 and 116 characters, standard limits, every lamp counts; only exact letters
    // count. Separated layout: marks removed, letters looked up in the raw fields. Code 1: right
    // lamps with their limits, an uncounted lamp's mark does not show. Code 3: the right dipped
    // beam alone, 2.0 to 90 for every lamp. Code 2: every lamp, standard limits; the second aim
    // alone counts, A after I stays I. Refused: error1 missing fields (or between the lengths: the
    // block overlaps the checksum), error2 not a number (no thousands separators; a thousandfold
    // too large), error3 unknown configuration.
    const std::string r1 = "|RRRR|085|A|";
    const std::vector<std::pair<std::string, std::string>> rows{
        {F(mixed), "R,A,I,R,R,A,R,I|12500,13250,40000,-41000|RRRI|095|B|I"},
        {F(mixed, false), "R,A,I,R,R,A,R,I|12500,13250,40000,-41000|RRRI|095|B|I"},
        {Fx("  3.75", "    20"), kR8 + "3750,3750,20000,20000|RRRR|085|A|R"},
        {Fx("    90", "   150"), kR8 + "90000,90000,150000,150000|RRRR|085|A|R"},
        {Fx("  3.74", " 19.99"), kR8 + "3740,3740,19990,19990|IIII|085|A|I"},
        {Fx(" 90.01", "150.01"), kR8 + "90010,90010,150010,150010|IIII|085|A|I"},
        {F({.aims = "RRRRRRRA"}), "R,R,R,R,R,R,R,A|12500,13000,40000,41000" + r1 + "A"},
        {F({.aims = "IRRRRRRA"}), "I,R,R,R,R,R,R,A|12500,13000,40000,41000" + r1 + "I"},
        {F({.aims = "rai#RRRR"}), "r,a,i,#,R,R,R,R|12500,13000,40000,41000" + r1 + "R"},
        {F({.lux = {"  12.5", "  3.00", "  40.0", "  41.0"}}, false),
         kR8 + "12500,3000,40000,41000|RIRR|085|A|I"},
        {S(sep), "R,A,R,R,R,R,R,R|12500,500,-250,20000|RIIR| 085|x|#I"},
        {Code("1", {"R", "I", "R", "I", "R", "I", "R", "I"}, {"2.0", "1.0", "7.5", "100"}),
         "R,I,R,I,R,I,R,I|2000,1000,7500,100000|RIRR|085|A|R"},
        {Code("1", kAllR, {"1.99", "1.0", "7.49", "100"}),
         kR8 + "1990,1000,7490,100000|IIIR|085|A|I"},
        {Code("1", kAllR, {"2.0", "1.0", "7.49", "100"}),
         kR8 + "2000,1000,7490,100000|RIIR|085|A|I"},
        {Code("1", {"R", "R", "R", "R", "A", "R", "R", "R"}, {"90", "1.0", "150", "100"}),
         "R,R,R,R,A,R,R,R|90000,1000,150000,100000|RIRR|085|A|A"},
        {Code("1", kAllR, {"90.01", "1.0", "150", "100"}),
         kR8 + "90010,1000,150000,100000|IIRR|085|A|I"},
        {Code("1", kAllR, {"90", "1.0", "150.01", "100"}),
         kR8 + "90000,1000,150010,100000|RIIR|085|A|I"},
        {Code("1", {"R", "R#", "R", "R", "R", "R", "R", "R"}, {"10", "10", "10", "10"}),
         kR8 + "10000,10000,10000,10000" + r1 + "R"},
        {Code("3", {"R", "I", "I", "I", "R", "I", "I", "I"}, {"2.0", "1", "100", "100"}),
         "R,I,I,I,R,I,I,I|2000,1000,100000,100000|RIII|085|A|R"},
        {Code("3", {"R", "R", "R", "R", "xAx", "R", "R", "R"}, {"2.0", "1", "90", "2"}),
         "R,R,R,R,XAX,R,R,R|2000,1000,90000,2000|RIRR|085|A|A"},
        {Code("3", kAllR, {"1.99", "1", "90", "2"}), kR8 + "1990,1000,90000,2000|IIRR|085|A|I"},
        {Code("3", kAllR, {"90.01", "1", "90", "2"}), kR8 + "90010,1000,90000,2000|IIRR|085|A|I"},
        {Code("2", {"R", "R", "R", "R", "R", "R", "R", "R#"}, {"3.75", "90", "20", "150"}),
         kR8 + "3750,90000,20000,150000" + r1 + "#R"},
        {Code("2", {"R", "I", "R", "R", "R", "R", "R", "R"}, {"10", "10", "30", "30"}),
         "R,I,R,R,R,R,R,R|10000,10000,30000,30000" + r1 + "I"},
        {Code("2", {"R", "I", "R", "A", "R", "R", "R", "R"}, {"10", "10", "30", "30"}),
         "R,I,R,A,R,R,R,R|10000,10000,30000,30000" + r1 + "I"},
        {Code("2", kAllR, {"3.75", "90", "20", "150.01"}),
         kR8 + "3750,90000,20000,150010|RRRI|085|A|I"},
        {Code("2", kAllR, {"3.74", "90", "20", "150"}),
         kR8 + "3740,90000,20000,150000|IRRR|085|A|I"},
        {Code("2", kAllR, {"3.75", "90.01", "19.99", "150"}),
         kR8 + "3750,90010,19990,150000|RIIR|085|A|I"},
        {Code("7", kAllR, {"1", "1", "1", "1"}), "error3"},
        {Code(" 2", kAllR, {"1", "1", "1", "1"}), "error3"},
        {S(exact24), "error3"},
        {f23, "error1"},
        {Code("2", kAllR, {"1", "1", "4O.0", "1"}), "error2"},
        {Code("2", kAllR, {"1", "1", "", "1"}), "error2"},
        {Code("2", kAllR, {"1", "1", "1.000,5", "1"}), "error2"},
        {Code("2", kAllR, {"1", "1", "1" + std::string(38, '0'), "1"}), "error2"},
        {F({.lux = {"  12.5", "  13.0", "  40.0", "  ab  "}}), "error2"},
        {F({.lux = {"  12.5", "  13.0", "  40.0", "      "}}, false), "error2"},
        {Sealed(FixedResults(true) + "12345"), "error1"},
        {Sealed(FixedStatus('2')), "error1"},
    };
    for (auto& [frame, want] : rows)
        EXPECT_EQ(Decoded(frame), want) << frame.size() << " " << want;
}

TEST(ResultDecoding, TesterNumbersWithPointOrCommaExponentAndSpaces) {
    const std::pair<const char*, float> good[] = {
        {"12.5", 12.5f},   {" 12,5 ", 12.5f}, {"-0,25", -0.25f}, {".5", 0.5f},     {"+7.", 7.0f},
        {"000090", 90.0f}, {"3.74", 3.74f},   {"1.2E+1", 12.0f}, {"1,2e1", 12.0f}, {" 5E-1 ", 0.5f},
        {"-.5e2", -50.0f}, {"1e38", 1e38f},   {"2E+09", 2e9f}};
    float v = 0;
    for (const auto& [text, want] : good)
        EXPECT_TRUE(ParseTesterNumber(text, v) && v == want) << '"' << text << '"';
    for (const char* bad : {"",
                            "   ",
                            ".",
                            "-",
                            "1.2.3",
                            "1,2.3",
                            "1 2",
                            "12a",
                            "0x10",
                            "--1",
                            "1,000.5",
                            "\t1",
                            "1E",
                            "1E+",
                            "E5",
                            ".E1",
                            "1E1.5",
                            "1E+1E1",
                            "1 E1",
                            "1e39",
                            "inf",
                            "nan",
                            "1"
                            "000000000000000000000000000000000000000000"})
        EXPECT_FALSE(ParseTesterNumber(bad, v = 99) || v != 99) << '"' << bad << '"';
    EXPECT_TRUE(ParseIllumination("3.4e35", v = 99));
    EXPECT_FALSE(ParseIllumination("1" + std::string(38, '0'), v));
    EXPECT_EQ(v, 3.4e35f);
}

// 3.74f is 3740.0000953... in single precision.
TEST(ResultDecoding, IlluminationTextAndGridMarks) {
    const std::pair<float, const char*> texts[] = {
        {12.5f, "12500"},
        {0.0005f, ".5"},
        {-0.0005f, "-.5"},
        {-41.0f, "-41000"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {3.74f, "3740"},
        {0.1f, "100"},
        {1.2345678f, "1234.568"},
        {9999.999f, "9999999"},
        {10000.0f, "10000000"},
        {15000.0f, "15000000"},
        {-15000.0f, "-15000000"},
        {123456.7f, "123456700"},
        {1e-8f, ".00001"},
        {3.4e35f, "340000000000000000000000000000000000000"}};
    for (const auto& [value, want] : texts)
        EXPECT_EQ(IlluminationText(value), want) << value;
    const std::pair<const char*, const char*> marks[] = {
        {"r#", "R"}, {" a ", "A"}, {"#a#", "A#"}, {" # ", ""}, {"i", "I"}};
    for (const auto& [text, want] : marks)
        EXPECT_EQ(RemoveGrid(text), want) << text;
}

} // namespace
} // namespace heliotab::testing_link
