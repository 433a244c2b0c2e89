// ValidateReservation on whole files against small test masks: line count,
// section and key search, line rules, and the two kinds of own messages.
#include "ReservationFixture.h"
#include "reservation/Validator.h"

using namespace heliotab;
using namespace heliotab::testing_reservation;

namespace {

const char* kAcceptance =
    "[Proto]\n"
    "Versione=N,S,3,3,100\n"
    "[Pren]\n"
    "Numero=N,N,6,6\n"
    "Nota=I,S,20\n";
const char* kLight =
    "[Dati]\n"
    "Targa=N,S,8,5,[A-Z],[0-9]\n"
    "Codice=N,C,5\n"
    "[Ultima]\n"
    "Esito=N,E,1,1\n";
const char* kHeavy =
    "[Dati]\n"
    "Targa=N,S,8,5,[A-Z],[0-9]\n"
    "[Vis_CtrlSupplBus]\n"
    "Uscite=N,L,1,1\n";

const char* kValidLight =
    "[Proto]\n"
    "Versione=100\n"
    "\n"
    "[Pren]\n"
    "Numero=000001\n"
    "Nota=x\n"
    "[Dati]\n"
    "Targa=AB123CD\n"
    "Codice=#12345\n"  // "#" dropped in a vehicle section
    "[Ultima]\n"
    "Esito=R\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class Validator : public ReservationFixture {
protected:
    void SetUp() override {
        ReservationFixture::SetUp();
        WriteMask("Accettazione.msk", kAcceptance);
        WriteMask("Veicoli_Leggeri.msk", kLight);
        WriteMask("Veicoli_Pesanti.msk", kHeavy);
        light = kValidLight;
    }
    bool Check(const std::string& text, int vehicleClass = 0, bool crlf = true) {
        const std::string path = WriteAcc("26000001.ACC", crlf ? Crlf(text) : text);
        const bool ok = ValidateReservation(s, path, vehicleClass);
        EXPECT_TRUE(std::filesystem::exists(NativePath(path))) << "the reservation must never be deleted";
        return ok;
    }
    std::string light;
};

}  // namespace

TEST_F(Validator, ValidFileAndNoMessages) {
    EXPECT_TRUE(Check(light));
    EXPECT_TRUE(fs.messages.shown.empty());
    EXPECT_EQ(fs.pump.doEvents, 0);  // searched in memory, nothing pumped
}

TEST_F(Validator, LineCountComesFirst) {
    EXPECT_FALSE(Check(light + "; commento\n"));
    EXPECT_FALSE(Check(light + "Extra=1\n"));
    EXPECT_FALSE(Check(Replace(light, "Nota=x\n", "")));
    EXPECT_TRUE(Check(light + "\n\n"));     // empty lines are allowed anywhere
    EXPECT_FALSE(Check(light + " \n"));     // a line of blanks counts
    EXPECT_TRUE(fs.messages.shown.empty());
}

// The masks are read as the profile functions read them: a comment or a
// line without "=" is no key, so it adds no line to expect.
TEST_F(Validator, MaskLinesThatAreNoKeysAreNotExpected) {
    WriteMask("Accettazione.msk", std::string(kAcceptance) + "; nota\nriga senza uguale\n[Vuota]\nsolo testo\n");
    EXPECT_TRUE(Check(light));
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, OrderOfSectionsAndKeysIsFree) {
    const std::string swapped =
        "[Ultima]\nEsito=A\n[Dati]\nCodice=12345\nTarga=ZZ999\n[Pren]\nNota=\nNumero=123456\n[Proto]\nVersione=100\n";
    EXPECT_TRUE(Check(swapped));
}

TEST_F(Validator, HeadersAreMatchedExactly) {
    EXPECT_FALSE(Check(Replace(light, "[Pren]", "[pren]")));
    EXPECT_FALSE(Check(Replace(light, "[Pren]", "[Pren] ")));
    EXPECT_FALSE(Check(Replace(light, "[Pren]", " [Pren]")));
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, ReplacedKeyInnerSectionIsInvalidLastSectionIsAReadingFailure) {
    EXPECT_FALSE(Check(Replace(light, "Numero=", "Numerus=")));
    EXPECT_TRUE(fs.messages.shown.empty());

    EXPECT_FALSE(Check(Replace(light, "Esito=R", "Esiti=R")));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text, Lang(610));
    EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
    EXPECT_EQ(fs.messages.shown[0].style, 16);
}

