// InterrogaFAR, row by row of the exchange as the tester drives it: the
// link's answer to each frame in each state, then what a measurement
// records.
#include <vector>

#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

const std::string kIdentityWords =
    "dev0=LUXOMETRA dev1=HL-5 dev2=OM1234 dev3=0042 dev4=2.1B dev5=31/12/2026 PortaCOM=#332+1 Stato= +Test +Combo focus";
const std::string kResetWords = "-Combo combo=#303 -Test -Ferma +Opzioni +Tray Stato=#334 PortaCOM=#331 veh0= veh1= "
                                "veh2= op= dev0= dev1= dev2= dev3= dev4= dev5= t1+1000";
const std::string kOnline = " PortaCOM=#332+1 Stato= +Test +Combo focus";

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

std::string Sep(const std::string& status, const std::string& code = "2", const std::string& lux = "40.0") {
    return Sealed(SeparatedFrame({.status = status, .lux = {"12.5", "13.0", lux, "41.0"}, .code = code}));
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
    Identity lng{"MARCA", "A MODEL OF TWENTY CH", "APPROVAL-0123456789-ABCD", "9876", "V10A", "05122026"};
    Identity spaced{.marca = "  LUXOM"};
    Separated sep{.id = {" SEP MAKE ", "SEP MODEL", "SEP-APPROVAL", "77", "3.0", "1012027"}, .status = "0"};
    const std::string start = Sealed(FixedStatus('1')), results = Sealed(FixedResults(true)), V = "2.1B";
    const std::string delivered = "-Ferma Stato=#336 ACK deliver", refused = "Stato=#384 ACK msg#38";
    const std::vector<Row> rows{
        {"identity while searching", 'S', V, Sealed(FixedIdentity(true)), kIdentityWords},
        {"identity trimmed", 'S', V, Sealed(FixedIdentity(true, spaced)), "dev0=LUXOM" + kIdentityWords.substr(14)},
        {"identity, long form (79)", 'O', V, Sealed(FixedIdentity(false, lng)), "dev0=MARCA dev1=A MODEL OF TWENTY CH "
         "dev2=APPROVAL-0123456789-ABCD dev3=9876 dev4=V10A dev5=05/12/2026" + kOnline},
        {"identity, short form (57) cuts", 'O', V, Sealed(FixedIdentity(true, lng)),
         "dev0=MARCA dev1=A MODEL OF dev2=APPROVAL-012 dev3=9876 dev4=V10A dev5=05/12/2026" + kOnline},
        {"identity, separated", 'O', V, Sealed(SeparatedFrame(sep)),
         "dev0=SEP MAKE dev1=SEP MODEL dev2=SEP-APPROVAL dev3=77 dev4=3.0 dev5=01/01/2027" + kOnline},
        {"identity while measuring: shown, no answer", 'M', V, Sealed(FixedIdentity(true)), kIdentityWords},
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
        {"results, too large for a number", 'M', V, Sep("2", "2", "1" + std::string(38, '0')), refused + "2/#380/48"},
        {"results, fields missing", 'M', V, Sealed(FixedResults(false).substr(0, 90)), refused + "1/#380/48"},
        {"results taken once", 'M', V, results, "", {results}},
        {"a refused results frame ends the measurement", 'M', V, results, "", {Sep("2", "4")}},
        {"other statuses and identities keep it going", 'M', V, results, delivered,
         {Sealed(FixedStatus('5')), Sealed(FixedIdentity(true))}},
        {"the operator's Ferma ends it", 'M', V, results, "", {"stop"}},
        {"other status, fixed", 'M', V, Sealed(FixedStatus('5')), "ACK"},
        {"other status, separated", 'O', V, Sep("9"), "ACK"},
        {"sign-off while searching", 'S', V, Sealed(FixedStatus('3')), kResetWords},
        {"sign-off while measuring", 'M', V, Sealed(FixedStatus('3')), kResetWords},
        {"after a sign-off: searching, results not taken", 'M', V, BadFrame() + results, "", {Sealed(FixedStatus('3'))}},
        {"CAN and EOT to a letter version", 'O', "1.0Z", "ctl", "CANEOT"},
        {"none once the tester signed off", 'O', "1.0Z", "ctl", "", {Sealed(FixedStatus('3'))}},
        {"none once the dialog forgot it", 'O', "1.0Z", "ctl", "", {"forget"}},
        {"the dialog forgets the identity", 'O', "1.0Z", "forget", "dev0= dev1= dev2= dev3= dev4= dev5="},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Link t;
        t.st.bDeviceSearch = true;
        if (row.where != 'S') ASSERT_EQ(t.Answer(Sealed(FixedIdentity(true, {.versione = row.version}))).substr(0, 5), "dev0=");
        t.st.bTestArmed = row.where == 'A' || row.where == 'M';
        if (row.where == 'M') ASSERT_EQ(t.Answer(start), "Stato=#335 ACK");
        auto act = [&](const std::string& x) {
            if (x == "stop") return t.Words(t.f.link.StopMeasuring());
            if (x == "forget") return t.Words(t.f.link.ForgetTester());
            if (x == "ctl") return t.Words(t.f.link.SendCancel()) + t.Words(t.f.link.SendEot());
            if (x.find(kStx, 1) == std::string::npos) return t.Answer(x);
            return t.Answer(x.substr(0, x.find(kStx, 1))) + t.Answer(x.substr(x.find(kStx, 1)));
        };
        for (const std::string& x : row.pre) act(x);
        EXPECT_EQ(act(row.frame), row.words);
    }
}

