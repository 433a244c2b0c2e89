// ValidateReservation on whole files against small test masks: line count,
// section and key search, line rules, and the messages of broken masks.
#include "ReservationFixture.h"
#include "reservation/Validator.h"

using namespace heliotab;
using namespace heliotab::testing_reservation;

namespace {

const char* kAcceptance = "[Proto]\nVersione=N,S,3,3,100\n[Pren]\nNumero=N,N,6,6\nNota=I,S,20\n";
const char* kLight = "[Dati]\nTarga=N,S,8,5,[A-Z],[0-9]\nCodice=N,C,5\n[Ultima]\nEsito=N,E,1,1\n";
const char* kHeavy = "[Dati]\nTarga=N,S,8,5,[A-Z],[0-9]\n[Vis_CtrlSupplBus]\nUscite=N,L,1,1\n";
// "#" is dropped in a vehicle section.
const std::string kValid = "[Proto]\nVersione=100\n\n[Pren]\nNumero=000001\nNota=x\n[Dati]\nTarga="
                           "AB123CD\nCodice=#12345\n[Ultima]\nEsito=R\n";

// A mask file ("A" or "L") edited: `from` replaced by `to`; no `from`: removed, or replaced whole
// by `to` when set.
struct MaskEdit {
    const char *file, *from, *to;
};
// `msg`: "{id}" stands for that language text; "" for no message.
struct Row {
    std::string acc;
    std::vector<MaskEdit> masks;
    int vehicleClass;
    bool ok;
    std::string msg;
    bool crlf = true;
};

} // namespace

using Validator = ReservationFixture;

