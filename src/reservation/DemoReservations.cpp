#include "reservation/DemoReservations.h"

#include <string_view>
#include <utility>

#include "reservation/Reservation.h"
#include "shared/DateText.h"

namespace heliotab {

namespace {

// A reservation as ordered sections of ordered key lines.
struct Doc {
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    std::vector<Section> sections;
    std::vector<std::string> extraLines; // appended verbatim

    Section& Add(const std::string& name) {
        sections.push_back({name, {}});
        return sections.back();
    }
    Section* Find(std::string_view name) {
        for (Section& s : sections)
            if (s.name == name)
                return &s;
        return nullptr;
    }
    void Set(std::string_view section, std::string_view key, const std::string& value) {
        for (auto& kv : Find(section)->keys)
            if (kv.first == key)
                kv.second = value;
    }
    void RemoveKey(std::string_view section, std::string_view key) {
        auto& keys = Find(section)->keys;
        for (auto it = keys.begin(); it != keys.end(); ++it)
            if (it->first == key) {
                keys.erase(it);
                return;
            }
    }
    void RemoveSection(std::string_view name) {
        for (auto it = sections.begin(); it != sections.end(); ++it)
            if (it->name == name) {
                sections.erase(it);
                return;
            }
    }
    std::string Render() const {
        std::string out;
        for (const Section& s : sections) {
            out += "[" + s.name + "]\r\n";
            for (const auto& [k, v] : s.keys)
                out += k + "=" + v + "\r\n";
            out += "\r\n";
        }
        for (const std::string& l : extraLines)
            out += l + "\r\n";
        return out;
    }
};

void Put(Doc::Section& s, std::initializer_list<std::pair<const char*, std::string>> keys) {
    for (const auto& [k, v] : keys)
        s.keys.emplace_back(k, v);
}

LocalTime AddDays(LocalTime t, int days) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    auto monthDays = [](int y, int m) {
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return m == 2 && leap ? 29 : kDays[m - 1];
    };
    for (; days > 0; --days)
        if (++t.day > monthDays(t.year, t.month)) {
            t.day = 1;
            if (++t.month > 12)
                t.month = 1, ++t.year;
        }
    for (; days < 0; ++days)
        if (--t.day < 1) {
            if (--t.month < 1)
                t.month = 12, --t.year;
            t.day = monthDays(t.year, t.month);
        }
    return t;
}

// Inspection items, all found in order ("R").
void Checks(Doc::Section& s, std::initializer_list<const char*> keys) {
    for (const char* k : keys)
        s.keys.emplace_back(k, "R");
}

// A complete, valid reservation of the class, accepted and booked as given.
Doc BaseDoc(const LocalTime& today, int vehicleClass) {
    const std::string d = FormatDdMmYyyy(today);
    Doc doc;
    Put(doc.Add("IdentificazioneProtocollo"), {{"Versione", "100"}, {"Data", "02111999"}});
    Put(doc.Add("Prenotazione"),
        {{"NumeroPrenotazione", "004711"},
         {"DataPrenotazione", FormatDdMmYyyy(AddDays(today, -6))},
         {"OraPrenotazione", "101500"},
         {"DataAccettazione", d},
         {"OraAccettazione", "083000"},
         {"Operatore", "ROSSI MARIO"},
         {"CodiceOperatore", "OP0042"},
         {"TipoPratica", "R"},
         {"RevisioneStraordinaria", "N"},
         {"ImportoTariffa", "79.02"},
         {"ProtocolloPagamento", "PG/" + std::to_string(today.year) + "-004711"},
         {"Note", ""}});
    Put(doc.Add("DatiCentro"), {{"CodiceCentro", "MI012345"},
                                {"Denominazione", "CENTRO REVISIONI LAMBRO SRL"},
                                {"Provincia", "MI"},
                                {"Linea", "1"},
                                {"ResponsabileTecnico", "BIANCHI LUCA"}});
    Put(doc.Add("Vis_IdentificazioneVeicolo"), {{"Telaio", "ZFA31200000123456"},
                                                {"TelaioConforme", "S"},
                                                {"DataControlli", ""},
                                                {"OraControlli", ""},
                                                {"Chilometri", "#84512"},
                                                {"DataUltimaRevisione", "14032024"},
                                                {"EsitoUltimaRevisione", "R"},
                                                {"TargaConforme", "S"}});
    Put(doc.Add("DatiLibrettoVeicolo"), {{"TipoVeicolo", "LEGGERO"},
                                         {"DescrizioneVeicolo", "AUTOVETTURA"},
                                         {"Fabbrica", "FIAT"},
                                         {"Tipo", "PANDA"},
                                         {"Targa", "FX123AB"},
                                         {"DataImmatricolazione", "21062016"},
                                         {"AnnoCostruzione", "2016"},
                                         {"NumeroOmologazione", "e3*2007/46*0064"},
                                         {"Alimentazione", "B"},
                                         {"Cilindrata", "1242"},
                                         {"PotenzaKW", "51.0"},
                                         {"MassaComplessiva", "1420"},
                                         {"Tara", "940"},
                                         {"NumeroPosti", "5"},
                                         {"NumeroAssi", "2"},
                                         {"Pneumatici", "175/65 R14 82T"},
                                         {"Colore", "GRIGIO"},
                                         {"Uso", "PROPRIO"}});
    Put(doc.Add("DatiIntestatario"), {{"Cognome", "VERDI"},
                                      {"Nome", "ANNA"},
                                      {"CodiceFiscale", "VRDNNA80A41F205X"},
                                      {"Comune", "MILANO"},
                                      {"Provincia", "MI"},
                                      {"CAP", "20121"}});
    Doc::Section& freni = doc.Add("Vis_CtrlFreni");
    Checks(freni, {"StatoPedale", "CorsaPedale", "ServofrenoPompa", "TubazioniRigide",
                   "TubazioniFlessibili", "GuarnizioniPastiglie", "TamburiDischi", "CaviTiranti",
                   "CilindriPinze", "Ripartitore", "FrenoStazionamento", "ABS"});
    Put(freni, {{"EfficienzaServizio", "68"},
                {"EfficienzaStazionamento", "24"},
                {"EfficienzaSoccorso", ""},
                {"SquilibrioAsse1", "12"},
                {"SquilibrioAsse2", "18"},
                {"EsitoFreni", "R"}});
    Checks(doc.Add("Vis_CtrlSterzo"), {"StatoMeccanico", "ScatolaGuida", "Tiranteria",
                                       "GiocoVolante", "Servosterzo", "Piantone", "EsitoSterzo"});
    Checks(doc.Add("Vis_CtrlVisibilita"), {"CampoVisivo", "Parabrezza", "Specchietti",
                                           "Tergicristallo", "Lavacristallo", "EsitoVisibilita"});
    Doc::Section& luci = doc.Add("Vis_CtrlLuci");
    Checks(luci, {"ProiettoriAnabbaglianti", "ProiettoriAbbaglianti", "Orientamento",
                  "LuciPosizione", "LuciArresto", "Indicatori", "LuciEmergenza", "Retronebbia",
                  "LuceTarga", "Catadiottri"});
    Put(luci, {{"IntensitaAnabbagliante", "18.5"}, {"EsitoLuci", "R"}});
    Doc::Section& assi = doc.Add("Vis_CtrlAssiRuote");
    Checks(assi, {"Assi", "Ruote", "Pneumatici", "Sospensioni", "Ammortizzatori"});
    Put(assi, {{"ProfonditaBattistrada", "4.5"}, {"EsitoAssiRuote", "R"}});
    Checks(doc.Add("Vis_CtrlTelaio"), {"Telaio", "Carrozzeria", "ScaricoSilenziatore", "Serbatoio",
                                       "Paraurti", "EsitoTelaio"});
    Put(doc.Add("Vis_CtrlInquinamento"), {{"Rumorosita", "78"},
                                          {"OpacitaFumi", ""},
                                          {"CO", "0.12"},
                                          {"Lambda", "1.002"},
                                          {"EsitoInquinamento", "R"}});
    Put(doc.Add("Vis_Esito"),
        {{"EsitoComplessivo", "R"}, {"DataEsito", ""}, {"Ispettore", ""}, {"Osservazioni", ""}});
    Doc::Section& altri = doc.Add("Vis_CtrlAltriEquipaggiamenti");
    Checks(altri, {"CintureSicurezza", "AncoraggiCinture", "Airbag", "Sedili", "Avvisatore",
                   "Tachimetro", "Contachilometri", "SpieCruscotto", "Estintore",
                   "TriangoloEmergenza", "Porte", "EsitoEquipaggiamenti"});
    if (vehicleClass == 0)
        return doc;

    doc.Set("DatiLibrettoVeicolo", "TipoVeicolo", "PESANTE");
    doc.Set("DatiLibrettoVeicolo", "Alimentazione", "D");
    doc.Set("DatiLibrettoVeicolo", "NumeroAssi", "2");
    doc.Set("Vis_CtrlInquinamento", "OpacitaFumi", "0.85");
    doc.Set("Vis_CtrlInquinamento", "CO", "");
    doc.Set("Vis_CtrlInquinamento", "Lambda", "");
    Put(doc.Add("Vis_CtrlTachigrafo"), {{"TachigrafoPresente", "S"},
                                        {"TipoTachigrafo", "D"},
                                        {"MatricolaTachigrafo", "SE5000-123456"},
                                        {"DataTaratura", "02092025"},
                                        {"Sigilli", "R"},
                                        {"EsitoTachigrafo", "R"}});
    Put(doc.Add("Vis_CtrlLimitatore"), {{"LimitatorePresente", "S"},
                                        {"VelocitaTarata", "90"},
                                        {"DataVerificaLimitatore", "02092025"},
                                        {"EsitoLimitatore", "R"}});
    if (vehicleClass == 1) {
        doc.Set("Vis_IdentificazioneVeicolo", "Telaio", "ZCFA1EJ0302567891");
        doc.Set("DatiLibrettoVeicolo", "DescrizioneVeicolo", "AUTOCARRO");
        doc.Set("DatiLibrettoVeicolo", "Fabbrica", "IVECO");
        doc.Set("DatiLibrettoVeicolo", "Tipo", "EUROCARGO 120E25");
        doc.Set("DatiLibrettoVeicolo", "Targa", "EZ456KL");
        doc.Set("DatiLibrettoVeicolo", "Cilindrata", "5880");
        doc.Set("DatiLibrettoVeicolo", "PotenzaKW", "185.0");
        doc.Set("DatiLibrettoVeicolo", "MassaComplessiva", "12000");
        doc.Set("DatiLibrettoVeicolo", "Tara", "5400");
        doc.Set("DatiLibrettoVeicolo", "NumeroPosti", "3");
        doc.Set("DatiLibrettoVeicolo", "Pneumatici", "265/70 R19.5");
        return doc;
    }
    doc.Set("Vis_IdentificazioneVeicolo", "Telaio", "VNESFR4D000012345");
    doc.Set("DatiLibrettoVeicolo", "DescrizioneVeicolo", "AUTOBUS");
    doc.Set("DatiLibrettoVeicolo", "Fabbrica", "IRISBUS");
    doc.Set("DatiLibrettoVeicolo", "Tipo", "CROSSWAY 12M");
    doc.Set("DatiLibrettoVeicolo", "Targa", "FK789CD");
    doc.Set("DatiLibrettoVeicolo", "Cilindrata", "7790");
    doc.Set("DatiLibrettoVeicolo", "PotenzaKW", "243.0");
    doc.Set("DatiLibrettoVeicolo", "MassaComplessiva", "18000");
    doc.Set("DatiLibrettoVeicolo", "Tara", "11800");
    doc.Set("DatiLibrettoVeicolo", "NumeroPosti", "55");
    doc.Set("DatiLibrettoVeicolo", "Pneumatici", "295/80 R22.5");
    doc.Set("DatiLibrettoVeicolo", "Uso", "TERZI LINEA");
    Doc::Section& bus = doc.Add("Vis_CtrlSupplBus");
    Checks(bus, {"UsciteEmergenza", "MartellettiFrangivetro", "IlluminazioneInterna", "Corridoio",
                 "SediliPasseggeri", "CorrimanoManiglie", "PedanaAccesso", "DispositiviDisabili",
                 "Estintori", "CassettaPrimoSoccorso", "SegnalazioneFermata"});
    Put(bus, {{"PostiSeduti", "49"}, {"PostiInPiedi", "6"}, {"EsitoSupplBus", "R"}});
    return doc;
}

} // namespace

