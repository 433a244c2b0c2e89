// InterrogaFAR, row by row of the exchange as the tester drives it: the
// link's actions for each frame in each state; then the decoding and the
// verdicts of results frames.

#include <sstream>

#include "device/LinkFixture.h"
#include "device/ResultDecoding.h"

namespace heliotab::testing_link {
namespace {

LinkActions Shown(const std::array<std::string, 6>& labels) {
    return {ShowIdentity{labels},
            SetPanel{Panel::PortaCOM, kPortOnline, "3"},
            SetPanel{Panel::Stato},
            Enable{LinkControl::Test, true},
            Enable{LinkControl::Combo, true},
            FocusCombo{}};
}

// The record of GoMeasuring's test with the default results frames.
const FarResult kMeasured{.Marca = "LUXOMETRA",
                          .Tipo = "HL-5",
                          .NumOmologa = "OM1234",
                          .NumSerie = "0042",
                          .NumVersioneSoftware = "2.1B",
                          .DataScadenza = "31/12/2026",
                          .AltezzaAnab = "085",
                          .TipoAnab = "A",
                          .VertAnabDx = "R",
                          .VertAnabSx = "R",
                          .VertAbbDx = "R",
                          .VertAbbSx = "R",
                          .OrizzAnabDx = "R",
                          .OrizzAnabSx = "R",
                          .OrizzAbbDx = "R",
                          .OrizzAbbSx = "R",
                          .IllumLuxAnabDx = "12500",
                          .IllumLuxAnabSx = "13000",
                          .IllumLuxAbbDx = "40000",
                          .IllumLuxAbbSx = "41000",
                          .EsitoIllumLuxAnabDx = "R",
                          .EsitoIllumLuxAnabSx = "R",
                          .EsitoIllumLuxAbbDx = "R",
                          .EsitoIllumLuxAbbSx = "R",
                          .Esito = "R",
                          .DataMisura = "05122026",
                          .InizioMisura = "103000",
                          .FineMisura = "103105",
                          .Operatore = "MARIO ROSSI"};

LinkActions Delivered(const FarResult& r = kMeasured) {
    return {Enable{LinkControl::Ferma, false}, SetPanel{Panel::Stato, kStateResults}, Send{kACK},
            Deliver{r}};
}
LinkActions Refused(int textId) {
    return {SetPanel{Panel::Stato, kStateBadResults}, Send{kACK},
            ShowMessage{textId, kBadResultsTitle, kStyleExclamation}};
}

// A separated frame of n fields, field 8 the status.
std::string Fields(size_t n) {
    std::string f = kStx + "FAR";
    for (size_t i = 1; i < n; ++i)
        f += kNul + (i == 8 ? "3" : "x");
    return Sealed(f);
}

struct Row {
    const char* what;
    Step before;
    std::string frame;
    LinkActions want;
};

TEST(Link, EachFrameInEachStateGetsItsActions) {
    const Step searching = [](Link& t) { t.st.bDeviceSearch = true; };
    const Step online = [](Link& t) { t.GoOnline(); };
    const Step armed = [](Link& t) {
        t.GoOnline();
        t.st.bTestArmed = true;
    };
    const Step measuring = [](Link& t) { t.GoMeasuring(); };
    auto measuringThen = [](std::vector<std::string> frames) {
        return [frames](Link& t) {
            t.GoMeasuring();
            for (const std::string& f : frames)
                t.Answer(f);
        };
    };
    const std::string start = Sealed(FixedStatus('1')), results = Sealed(FixedResults(true));
    std::string lowerCase; // a good frame whose checksum ends in a letter, in lower case
    for (char c = '4'; lowerCase.empty() || lowerCase.back() < 'A'; ++c)
        lowerCase = Sealed(FixedStatus(c));
    lowerCase.back() += 'a' - 'A';
    const Identity lng{
        "MARCA", "A MODEL OF TWENTY CH", "APPROVAL-0123456789-ABCD", "9876", "V10A", "05122026"};
    const Separated sep{.id = {" SEP ", "SEP MODEL", "SEP-APPROVAL", "77", "3.0", " 1012027"},
                        .status = "0"};
    FarResult early = kMeasured;
    early.DataMisura = "12110987";
    early.InizioMisura = "235910";
    early.FineMisura = "000015";
    const Row rows[] = {
        {"identity, long form (79)", searching, Sealed(FixedIdentity(false, lng)),
         Shown({"MARCA", "A MODEL OF TWENTY CH", "APPROVAL-0123456789-ABCD", "9876", "V10A",
                "05/12/2026"})},
        {"identity, short form (57) cuts", online, Sealed(FixedIdentity(true, lng)),
         Shown({"MARCA", "A MODEL OF", "APPROVAL-012", "9876", "V10A", "05/12/2026"})},
        {"identity, separated, trimmed", online, Sealed(SeparatedFrame(sep)),
         Shown({"SEP", "SEP MODEL", "SEP-APPROVAL", "77", "3.0", "01/01/2027"})},
        {"bad checksum while searching: dropped", searching, BadFrame(), {}},
        {"bad checksum online: NAK in 0.5 s",
         online,
         BadFrame(),
         {StartTimer{kTimerNakDelay, 500}}},
        {"lower-case checksum is bad", online, lowerCase, {StartTimer{kTimerNakDelay, 500}}},
        {"another device class", online, Sealed(kStx + "XYZ" + FixedStatus('5').substr(4)), {}},
        {"8 fields: no status", online, Fields(8), {Send{kACK}}},
        {"10 fields: sign-off", online, Fields(10), kReset},
        {"start, not armed, letter version",
         [](Link& t) { t.GoOnline("1.0Z"); },
         start,
         {Send{kCAN}}},
        {"start, armed", armed, start, {SetPanel{Panel::Stato, kStateMeasuring}, Send{kACK}}},
        {"results, short fixed (94)", measuring, results, Delivered()},
        {"results, a date before year 1000",
         [](Link& t) {
             t.f.clock.Set(987, 11, 12, 23, 59, 10);
             t.GoMeasuring();
         },
         results, Delivered(early)},
        {"results, unknown code", measuring, Sealed(SeparatedFrame({.code = "4"})),
         Refused(kBadResultsConfiguration)},
        {"results, not a number", measuring,
         Sealed(SeparatedFrame({.lux = {"12.5", "13.0", "4O.0", "41.0"}})),
         Refused(kBadResultsNumber)},
        {"results, fields missing", measuring, Sealed(FixedResults(false).substr(0, 112)),
         Refused(kBadResultsMissing)},
        {"results taken once", measuringThen({results}), results, {}},
        {"other statuses and identities keep it going",
         measuringThen({Sealed(FixedStatus('5')), Sealed(FixedIdentity(true))}), results,
         Delivered()},
        {"the operator's Ferma ends it",
         [](Link& t) {
             t.GoMeasuring();
             t.f.link.StopMeasuring();
         },
         results,
         {}},
        {"a sign-off ends it", measuringThen({Sealed(FixedStatus('3'))}), results, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Link t;
        row.before(t);
        EXPECT_THAT(t.Answer(row.frame), ElementsAreArray(row.want));
    }
}

// CAN and EOT go only to a tester whose version ends in a letter, and to
// none once it has signed off or the options dialog has forgotten it.
TEST(Link, CanAndEotGoOnlyToAVersionEndingInALetter) {
    const std::pair<const char*, bool> rows[] = {{"1.0A", true},  {"1.0Z", true},  {"1.0a", true},
                                                 {"1.0z", true},  {"1.0@", false}, {"1.0[", false},
                                                 {"1.0`", false}, {"1.0{", false}, {"", false}};
    for (const auto& [version, takes] : rows) {
        Link t;
        t.GoOnline(version);
        EXPECT_EQ(t.f.link.SendCancel(), takes ? LinkActions{Send{kCAN}} : LinkActions{})
            << version;
    }
    Link gone, forgotten;
    gone.GoOnline("1.0Z");
    EXPECT_THAT(gone.f.link.SendEot(), ElementsAre(Send{kEOT}));
    gone.Answer(Sealed(FixedStatus('3')));
    EXPECT_THAT(gone.f.link.SendEot(), ElementsAre());
    forgotten.GoOnline("1.0Z");
    EXPECT_THAT(forgotten.f.link.ForgetTester(), ElementsAre(ShowIdentity{}));
    EXPECT_THAT(forgotten.f.link.SendCancel(), ElementsAre());
}

// A results frame's four lamp verdicts, then Esito.
using Verdicts = std::array<std::string, 5>;
Verdicts Judged(const std::string& frame) {
    FarResult r;
    EXPECT_EQ(DecodeResults(frame, r), DecodeError::None);
    return {r.EsitoIllumLuxAnabDx, r.EsitoIllumLuxAnabSx, r.EsitoIllumLuxAbbDx,
            r.EsitoIllumLuxAbbSx, r.Esito};
}

std::string Fx(const std::string& dipped, const std::string& main, bool shortForm = true) {
    return Sealed(FixedResults(shortForm, {.lux = {dipped, dipped, main, main}}));
}
std::string Code(const std::string& code, std::array<std::string, 8> aims,
                 std::array<std::string, 4> lux) {
    return Sealed(SeparatedFrame({.aims = aims, .lux = lux, .code = code}));
}
const std::array<std::string, 8> kAllR{"R", "R", "R", "R", "R", "R", "R", "R"};

// The four lamp verdicts and Esito at the ends of each configuration's
// limits: standard (fixed layout, code 2), code 1 (right lamps), code 3
// (right dipped beam alone).
TEST(ResultDecoding, VerdictsAtTheEndsOfTheLimits) {
    const std::pair<std::string, Verdicts> rows[] = {
        {Fx("  3.75", "    20"), {"R", "R", "R", "R", "R"}},
        {Fx("    90", "   150", false), {"R", "R", "R", "R", "R"}},
        {Fx("  3.74", " 19.99"), {"I", "I", "I", "I", "I"}},
        {Sealed(FixedResults(true, {.aims = "IRRRRRRA"})), {"R", "R", "R", "R", "I"}},
        {Sealed(FixedResults(true, {.aims = "rai#RRRA"})), {"R", "R", "R", "R", "A"}},
        {Code("1", {"R", "I", "R", "I", "R", "I", "R", "I"}, {"2.0", "1.0", "7.5", "100"}),
         {"R", "I", "R", "R", "R"}},
        {Code("1", kAllR, {"90.01", "1.0", "150.01", "100"}), {"I", "I", "I", "R", "I"}},
        {Code("1", {"R", "R", "R", "R", "A", "R", "R", "R#"}, {"90", "1.0", "150", "100"}),
         {"R", "I", "R", "R", "A"}},
        {Code("3", {"R", "I", "I", "I", "R", "I", "I", "I"}, {"2.0", "1", "100", "100"}),
         {"R", "I", "I", "I", "R"}},
        {Code("3", {"R", "R", "R", "R", "xAx", "R", "R", "R"}, {"90", "1", "90", "2"}),
         {"R", "I", "R", "R", "A"}},
        {Code("2", {"R", "I", "R", "A", "R", "R", "R", "R#"}, {"3.75", "90", "20", "150"}),
         {"R", "R", "R", "R", "#I"}},
    };
    for (const auto& [frame, want] : rows)
        EXPECT_EQ(Judged(frame), want) << ::testing::PrintToString(frame);
}

TEST(ResultDecoding, FramesThatGiveNoResultLeaveTheRecordAlone) {
    std::string f23 = SeparatedFrame({});
    f23 = Sealed(f23.substr(0, f23.rfind('\0', f23.rfind('\0') - 1)));
    Separated exact24; // the checksum then sits in the configuration code
    exact24.extra.clear();
    const std::pair<std::string, DecodeError> rows[] = {
        {Code("7", kAllR, {"1", "1", "1", "1"}), DecodeError::UnknownConfiguration},
        {Sealed(SeparatedFrame(exact24)), DecodeError::UnknownConfiguration},
        {f23, DecodeError::MissingFields},
        {Code("2", kAllR, {"1", "1", "4O.0", "1"}), DecodeError::NotANumber},
        {Fx("  12.5", "  ab  "), DecodeError::NotANumber},
        {Sealed(FixedResults(true) + "12345"), DecodeError::MissingFields},
        {Sealed(FixedStatus('2')), DecodeError::MissingFields},
    };
    for (const auto& [frame, error] : rows) {
        FarResult r{.Esito = "prev"};
        EXPECT_EQ(DecodeResults(frame, r), error) << frame.size();
        EXPECT_EQ(r, (FarResult{.Esito = "prev"}));
    }
}

TEST(ResultDecoding, TesterNumbersWithPointOrCommaExponentAndSpaces) {
    const std::pair<const char*, float> good[] = {
        {"12.5", 12.5f},   {" 12,5 ", 12.5f}, {"-0,25", -0.25f}, {".5", 0.5f},    {"+7.", 7.0f},
        {"1.2E+1", 12.0f}, {" 5E-1 ", 0.5f},  {"-.5e2", -50.0f}, {"1e38", 1e38f}, {"9e09", 9e9f},
    };
    for (const auto& [text, want] : good) {
        float v = 0;
        EXPECT_TRUE(ParseTesterNumber(text, v)) << text;
        EXPECT_EQ(v, want) << text;
    }
    for (const char* bad : {"", "   ", ".", "-", "1.2.3", "1,2.3", "1 2", "12a", "--1", "\t1", "1E",
                            "1E+", "E5", ".E1", "1E1.5", "1e39", "inf", "1E+1E1"}) {
        float v = 99;
        EXPECT_FALSE(ParseTesterNumber(bad, v)) << bad;
        EXPECT_EQ(v, 99) << bad;
    }
    float v = 99;
    EXPECT_TRUE(ParseIllumination("3.4e35", v));
    EXPECT_FALSE(ParseIllumination("1" + std::string(38, '0'), v));
    EXPECT_EQ(v, 3.4e35f);
}

// 3.74f is 3740.0000953... in single precision.
TEST(ResultDecoding, IlluminationTextAndGridMarks) {
    const std::pair<float, const char*> texts[] = {
        {12.5f, "12500"},       {0.0005f, ".5"},
        {-41.0f, "-41000"},     {0.0f, "0"},
        {-0.0f, "0"},           {3.74f, "3740"},
        {0.0012f, "1.2"},       {1.2345678f, "1234.568"},
        {9999.999f, "9999999"}, {10000.0f, "10000000"},
        {1e-8f, ".00001"},      {3.4e35f, "340000000000000000000000000000000000000"}};
    for (const auto& [value, want] : texts)
        EXPECT_EQ(IlluminationText(value), want) << value;
    const std::pair<const char*, const char*> marks[] = {
        {"r#", "R"}, {" a ", "A"}, {"#a#", "A#"}, {" # ", ""}, {"z", "Z"}};
    for (const auto& [text, want] : marks)
        EXPECT_EQ(RemoveGrid(text), want) << text;
}

// The edges of a frame: an empty first and last field; a part that starts
// before the frame, at its last character or past it.
TEST(ResultDecoding, FieldsAndPartsAtTheFrameEdges) {
    EXPECT_THAT(SplitFields(std::string("\0a\0", 3)), ElementsAre("", "a", ""));
    EXPECT_EQ(FramePart("ab", 0, 1), "");
    EXPECT_EQ(FramePart("ab", 2, 5), "b");
    EXPECT_EQ(FramePart("ab", 4, 1), "");
    // Each lamp's aim in its own field, first to last, the grid mark taken off.
    FarResult r;
    ASSERT_EQ(DecodeResults(
                  Code("2", {"R", "I", "A", "R#", "I", "A", "R", "I"}, {"1", "1", "1", "1"}), r),
              DecodeError::None);
    EXPECT_EQ((std::array{r.VertAnabDx, r.VertAnabSx, r.VertAbbDx, r.VertAbbSx, r.OrizzAnabDx,
                          r.OrizzAnabSx, r.OrizzAbbDx, r.OrizzAbbSx}),
              (std::array<std::string, 8>{"R", "I", "A", "R", "I", "A", "R", "I"}));
}

// How a failing test shows the link's and the scan's actions.
TEST(LinkAction, EveryActionPrintsItsFields) {
    std::ostringstream os;
    for (const LinkAction& a :
         LinkActions{Send{kACK}, OpenPort{3}, ClosePort{}, StartTimer{3, 500}, StopTimer{4},
                     SetPanel{Panel::PortaCOM, 332, "1"}, ShowIdentity{{"A", "B"}}, ClearVehicle{},
                     SetComboText{303}, Enable{LinkControl::TrayOptions, true}, FocusCombo{},
                     ShowMessage{362, 361, 16, LinkReply::BadFramesRead},
                     Deliver{{.TipoAnab = "A", .Esito = "R"}}})
        os << a << "\n";
    for (const ScanAction& a :
         ScanActions{SetPortLabel{412, "3"}, EnableScanControls{true}, EnableConfirm{false}})
        os << a << "\n";
    EXPECT_EQ(os.str(),
              "Send{0x6}\nOpenPort{3}\nClosePort{}\nStartTimer{3, 500}\nStopTimer{4}\n"
              "SetPanel{PortaCOM, 332, \"1\"}\nShowIdentity{\"A\" \"B\" \"\" \"\" \"\" \"\" }\n"
              "ClearVehicle{}\nSetComboText{303}\nEnable{TrayOptions, 1}\nFocusCombo{}\n"
              "ShowMessage{362, 361, 16, reply 1}\nDeliver{TipoAnab=A Esito=R }\n"
              "SetPortLabel{412, \"3\"}\nEnableScanControls{1}\nEnableConfirm{0}\n");
}

} // namespace
} // namespace heliotab::testing_link
