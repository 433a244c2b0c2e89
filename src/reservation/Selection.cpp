// Choosing a reservation: pre-checks on the reservation's own keys, the mask
// validation behind the wait window, then the armed state. Browsing with the
// keys only moves the highlight; Enter (or F7) or a mouse choice loads.
#include "reservation/Selection.h"

#include "journal/Journal.h"
#include "reservation/IniText.h"
#include "reservation/Reservation.h"
#include "reservation/Validator.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "app/WindowLook.h"
#include "shared/AsciiText.h"
#include "shared/DateText.h"
#include "shared/JoinPath.h"

namespace heliotab {

namespace {

enum : int { kVkReturn = 13, kVkUp = 38, kVkDown = 40, kVkF5 = 116, kVkF6 = 117, kVkF7 = 118 };

std::string ReadText(Station& s, const std::string& path) {
    std::string text;
    if (s.files.ReadAll(path, text) != FileStatus::Ok)
        text.clear();
    return text;
}

} // namespace

int ReservationPreCheck(std::string_view contents, const LocalTime& now, Refusal* why) {
    const IniText ini(contents);
    auto value = [&](const char* section, const char* key) { return ini.Value(section, key); };
    // -1, with the failed check in why when asked for.
    auto refuse = [&](RefusalRule rule, const char* section, const char* key,
                      const std::string& detail) {
        if (why)
            *why = {"", section, key, value(section, key), rule, detail};
        return -1;
    };
    const std::string today = FormatDdMmYyyy(now);
    const char* protocol = "IdentificazioneProtocollo";
    if (value(protocol, "Versione") != "100")
        return refuse(RefusalRule::Protocol, protocol, "Versione", "expected 100");
    if (value(protocol, "Data") != "02111999")
        return refuse(RefusalRule::Protocol, protocol, "Data", "expected 02111999");
    if (value("Prenotazione", "DataAccettazione") != today)
        return refuse(RefusalRule::AcceptanceDate, "Prenotazione", "DataAccettazione",
                      "today " + today);
    const std::string controlli = value("Vis_IdentificazioneVeicolo", "DataControlli");
    if (!controlli.empty() && controlli != today)
        return refuse(RefusalRule::InspectionDate, "Vis_IdentificazioneVeicolo", "DataControlli",
                      "today " + today);

    // Booked no later than today: yyyymmdd compared as digits of equal length.
    const std::string booked = value("Prenotazione", "DataPrenotazione");
    if (booked.size() != 8 || !AllDigits(booked) ||
        booked.substr(4, 4) + booked.substr(2, 2) + booked.substr(0, 2) > FormatYyyyMmDd(now))
        return refuse(RefusalRule::BookingDate, "Prenotazione", "DataPrenotazione",
                      "today " + today);

    const int vehicleClass = VehicleClassOf(value("DatiLibrettoVeicolo", "TipoVeicolo"),
                                            value("DatiLibrettoVeicolo", "DescrizioneVeicolo"));
    if (vehicleClass < 0)
        return refuse(RefusalRule::VehicleType, "DatiLibrettoVeicolo", "TipoVeicolo",
                      "expected LEGGERO or PESANTE");
    return vehicleClass;
}

namespace {

// The operator is told only that the reservation is not valid; the journal
// keeps which checks it failed, for whoever has to answer for it later.
void Reject(Station& s, const std::string& file, std::vector<Refusal> reasons) {
    s.journal.Add("REFUSED", file);
    for (Refusal& why : reasons) {
        why.file = file;
        s.journal.Add("REASON", RefusalText(why));
    }
    s.messages.ShowMessage(GetLangString(s.state, kTextBadReservationText),
                           GetLangString(s.state, kTextBadReservationTitle), kStyleStop);
    s.view.SelectComboIndex(0);
}

void Arm(Station& s, const std::string& file) {
    AppState& st = s.state;
    ShowArmedLook(s);

    st.SelectedAccFile = file;
    st.ReservationIni.SetIniFile(JoinPath(st.AccDirectory, st.SelectedAccFile));

    const IniText ini(ReadText(s, st.ReservationIni.IniFile()));
    s.view.SetVehicleLabel(0, ini.Value("DatiLibrettoVeicolo", "Fabbrica"));
    s.view.SetVehicleLabel(1, ini.Value("DatiLibrettoVeicolo", "Tipo"));
    s.view.SetVehicleLabel(2, ini.Value("DatiLibrettoVeicolo", "Targa"));
    s.view.SetOperatorLabel(ini.Value("Prenotazione", "Operatore"));
    st.bTestArmed = true;
}

void LoadReservation(Station& s, int index) {
    AppState& st = s.state;
    const std::string file = s.picker.AccFiles[static_cast<size_t>(index)];
    const std::string path = JoinPath(st.AccDirectory, file);

    int vehicleClass = -1;
    Refusal why;
    if (!file.empty())
        vehicleClass = ReservationPreCheck(ReadText(s, path), s.clock.Now(), &why);
    if (vehicleClass < 0) {
        Reject(s, file, file.empty() ? std::vector<Refusal>{} : std::vector<Refusal>{why});
        return;
    }

    s.view.ShowValidateWindow(GetLangString(st, kTextValidateCaption),
                              GetLangString(st, kTextValidateText));
    s.pump.DoEvents();
    std::vector<Refusal> reasons;
    const bool valid = ValidateReservation(s, path, vehicleClass, &reasons);
    s.view.HideValidateWindow();
    s.pump.DoEvents();

    if (!valid) {
        Reject(s, file, reasons);
        return;
    }
    Arm(s, file);
}

} // namespace

void OnComboClick(Station& s) {
    ReservationPicker& picker = s.picker;
    // A load already running (its wait window and messages let events in)
    // or an armed test: a further click must not start another.
    if (picker.bArrowKeyDown || picker.validating || s.state.bTestArmed)
        return;
    const int index = s.view.ComboIndex();
    if (index <= 0 || index >= static_cast<int>(picker.AccFiles.size()))
        return;

    picker.validating = true;
    LoadReservation(s, index);
    picker.validating = false;
}

int OnComboKeyDown(Station& s, int virtualKey) {
    switch (virtualKey) {
    case kVkF5:
    case kVkUp:
        s.picker.bArrowKeyDown = true;
        return kVkUp;
    case kVkF6:
    case kVkDown:
        s.picker.bArrowKeyDown = true;
        return kVkDown;
    case kVkF7:
    case kVkReturn:
        OnComboClick(s);
        return kVkReturn;
    default:
        return virtualKey;
    }
}

void OnComboKeyUp(Station& s) {
    s.picker.bArrowKeyDown = false;
}

} // namespace heliotab
