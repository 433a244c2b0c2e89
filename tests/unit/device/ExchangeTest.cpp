// InterrogaFAR, row by row of the exchange as the tester drives it: the
// link's answer to each frame in each state, then what a measurement
// records.
#include <vector>

#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

const std::string kIdentityWords =
    "dev0=LUXOMETRA dev1=HL-5 dev2=OM1234 dev3=0042 dev4=2.1B dev5=31/12/2026 PortaCOM=#332+1 Stato= +Test +Combo focus";
const std::string kResetWords =
    "-Combo combo=#303 -Test -Ferma +Opzioni +Tray Stato=#334 PortaCOM=#331 veh0= veh1= veh2= op= "
    "dev0= dev1= dev2= dev3= dev4= dev5= t1+1000";

enum class Where { Searching, Online, OnlineArmed, Measuring };

std::string LowerCaseChecksum() {
    for (char c = '4';; ++c) {
        std::string f = Sealed(FixedStatus(c));
        const size_t letter = f.find_first_of("ABCDEF", f.size() - 2);
        if (letter == std::string::npos) continue;
        f[letter] = static_cast<char>(f[letter] - 'A' + 'a');
        return f;
    }
}

// A separated frame of n fields, field 8 the status (the last one also carries the checksum).
std::string Fields(size_t n, const std::string& status) {
    std::string f = kStx + "FAR";
    for (size_t i = 1; i < n; ++i) f += kNul + (i == 8 ? status : "x");
    return Sealed(f);
}

Separated With(const std::string& status, const std::string& code = "2", const std::string& lux = "40.0") {
    Separated s;
    s.status = status;
    s.code = code;
    s.lux[2] = lux;
    return s;
}

struct Row {
    const char* what;
    Where where;
    std::string version;  // the tester's software version
    std::string frame;    // sealed
    std::string words;    // the link's answer
};