TEST_F(Validator, KeysAreCaseSensitiveAndUntrimmed) {
    EXPECT_FALSE(Check(Replace(light, "Numero=", "numero=")));
    EXPECT_FALSE(Check(Replace(light, "Numero=", "Numero =")));
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, ValueLineRulesEvenForIgnoredFields) {
    EXPECT_FALSE(Check(Replace(light, "Nota=x", "Nota=x ")));
    EXPECT_FALSE(Check(Replace(light, "Nota=x", "Nota= x")));
    EXPECT_FALSE(Check(Replace(light, "Nota=x", "Nota=a\tb")));
    EXPECT_TRUE(Check(Replace(light, "Nota=x", "Nota=a b=c")));  // the value is everything after the first "="
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, HashRuleOnlyInVehicleSections) {
    EXPECT_TRUE(Check(Replace(light, "Esito=R", "Esito=#R")));
    EXPECT_FALSE(Check(Replace(light, "Numero=000001", "Numero=#00001")));
}

TEST_F(Validator, VehicleClassesAndTheBusSection) {
    const std::string heavy = "[Proto]\nVersione=100\n[Pren]\nNumero=000001\nNota=\n[Dati]\nTarga=AB123CD\n";
    const std::string bus = heavy + "[Vis_CtrlSupplBus]\nUscite=S\n";
    EXPECT_TRUE(Check(heavy, 1));
    EXPECT_FALSE(Check(bus, 1));
    EXPECT_TRUE(Check(bus, 2));
    EXPECT_FALSE(Check(heavy, 2));
    EXPECT_FALSE(Check(heavy, 0));  // the light mask is not the heavy one
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, PresenceFormMessage) {
    WriteMask("Veicoli_Leggeri.msk", Replace(kLight, "Codice=N,C,5", "Codice=X,C,5"));
    EXPECT_FALSE(Check(light));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text,
              Lang(606) + " \"Veicoli_Leggeri.msk\" " + Lang(607) + " \"Codice\" " + Lang(608) + " [Dati].");
    EXPECT_EQ(fs.messages.shown[0].title, Lang(605));
    EXPECT_EQ(fs.messages.shown[0].style, 16);
}

TEST_F(Validator, StandardFormMessageAndTheRunEndsThere) {
    // Two broken descriptors: only the first one reached is reported.
    WriteMask("Accettazione.msk", Replace(Replace(kAcceptance, "Numero=N,N,6,6", "Numero=N,C,10,5"),
                                          "Versione=N,S,3,3,100", "Versione=N,S,3,3,100"));
    WriteMask("Veicoli_Leggeri.msk", Replace(kLight, "Esito=N,E,1,1", "Esito=N,Q,1,1"));
    EXPECT_FALSE(Check(light));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text,
              Lang(606) + " Accettazione.msk " + Lang(607) + " 'Numero' " + Lang(608) + " 'Pren'.");
    EXPECT_EQ(fs.messages.shown[0].title, Lang(605));
    EXPECT_EQ(fs.messages.shown[0].style, 16);
}

TEST_F(Validator, MaskErrorAfterInvalidValuesStillReported) {
    WriteMask("Veicoli_Leggeri.msk", Replace(kLight, "Esito=N,E,1,1", "Esito=X"));
    EXPECT_FALSE(Check(Replace(light, "Numero=000001", "Numero=1")));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text,
              Lang(606) + " \"Veicoli_Leggeri.msk\" " + Lang(607) + " \"Esito\" " + Lang(608) + " [Ultima].");
}

