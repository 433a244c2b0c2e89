// ValidateReservation on whole files against small masks: the line count,
// the header and key searches, the value line rules, the classes' masks and
// the messages of broken or missing masks.
#include <optional>

#include "ReservationFixture.h"
#include "reservation/Validator.h"

namespace heliotab {
void PrintTo(const Refusal& r, std::ostream* o) {
    *o << RefusalText(r) << " (rule " << static_cast<int>(r.rule) << ")";
}
} // namespace heliotab

namespace heliotab::testing_reservation {
namespace {

const char* kAcceptance = "[Proto]\nVersione=N,S,3,3,100\n[Pren]\nNumero=N,N,6,6\nNota=I,S,20\n";
const char* kLight = "[Dati]\nTarga=N,S,8,5,[A-Z],[0-9]\nCodice=N,C,5\n[Ultima]"
                     "\nEsito=N,E,1,1\n";
const char* kHeavy = "[Dati]\nTarga=N,S,8,5,[A-Z],[0-9]\n[Vis_CtrlSupplBus]\nUscite=N,L,1,1\n";
const std::string kValid = "[Proto]\nVersione=100\n\n[Pren]\nNumero=000001\nNota=x\n[Dati]\n"
                           "Targa=AB123CD\nCodice=#12345\n[Ultima]\nEsito=R\n";
const std::string kHeavyValid = "[Proto]\nVersione=100\n[Pren]\nNumero="
                                "000001\nNota=\n[Dati]\nTarga=AB123CD\n";
const std::string kBus = kHeavyValid + "[Vis_CtrlSupplBus]\nUscite=S\n";

// kValid with the first `from` replaced by `to`.
std::string R(const std::string& from, const std::string& to) {
    return Edit(kValid, from, to);
}

struct Row {
    std::string acc; // "\n" becomes CR LF
    bool valid;
    std::vector<Shown> messages = {};
    int vehicleClass = 0;
    std::string acceptanceMask = kAcceptance;
    std::string vehicleMask = kLight; // of the class
};

using Validator = ReservationFixture;

TEST_F(Validator, WholeFiles) {
    const Shown readError = Stop(609, 610);
    auto maskError = [&](const std::string& text) { return Shown{Lang(605), Lang(606) + text}; };
    auto presenceError = [&](const std::string& key, const std::string& section) {
        return maskError(" \"Veicoli_Leggeri.msk\" " + Lang(607) + " \"" + key + "\" " + Lang(608) +
                         " [" + section + "].");
    };
    auto missing = [&](const std::string& name) {
        return Shown{Lang(605), Lang(703) + " \"" + name + "\""};
    };
    const Row rows[] = {
        {kValid, true},
        {"[Ultima]\nEsito=A\n[Dati]\nCodice=12345\nTarga=ZZ999\n[Pren]\nNota="
         "\nNumero=123456\n"
         "[Proto]\nVersione=100\n",
         true},
        // The line count first: blank lines count, empty lines do not (comments and extra
        // lines: the demos).
        {kValid + " \n", false},
        {kValid + "\n\n", true},
        {R("Nota=x\n", ""), false},
        {"", false},
        // Mask lines that are no keys, and sections without keys, expect nothing.
        {kValid, true, {}, 0, kAcceptance + std::string("; nota\nsenza uguale\n[Vuota]\n")},
        // Headers and keys exactly as written.
        {R("[Pren]", "(Pren]"), false},
        {R("[Pren]", "[Pren)"), false},
        // A key is searched below its header up to a line with "[" and no "=";
        // running off the end is a reading failure.
        {R("Nota=x\n", "") + "Nota=x\n", false},
        {R("Esito=R", "Esiti=R"), false, {readError}},
        {R("Esito=R", "Esito [R"), false},
        {R("Esito=R", "[Es=ito]"), false, {readError}},
        // Value lines: no blanks at their ends (a trailing one: the demos) and no tab, even
        // where the mask ignores them.
        {R("Nota=x", "Nota= x"), false},
        {R("Nota=x", "Nota=a\tb"), false},
        {R("Nota=x", "Nota=a b=c"), true},
        // "#" is dropped in the vehicle mask only.
        {R("Esito=R", "Esito=#R"), true},
        {R("Numero=000001", "Numero=#000001"), false},
        // The class picks the mask, and the bus its extra section.
        {kHeavyValid, true, {}, 1, kAcceptance, kHeavy},
        {kBus, true, {}, 2, kAcceptance, kHeavy},
        // Broken masks: the first one reached ends the run, named in its own
        // form, even after invalid values; numbers that cannot be read are a
        // reading failure.
        {kValid,
         false,
         {presenceError("Codice", "Dati")},
         0,
         kAcceptance,
         Edit(kLight, "Codice=N", "Codice=X")},
        {R("Numero=000001", "Numero=1"),
         false,
         {presenceError("Esito", "Ultima")},
         0,
         kAcceptance,
         Edit(kLight, "Esito=N,E", "Esito=X,E")},
        {kValid,
         false,
         {maskError(" Accettazione.msk " + Lang(607) + " 'Numero' " + Lang(608) + " 'Pren'.")},
         0,
         Edit(kAcceptance, "Numero=N,N", "Numero=N,Q"),
         Edit(kLight, "Esito=N", "Esito=X")},
        {kValid, false, {readError}, 0, kAcceptance, Edit(kLight, "Codice=N,C,5", "Codice=N,S,x")},
        {R("Codice=#12345", "Codice="),
         true,
         {},
         0,
         kAcceptance,
         Edit(kLight, "Codice=N,C,5", "Codice=O,S,x")},
        {kValid, false, {missing("Veicoli_Leggeri.msk")}, 0, kAcceptance, "; nothing\n"},
        {kValid, false, {missing("Accettazione.msk")}, 0, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.acc);
        WriteFile(root + "/Accettazione.msk", Crlf(r.acceptanceMask));
        WriteFile(root + (r.vehicleClass ? "/Veicoli_Pesanti.msk" : "/Veicoli_Leggeri.msk"),
                  Crlf(r.vehicleMask));
        fs.messages.shown.clear();
        WriteFile(acc + "26000001.ACC", Crlf(r.acc));
        EXPECT_EQ(ValidateReservation(s, acc + "26000001.ACC", r.vehicleClass), r.valid);
        EXPECT_EQ(Messages(), r.messages);
    }
}

// Each kind of failed check gives its reason; a run that goes on after one
// collects them all in order.
TEST_F(Validator, RefusalReasons) {
    using enum RefusalRule;
    auto esito = [](const std::string& d) { return Edit(kLight, "Esito=N,E,1,1", "Esito=" + d); };
    const std::string leggeri = "Veicoli_Leggeri.msk: ";
    struct Reasons {
        std::optional<std::string> acc; // none: no file
        std::vector<Refusal> want;
        std::string vehicleMask = kLight;
    };
    const Reasons rows[] = {
        {{}, {{{}, "", "", "", Unreadable, ""}}},
        {kValid, {{{}, "", "", "", MaskMissing, "Veicoli_Leggeri.msk"}}, ""},
        {kValid + "Extra=1\n", {{{}, "", "", "", LineCount, "11 lines, the masks expect 10"}}},
        {R("[Pren]", "[pren]"), {{{}, "Pren", "", "", MissingSection, ""}}},
        {R("Numero=", "numero="), {{{}, "Pren", "Numero", "", MissingKey, ""}}},
        {R("Esito=R", "Esiti=R"), {{{}, "Ultima", "Esito", "", KeyPastEnd, ""}}},
        {Edit(R("Nota=x", "Nota=x "), "Numero=000001", "Numero=1"),
         {{{}, "Pren", "Numero", "1", Length, "Accettazione.msk: N,N,6,6"},
          {{}, "Pren", "Nota", "x ", Blank, ""}}},
        {R("Numero=000001", "Numero="),
         {{{}, "Pren", "Numero", "", Empty, "Accettazione.msk: N,N,6,6"}}},
        {R("Numero=000001", "Numero=00000x"),
         {{{}, "Pren", "Numero", "00000x", Number, "Accettazione.msk: N,N,6,6"}}},
        {R("Targa=AB123CD", "Targa=AB-23CD"),
         {{{}, "Dati", "Targa", "AB-23CD", Characters, leggeri + "N,S,8,5,[A-Z],[0-9]"}}},
        {R("Versione=100", "Versione=101"),
         {{{}, "Proto", "Versione", "101", Choice, "Accettazione.msk: N,S,3,3,100"}}},
        {R("Esito=R", "Esito=r"), {{{}, "Ultima", "Esito", "r", Outcome, leggeri + "N,E,1,1"}}},
        {kValid, {{{}, "Ultima", "Esito", "R", Date, leggeri + "N,D,8,8"}}, esito("N,D,8,8")},
        {kValid, {{{}, "Ultima", "Esito", "R", Time, leggeri + "N,H,6,6"}}, esito("N,H,6,6")},
        {kValid, {{{}, "Ultima", "Esito", "R", YesNo, leggeri + "N,L,1,1"}}, esito("N,L,1,1")},
        {kValid,
         {{{}, "Ultima", "Esito", "R", MaskDefinition, leggeri + "N,Q,1,1"}},
         esito("N,Q,1,1")},
        {kValid,
         {{{}, "Ultima", "Esito", "R", MaskPresence, leggeri + "X,E,1,1"}},
         esito("X,E,1,1")},
        {kValid,
         {{{}, "Ultima", "Esito", "R", MaskNumbers, leggeri + "N,E,x,1"}},
         esito("N,E,x,1")},
    };
    const std::string path = acc + "26000001.ACC";
    for (const Reasons& r : rows) {
        WriteFile(root + "/Accettazione.msk", Crlf(kAcceptance));
        WriteFile(root + "/Veicoli_Leggeri.msk", Crlf(r.vehicleMask));
        std::filesystem::remove(path);
        if (r.acc)
            WriteFile(path, Crlf(*r.acc));
        std::vector<Refusal> want = r.want;
        for (Refusal& w : want)
            w.file = path;
        std::vector<Refusal> got;
        EXPECT_FALSE(ValidateReservation(s, path, 0, &got));
        EXPECT_EQ(got, want);
    }
}

} // namespace
} // namespace heliotab::testing_reservation