TEST(Link, EachFrameInEachStateGetsItsAnswer) {
    Identity lng{"MARCA", "A MODEL OF TWENTY CH", "APPROVAL-0123456789-ABCD", "9876", "V10A", "05122026"};
    Identity spaced;
    spaced.marca = "  LUXOM";
    Separated sep = With("0");
    sep.id = {" SEP MAKE ", "SEP MODEL", "SEP-APPROVAL", "77", "3.0", "1012027"};
    const std::string ackAndDeliver = "-Ferma Stato=#336 ACK deliver";
    const std::vector<Row> rows{
        {"identity while searching", Where::Searching, "2.1B", Sealed(FixedIdentity(true)), kIdentityWords},
        {"identity trimmed", Where::Searching, "2.1B", Sealed(FixedIdentity(true, spaced)),
         "dev0=LUXOM" + kIdentityWords.substr(14)},
        {"identity, long form (79)", Where::Online, "2.1B", Sealed(FixedIdentity(false, lng)),
         "dev0=MARCA dev1=A MODEL OF TWENTY CH dev2=APPROVAL-0123456789-ABCD dev3=9876 dev4=V10A dev5=05/12/2026 "
         "PortaCOM=#332+1 Stato= +Test +Combo focus"},
        {"identity, short form (57) cuts", Where::Online, "2.1B", Sealed(FixedIdentity(true, lng)),
         "dev0=MARCA dev1=A MODEL OF dev2=APPROVAL-012 dev3=9876 dev4=V10A dev5=05/12/2026 "
         "PortaCOM=#332+1 Stato= +Test +Combo focus"},
        {"identity, separated", Where::Online, "2.1B", Sealed(SeparatedFrame(sep)),
         "dev0=SEP MAKE dev1=SEP MODEL dev2=SEP-APPROVAL dev3=77 dev4=3.0 dev5=01/01/2027 "
         "PortaCOM=#332+1 Stato= +Test +Combo focus"},
        {"identity while measuring: shown, no answer", Where::Measuring, "2.1B", Sealed(FixedIdentity(true)),
         kIdentityWords},
        {"bad checksum while searching: dropped", Where::Searching, "2.1B", BadFrame(), ""},
        {"bad checksum online: NAK in 0.5 s", Where::Online, "2.1B", BadFrame(), "t3+500"},
        {"lower-case checksum is bad", Where::Online, "2.1B", LowerCaseChecksum(), "t3+500"},
        {"another device class", Where::Online, "2.1B", Sealed(kStx + "XYZ" + FixedStatus('5').substr(4)), ""},
        {"a frame of the checksum alone", Where::Online, "2.1B", Sealed(kStx), ""},
        {"a frame of 4 bytes", Where::Online, "2.1B", Sealed(kStx + "F"), ""},
        {"8 fields: no status", Where::Online, "2.1B", Fields(8, "3"), "ACK"},
        {"9 fields: the status carries the checksum", Where::Online, "2.1B", Fields(9, "3"), "ACK"},
        {"10 fields: sign-off", Where::Online, "2.1B", Fields(10, "3"), kResetWords},
        {"start, not armed, version ends in a digit", Where::Online, "2.10", Sealed(FixedStatus('1')), ""},
        {"start, not armed, letter", Where::Online, "1.0Z", Sealed(FixedStatus('1')), "CAN"},
        {"start, not armed, lower-case letter", Where::Online, "1.0b", Sealed(FixedStatus('1')), "CAN"},
        {"start, not armed, just past Z", Where::Online, "1.0[", Sealed(FixedStatus('1')), ""},
        {"start, not armed, just before A", Where::Online, "1.0@", Sealed(FixedStatus('1')), ""},
        {"start, not armed, just past z", Where::Online, "1.0{", Sealed(FixedStatus('1')), ""},
        {"start, armed", Where::OnlineArmed, "2.1B", Sealed(FixedStatus('1')), "Stato=#335 ACK"},
        {"results without a start", Where::OnlineArmed, "2.1B", Sealed(FixedResults(true)), ""},
        {"results, short fixed (94)", Where::Measuring, "2.1B", Sealed(FixedResults(true)), ackAndDeliver},
        {"results, long fixed (116)", Where::Measuring, "2.1B", Sealed(FixedResults(false)), ackAndDeliver},
        {"results, separated", Where::Measuring, "2.1B", Sealed(SeparatedFrame({})), ackAndDeliver},
        {"results, unknown code", Where::Measuring, "2.1B", Sealed(SeparatedFrame(With("2", "4"))),
         "Stato=#384 ACK msg#383/#380/48"},
        {"results, not a number", Where::Measuring, "2.1B", Sealed(SeparatedFrame(With("2", "2", "4O.0"))),
         "Stato=#384 ACK msg#382/#380/48"},
        {"results, too large for a number", Where::Measuring, "2.1B",
         Sealed(SeparatedFrame(With("2", "2", "1" + std::string(38, '0')))), "Stato=#384 ACK msg#382/#380/48"},
        {"results, fields missing", Where::Measuring, "2.1B", Sealed(FixedResults(false).substr(0, 90)),
         "Stato=#384 ACK msg#381/#380/48"},
        {"other status, fixed", Where::Measuring, "2.1B", Sealed(FixedStatus('5')), "ACK"},
        {"other status, separated", Where::Online, "2.1B", Sealed(SeparatedFrame(With("9"))), "ACK"},
        {"sign-off while searching", Where::Searching, "2.1B", Sealed(FixedStatus('3')), kResetWords},
        {"sign-off while measuring", Where::Measuring, "2.1B", Sealed(FixedStatus('3')), kResetWords},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Link t;
        t.st.bDeviceSearch = true;
        if (row.where != Where::Searching) {
            Identity id;
            id.versione = row.version;
            ASSERT_EQ(t.Answer(Sealed(FixedIdentity(true, id))).substr(0, 5), "dev0=");
        }
        t.st.bTestArmed = row.where == Where::OnlineArmed || row.where == Where::Measuring;
        if (row.where == Where::Measuring) ASSERT_EQ(t.Answer(Sealed(FixedStatus('1'))), "Stato=#335 ACK");
        EXPECT_EQ(t.Answer(row.frame), row.words);
    }
}