TEST_F(Validator, WholeFilesAndMissingOnes) {
    auto R = [](const std::string& from, const std::string& to) { return Edit(kValid, from, to); };
    auto Expand = [&](std::string msg) {
        for (size_t at; (at = msg.find('{')) != std::string::npos;)
            msg.replace(at, 5, Lang(std::stoi(msg.substr(at + 1, 3))));
        return msg;
    };
    const std::string heavy =
        "[Proto]\nVersione=100\n[Pren]\nNumero=000001\nNota=\n[Dati]\nTarga=AB123CD\n";
    const std::string bus = heavy + "[Vis_CtrlSupplBus]\nUscite=S\n";
    std::string binary, crOnly = kValid;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    for (char& c : crOnly)
        c = c == '\n' ? '\r' : c;
    const std::string read = "{610}", presence = "{606} \"Veicoli_Leggeri.msk\" {607} \"";
    const Row rows[] = {
        {kValid, {}, 0, true, ""},
        // The line count comes first: comments, extra keys and blank lines count, empty lines do
        // not.
        {R("", "; commento\n"), {}, 0, false, ""},
        {R("", "Extra=1\n"), {}, 0, false, ""},
        {R("Nota=x\n", ""), {}, 0, false, ""},
        {R("", "\n\n"), {}, 0, true, ""},
        {R("", " \n"), {}, 0, false, ""},
        // Mask lines that are no keys add no line to expect.
        {kValid, {{"A", "", "; nota\nriga senza uguale\n[Vuota]\nsolo testo\n"}}, 0, true, ""},
        {"[Ultima]\nEsito=A\n[Dati]\nCodice=12345\nTarga=ZZ999\n[Pren]\nNota=\nNumero=123456\n["
         "Proto]\nVersione=100\n",
         {},
         0,
         true,
         ""},
        // Headers and keys exactly as written; a key missing from the last section is a reading
        // failure.
        {R("[Pren]", "[pren]"), {}, 0, false, ""},
        {R("[Pren]", "[Pren] "), {}, 0, false, ""},
        {R("[Pren]", " [Pren]"), {}, 0, false, ""},
        {R("Numero=", "Numerus="), {}, 0, false, ""},
        {R("Esito=R", "Esiti=R"), {}, 0, false, read},
        {R("Numero=", "numero="), {}, 0, false, ""},
        {R("Numero=", "Numero ="), {}, 0, false, ""},
        // Value lines: no blanks at the ends or tabs even when ignored; "#" only in vehicle
        // sections.
        {R("Nota=x", "Nota=x "), {}, 0, false, ""},
        {R("Nota=x", "Nota= x"), {}, 0, false, ""},
        {R("Nota=x", "Nota=a\tb"), {}, 0, false, ""},
        {R("Nota=x", "Nota=a b=c"), {}, 0, true, ""},
        {R("Esito=R", "Esito=#R"), {}, 0, true, ""},
        {R("Numero=000001", "Numero=#00001"), {}, 0, false, ""},
        // The class picks the mask, and the bus its extra section.
        {heavy, {}, 1, true, ""},
        {bus, {}, 1, false, ""},
        {bus, {}, 2, true, ""},
        {heavy, {}, 2, false, ""},
        {heavy, {}, 0, false, ""},
        // Broken masks: the first one reached is named, in its own form, even after invalid values.
        {kValid,
         {{"L", "Codice=N,C,5", "Codice=X,C,5"}},
         0,
         false,
         presence + "Codice\" {608} [Dati]."},
        {kValid,
         {{"A", "Numero=N,N,6,6", "Numero=N,C,10,5"}, {"L", "Esito=N,E,1,1", "Esito=N,Q,1,1"}},
         0,
         false,
         "{606} Accettazione.msk {607} 'Numero' {608} 'Pren'."},
        {R("Numero=000001", "Numero=1"),
         {{"L", "Esito=N,E,1,1", "Esito=X"}},
         0,
         false,
         presence + "Esito\" {608} [Ultima]."},
        {kValid, {{"L", "Codice=N,C,5", "Codice=N,S,abc"}}, 0, false, read},
        {kValid, {{"L", "Codice=N,C,5", "Codice=N,S,5,x"}}, 0, false, read},
        {kValid, {{"L", "Codice=N,C,5", "Codice=N,S,6,1,[9-0]"}}, 0, false, read},
        {R("Codice=#12345", "Codice="), {{"L", "Codice=N,C,5", "Codice=O,S,abc"}}, 0, true, ""},
        {kValid, {{"L", nullptr, nullptr}}, 0, false, "{703} \"Veicoli_Leggeri.msk\""},
        {"", {{"A", nullptr, "; nothing here\n"}}, 0, false, "{703} \"Accettazione.msk\""},
        // The key search ends at a line with "[" and no "=".
        {R("Nota=x\n", "").replace(R("Nota=x\n", "").find("Targa="), 0, "Nota=x\n"),
         {},
         0,
         false,
         ""},
        {R("Esito=R", "Esito [R"), {}, 0, false, ""},
        {R("Esito=R", "[Es=ito]"), {}, 0, false, read},
        // Bad input of any kind: a clear answer.
        {"", {}, 0, false, ""},
        {binary, {}, 0, false, "", false},
        {std::string(1 << 20, 'A'), {}, 0, false, "", false},
        {"[Proto]\n" + std::string(1 << 20, '=') + "\n", {}, 0, false, ""},
        {R("Nota=x", "Nota=\xE8\xFF\x80 "), {}, 0, false, ""},
        {R("Nota=x", "Nota=\xE8\xFF\x80"), {}, 0, true, ""},
        {R("AB123CD", "AB123\xC7"), {}, 0, false, ""},
        {std::string(400000, '\n') + kValid, {}, 0, true, ""},
        {kValid, {}, 0, true, "", false},
        {crOnly, {}, 0, true, "", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.acc.substr(0, 200) + " / " + r.msg);
        WriteMask("Accettazione.msk", kAcceptance), WriteMask("Veicoli_Leggeri.msk", kLight),
            WriteMask("Veicoli_Pesanti.msk", kHeavy);
        for (const MaskEdit& e : r.masks) {
            const std::string name = *e.file == 'A' ? "Accettazione.msk" : "Veicoli_Leggeri.msk";
            const char* base = *e.file == 'A' ? kAcceptance : kLight;
            if (!e.from && !e.to)
                std::filesystem::remove(root + "/" + name);
            else
                WriteMask(name, e.from ? Edit(base, e.from, e.to) : e.to);
        }
        fs.messages.shown.clear();
        const std::string path = WriteAcc("26000001.ACC", r.crlf ? Crlf(r.acc) : r.acc);
        EXPECT_EQ(ValidateReservation(s, path, r.vehicleClass), r.ok);
        EXPECT_EQ(ReadFile(path), r.crlf ? Crlf(r.acc) : r.acc)
            << "the reservation is never changed";
        EXPECT_EQ(fs.pump.doEvents, 0); // searched in memory, nothing pumped
        if (r.msg.empty()) {
            EXPECT_TRUE(fs.messages.shown.empty());
            continue;
        }
        ASSERT_EQ(fs.messages.shown.size(), 1u);
        const fakes::ShownMessage& m = fs.messages.shown[0];
        EXPECT_EQ(m.text + "|" + m.title + "|" + std::to_string(m.style),
                  Expand(r.msg) + "|" + Lang(r.msg == read ? 609 : 605) + "|16");
    }
    // A reservation that vanished, or a folder in its place, is a reading failure.
    std::filesystem::create_directory(acc + "26000009.ACC");
    for (const char* name : {"26999999.ACC", "26000009.ACC"}) {
        fs.messages.shown.clear();
        EXPECT_FALSE(ValidateReservation(s, acc + name, 0));
        EXPECT_EQ(fs.messages.shown.size() == 1
                      ? fs.messages.shown[0].text + "|" + fs.messages.shown[0].title
                      : "?",
                  Lang(610) + "|" + Lang(609));
    }
}