TEST(ExpiryDatePicture, WholeNumbersGetThePictureOtherTextStays) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"31122026", "31/12/2026"}, {"5122026", "05/12/2026"}, {"00000000", "00/00/0000"}, {" 5122026", "05/12/2026"},
        {"123122026", "123/12/2026"}, {"31.12.26", "31.12.26"}, {"--------", "--------"}, {"", ""},
        {"/1122026", "/1122026"}, {":1122026", ":1122026"}};
    for (auto& [in, out] : rows) EXPECT_EQ(ExpiryDatePicture(in), out) << in;
}

// What a measurement records: the identity as shown, the operator, the
// date and the times; after a sign-off nothing of the earlier tester.
TEST(Link, TheDeliveredResultCarriesTheTestRecord) {
    Link t;
    t.st.bDeviceSearch = true;
    t.Answer(Sealed(FixedIdentity(true, {.versione = "2.1"})));
    auto deliver = [&](const std::string& operatorName, const LocalTime& start, const LocalTime& end) {
        t.st.bTestArmed = true;
        t.f.link.InterrogaFAR(Sealed(FixedStatus('1')), start, operatorName);
        const FarResult r = *t.f.link.InterrogaFAR(Sealed(FixedResults(true)), end, "ignored").back().result;
        return r.Marca + "|" + r.Tipo + "|" + r.NumOmologa + "|" + r.NumSerie + "|" + r.NumVersioneSoftware + "|" +
               r.DataScadenza + "|" + r.Operatore + "|" + r.DataMisura + "|" + r.InizioMisura + "|" + r.FineMisura +
               "|" + r.IllumLuxAnabDx + "|" + r.Esito + "|" + r.CodErrore;
    };
    EXPECT_EQ(deliver("MARIO ROSSI", {2026, 3, 7, 9, 5, 4}, {2026, 3, 7, 9, 6, 9}),
              "LUXOMETRA|HL-5|OM1234|0042|2.1|31/12/2026|MARIO ROSSI|07032026|090504|090609|12500|R|");
    t.Answer(Sealed(FixedStatus('3')));
    EXPECT_EQ(deliver("LUIGI", {987, 11, 12, 23, 59, 10}, {988, 1, 1, 0, 0, 5}),
              "||||||LUIGI|12110987|235910|000005|12500|R|");
}

}  // namespace
}  // namespace heliotab::testing_link