TEST_F(Validator, RunTimeFailuresOfTheMask) {
    const char* descriptors[] = {"Codice=N,S,abc", "Codice=N,S,5,x", "Codice=N,S,99999999999999999999",
                                 "Codice=N,S,5,99999999999999999999", "Codice=N,S,6,1,[9-0]"};
    for (const char* d : descriptors) {
        fs.messages.shown.clear();
        WriteMask("Veicoli_Leggeri.msk", Replace(kLight, "Codice=N,C,5", d));
        EXPECT_FALSE(Check(light)) << d;
        ASSERT_EQ(fs.messages.shown.size(), 1u) << d;
        EXPECT_EQ(fs.messages.shown[0].text, Lang(610));
        EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
    }
    // Optional with an empty value: the numbers are never read.
    fs.messages.shown.clear();
    WriteMask("Veicoli_Leggeri.msk", Replace(kLight, "Codice=N,C,5", "Codice=O,S,abc"));
    EXPECT_TRUE(Check(Replace(light, "Codice=#12345", "Codice=")));
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, KeySearchStopsAtALineWithBracketAndNoEquals) {
    // Nota moved into the next section: the search for it ends at "[Dati]".
    EXPECT_FALSE(Check(Replace(Replace(light, "Nota=x\n", ""), "Targa=", "Nota=x\nTarga=")));
    // In the last section a stray "[" line ends the search before the end of
    // the file: the key is missing, which is no reading failure.
    EXPECT_FALSE(Check(Replace(light, "Esito=R", "Esito [R")));
    EXPECT_TRUE(fs.messages.shown.empty());
    // A header with "=" in it does not stop the search.
    EXPECT_FALSE(Check(Replace(light, "Esito=R", "[Es=ito]")));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
}

TEST_F(Validator, MissingOrEmptyMasksAreNamed) {
    std::filesystem::remove(root + "/Veicoli_Leggeri.msk");
    EXPECT_FALSE(Check(light));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text, Lang(703) + " \"Veicoli_Leggeri.msk\"");
    EXPECT_EQ(fs.messages.shown[0].title, Lang(605));

    fs.messages.shown.clear();
    WriteMask("Accettazione.msk", "; nothing here\n");
    EXPECT_FALSE(Check(""));  // an empty reservation against empty masks is no success
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text, Lang(703) + " \"Accettazione.msk\"");
}

TEST_F(Validator, VanishedReservationIsAReadingFailure) {
    EXPECT_FALSE(ValidateReservation(s, fs.state.AccDirectory + "26999999.ACC", 0));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].text, Lang(610));
    EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
}

TEST_F(Validator, BadInputGivesAClearResult) {
    EXPECT_FALSE(Check(""));
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    EXPECT_FALSE(Check(binary, 0, false));
    EXPECT_FALSE(Check(std::string(10 * 1024 * 1024, 'A'), 0, false));
    EXPECT_FALSE(Check("[Proto]\n" + std::string(10 * 1024 * 1024, '=') + "\n"));
    EXPECT_FALSE(Check(Replace(light, "Nota=x", "Nota=\xE8\xFF\x80 ") ));
    EXPECT_TRUE(Check(Replace(light, "Nota=x", "Nota=\xE8\xFF\x80")));
    EXPECT_FALSE(Check(Replace(light, "AB123CD", "AB123\xC7")));
    // Millions of empty lines are allowed and cost no memory per line.
    EXPECT_TRUE(Check(std::string(4000000, '\n') + light));
    // Line ends other than CR LF still give lines.
    EXPECT_TRUE(Check(light, 0, false));
    std::string crOnly = light;
    for (char& c : crOnly)
        if (c == '\n') c = '\r';
    EXPECT_TRUE(Check(crOnly, 0, false));
    EXPECT_TRUE(fs.messages.shown.empty());
}

TEST_F(Validator, AFolderInsteadOfAFile) {
    std::filesystem::create_directory(NativePath(fs.state.AccDirectory + "26000009.ACC"));
    EXPECT_FALSE(ValidateReservation(s, fs.state.AccDirectory + "26000009.ACC", 0));
    ASSERT_EQ(fs.messages.shown.size(), 1u);
    EXPECT_EQ(fs.messages.shown[0].title, Lang(609));
}