std::vector<DemoReservation> BuildDemoReservations(const LocalTime& today) {
    const std::string yy = FormatYy(today);
    std::vector<DemoReservation> out;
    int number = 101;
    auto add = [&](Doc doc, DemoStage stage, int vehicleClass, std::string reason) {
        DemoReservation r;
        r.fileName = yy + "000" + std::to_string(number++) + ".ACC";
        r.contents = doc.Render();
        r.stage = stage;
        r.vehicleClass = vehicleClass;
        r.reason = std::move(reason);
        out.push_back(std::move(r));
    };
    const std::string tomorrow = FormatDdMmYyyy(AddDays(today, 1));

    Doc light = BaseDoc(today, 0);
    light.Set("DatiLibrettoVeicolo", "Fabbrica",
              "CITRO\xCB"
              "N"); // 8-bit make, as the booking software writes it
    light.Set("DatiLibrettoVeicolo", "Tipo", "C3");
    light.Set("Vis_IdentificazioneVeicolo", "DataControlli", FormatDdMmYyyy(today));
    add(light, DemoStage::Valid, 0, "valid light vehicle");
    add(BaseDoc(today, 1), DemoStage::Valid, 1, "valid heavy vehicle");
    add(BaseDoc(today, 2), DemoStage::Valid, 2, "valid bus");

    number = 201;
    Doc d = BaseDoc(today, 0);
    d.Set("Prenotazione", "DataAccettazione", FormatDdMmYyyy(AddDays(today, -1)));
    add(d, DemoStage::PreCheck, 0, "accepted yesterday");

    d = BaseDoc(today, 0);
    d.Set("IdentificazioneProtocollo", "Versione", "101");
    add(d, DemoStage::PreCheck, 0, "wrong protocol version");

    d = BaseDoc(today, 0);
    d.Set("Prenotazione", "DataPrenotazione", tomorrow);
    add(d, DemoStage::PreCheck, 0, "booked for tomorrow");

    d = BaseDoc(today, 1);
    d.Set("Vis_IdentificazioneVeicolo", "DataControlli", tomorrow);
    add(d, DemoStage::PreCheck, 1, "inspection date tomorrow");

    d = BaseDoc(today, 0);
    d.Set("DatiLibrettoVeicolo", "TipoVeicolo", "leggero");
    add(d, DemoStage::PreCheck, -1, "vehicle type in lower case");

    d = BaseDoc(today, 0);
    d.RemoveKey("Prenotazione", "OraAccettazione");
    add(d, DemoStage::Mask, 0, "missing key OraAccettazione");

    d = BaseDoc(today, 0);
    d.Set("DatiLibrettoVeicolo", "Targa", "FX-123AB");
    add(d, DemoStage::Mask, 0, "bad plate characters");

    d = BaseDoc(today, 1);
    d.extraLines.push_back("; prenotazione inserita manualmente");
    add(d, DemoStage::Mask, 1, "extra comment line");

    d = BaseDoc(today, 2);
    d.RemoveSection("Vis_CtrlSupplBus");
    add(d, DemoStage::Mask, 2, "bus without Vis_CtrlSupplBus");

    d = BaseDoc(today, 2);
    d.Set("DatiLibrettoVeicolo", "DescrizioneVeicolo", "AUTOCARRO");
    add(d, DemoStage::Mask, 1, "heavy vehicle with Vis_CtrlSupplBus");

    d = BaseDoc(today, 0);
    d.Set("DatiLibrettoVeicolo", "DataImmatricolazione", "30022016");
    add(d, DemoStage::Mask, 0, "registration date 30 February");

    d = BaseDoc(today, 0);
    d.Set("DatiLibrettoVeicolo", "Colore", "GRIGIO ");
    add(d, DemoStage::Mask, 0, "trailing blank in a value");

    d = BaseDoc(today, 1);
    d.Set("Vis_CtrlLuci", "Orientamento", "r");
    add(d, DemoStage::Mask, 1, "check outcome in lower case");

    d = BaseDoc(today, 0);
    d.Set("Prenotazione", "OraAccettazione", "246000");
    add(d, DemoStage::Mask, 0, "acceptance time 24:60");

    return out;
}

} // namespace heliotab