// The state the answers leave behind, seen through the next frames.
TEST(Link, AnswersMoveTheExchangeOn) {
    Link l;
    auto& st = l.st;
    auto Answer = [&](const std::string& frame) { return l.Answer(frame); };
    auto Words = [&](const LinkActions& a) { return l.Words(a); };
    auto& f = l.f;
    const std::string start = Sealed(FixedStatus('1')), results = Sealed(FixedResults(true));
    st.bDeviceSearch = true;
    Identity letter;
    letter.versione = "1.0Z";
    Answer(Sealed(FixedIdentity(true, letter)));
    EXPECT_TRUE(st.bDeviceOnline);
    EXPECT_FALSE(st.bDeviceSearch);
    // A refused start does not open the door to results.
    EXPECT_EQ(Answer(start), "CAN");
    EXPECT_EQ(Answer(results), "");
    // Results are taken once; the next ones need a new start.
    st.bTestArmed = true;
    Answer(start);
    EXPECT_EQ(Answer(results), "-Ferma Stato=#336 ACK deliver");
    EXPECT_EQ(Answer(results), "");
    // A refused results frame also ends the measurement.
    Answer(start);
    EXPECT_EQ(Answer(Sealed(SeparatedFrame(With("2", "4")))).substr(0, 14), "Stato=#384 ACK");
    EXPECT_EQ(Answer(results), "");
    // Other statuses and identities keep the measurement going.
    Answer(start);
    Answer(Sealed(FixedStatus('5')));
    Answer(Sealed(FixedIdentity(true, letter)));
    EXPECT_EQ(Answer(results).substr(0, 6), "-Ferma");
    // The operator's Ferma ends it: CAN, and its results are not taken.
    Answer(start);
    EXPECT_EQ(Words(f.link.StopMeasuring()), "CAN");
    EXPECT_EQ(Answer(results), "");
    // Sign-off: search again, the identity forgotten (no CAN, no EOT).
    st.SelectedAccFile = "26000001.ACC";
    Answer(start);
    Answer(Sealed(FixedStatus('3')));
    EXPECT_EQ(st.SelectedAccFile, "");
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_FALSE(st.bDeviceOnline);
    EXPECT_TRUE(st.bDeviceSearch);
    EXPECT_EQ(Answer(results), "");
    EXPECT_EQ(Words(f.link.SendCancel()) + Words(f.link.SendEot()), "");
    Answer(Sealed(FixedIdentity(true, letter)));
    EXPECT_EQ(Words(f.link.SendCancel()) + Words(f.link.SendEot()), "CANEOT");
    EXPECT_EQ(Words(f.link.ForgetTester()), "dev0= dev1= dev2= dev3= dev4= dev5=");
    EXPECT_EQ(Words(f.link.SendEot()), "");
}

TEST(ExpiryDatePicture, WholeNumbersGetThePictureOtherTextStays) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"31122026", "31/12/2026"}, {"5122026", "05/12/2026"}, {"00000000", "00/00/0000"}, {" 5122026", "05/12/2026"},
        {"123122026", "123/12/2026"}, {"31.12.26", "31.12.26"}, {"--------", "--------"}, {"", ""},
        {"/1122026", "/1122026"}, {":1122026", ":1122026"}};
    for (auto& [in, out] : rows) EXPECT_EQ(ExpiryDatePicture(in), out) << in;
}

// What a measurement records: the identity as shown, the operator, the
// date and the times; nothing of an earlier vehicle.
TEST(Link, TheDeliveredResultCarriesTheTestRecord) {
    Link l;
    l.st.bDeviceSearch = true;
    auto Answer = [&](const std::string& frame) { return l.Answer(frame); };
    Identity id;
    id.versione = "2.1";
    Answer(Sealed(FixedIdentity(true, id)));
    auto deliver = [&](const std::string& operatorName, const LocalTime& start, const LocalTime& end) {
        l.st.bTestArmed = true;
        l.f.link.InterrogaFAR(Sealed(FixedStatus('1')), start, operatorName);
        LinkActions a = l.f.link.InterrogaFAR(Sealed(FixedResults(true)), end, "ignored");
        EXPECT_EQ(a.back().kind, LinkAction::Kind::Deliver);
        return *a.back().result;
    };
    FarResult r = deliver("MARIO ROSSI", {2026, 3, 7, 9, 5, 4}, {2026, 3, 7, 9, 6, 9});
    EXPECT_EQ(r.Marca + "|" + r.Tipo + "|" + r.NumOmologa + "|" + r.NumSerie + "|" + r.NumVersioneSoftware + "|" +
                  r.DataScadenza + "|" + r.Operatore + "|" + r.DataMisura + "|" + r.InizioMisura + "|" + r.FineMisura +
                  "|" + r.IllumLuxAnabDx + "|" + r.Esito + "|" + r.CodErrore,
              "LUXOMETRA|HL-5|OM1234|0042|2.1|31/12/2026|MARIO ROSSI|07032026|090504|090609|12500|R|");
    // A sign-off empties the identity: a start before the next identity
    // records it empty.
    Answer(Sealed(FixedStatus('3')));
    r = deliver("LUIGI", {987, 11, 12, 23, 59, 10}, {988, 1, 1, 0, 0, 5});
    EXPECT_EQ(r.Marca + "|" + r.NumVersioneSoftware + "|" + r.DataScadenza + "|" + r.Operatore + "|" + r.DataMisura +
                  "|" + r.InizioMisura + "|" + r.FineMisura,
              "|||LUIGI|12110987|235910|000005");
}

}  // namespace
}  // namespace heliotab::testing_link
