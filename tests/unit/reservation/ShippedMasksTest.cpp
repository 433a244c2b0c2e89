// The masks we ship against the demo reservations: every valid demo passes,
// every invalid one fails where it is meant to fail.
#include <set>

#include "ReservationFixture.h"
#include "reservation/DemoReservations.h"
#include "reservation/IniText.h"
#include "reservation/MaskField.h"
#include "reservation/Selection.h"
#include "reservation/Reservation.h"
#include "reservation/Validator.h"
#include "shared/DateText.h"

using namespace heliotab;
using namespace heliotab::testing_reservation;

namespace {

class ShippedMasks : public ReservationFixture {
protected:
    void SetUp() override {
        ReservationFixture::SetUp();
        InstallShippedMasks();
    }
    IniText Mask(const char* name) { return IniText(ReadBytes(root + "/" + name)); }
};

}  // namespace

TEST_F(ShippedMasks, DemosValidateAsIntended) {
    for (const LocalTime day : {LocalTime{2026, 12, 5}, LocalTime{2024, 2, 29}, LocalTime{2027, 1, 1}}) {
        fs.clock.Set(day.year, day.month, day.day);
        for (const DemoReservation& d : BuildDemoReservations(day)) {
            SCOPED_TRACE(d.reason);
            fs.messages.shown.clear();
            EXPECT_EQ(d.fileName.size(), 12u);
            EXPECT_EQ(d.fileName.substr(0, 2), FormatYy(day));
            const std::string path = WriteAcc(d.fileName, d.contents);
            const int preCheck = ReservationPreCheck(d.contents, day);
            switch (d.stage) {
            case DemoStage::Valid:
                EXPECT_EQ(preCheck, d.vehicleClass);
                EXPECT_TRUE(ValidateReservation(s, path, d.vehicleClass));
                break;
            case DemoStage::Mask:
                EXPECT_EQ(preCheck, d.vehicleClass);
                EXPECT_FALSE(ValidateReservation(s, path, d.vehicleClass));
                break;
            case DemoStage::PreCheck:
                EXPECT_EQ(preCheck, -1);
                break;
            }
            EXPECT_TRUE(fs.messages.shown.empty());
            EXPECT_EQ(d.contents.find('\n') - 1, d.contents.find('\r'));  // CR LF
        }
    }
}

TEST_F(ShippedMasks, UseEveryCodeAndHoldTheKeysTheProgramReads) {
    std::set<std::string> presence, types;
    bool literalChoice = false, classChoice = false;
    for (const char* name : {"Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"}) {
        const std::string bytes = ReadBytes(root + "/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        for (size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << name << " must use CR LF";
        const IniText ini = Mask(name);
        for (const std::string& section : ini.SectionNames())
            for (const std::string& key : ini.KeyNames(section)) {
                const MaskField f = ParseDescriptor(ini.Value(section, key));
                presence.insert(f.Presence);
                types.insert(f.FieldType);
                for (const std::string& c : f.Choices) {
                    CharClass cls;
                    (ParseCharClass(c, cls) ? classChoice : literalChoice) = true;
                }
            }
    }
    EXPECT_EQ(presence, (std::set<std::string>{"I", "O", "N"}));
    EXPECT_EQ(types, (std::set<std::string>{"S", "C", "N", "D", "H", "E", "L"}));
    EXPECT_TRUE(literalChoice);
    EXPECT_TRUE(classChoice);

    const IniText acc = Mask("Accettazione.msk");
    EXPECT_EQ(acc.Value("IdentificazioneProtocollo", "Versione"), "N,S,3,3,100");
    for (const char* key : {"Data", "DataAccettazione", "DataPrenotazione", "Operatore"})
        EXPECT_FALSE(acc.Value(key == std::string("Data") ? "IdentificazioneProtocollo" : "Prenotazione", key).empty())
            << key;
    for (const char* name : {"Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"}) {
        const IniText veh = Mask(name);
        EXPECT_EQ(veh.Value("Vis_IdentificazioneVeicolo", "DataControlli"), "O,D,8,8") << name;
        for (const char* key : {"TipoVeicolo", "DescrizioneVeicolo", "Fabbrica", "Tipo", "Targa"})
            EXPECT_FALSE(veh.Value("DatiLibrettoVeicolo", key).empty()) << name << " " << key;
    }
    EXPECT_FALSE(Mask("Veicoli_Pesanti.msk").KeyNames("Vis_CtrlSupplBus").empty());
    EXPECT_TRUE(Mask("Veicoli_Leggeri.msk").KeyNames("Vis_CtrlSupplBus").empty());
}
