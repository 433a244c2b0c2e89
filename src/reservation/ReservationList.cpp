// cboRevisione's list, rebuilt from the exchange directory each time it
// drops down. Nothing is validated here: a bad file is listed and rejected
// only when chosen. Each file is read through a reader of its own, so a
// rebuild never re-points ReservationIni (the reservation of a test).
#include "reservation/ReservationList.h"

#include "reservation/IniText.h"
#include "reservation/Reservation.h"
#include "settings/Language.h"
#include "settings/LanguageIds.h"
#include "shared/DateText.h"
#include "shared/JoinPath.h"

namespace heliotab {

namespace {

std::string ItemText(Station& s, const std::string& path) {
    std::string text;
    if (s.files.ReadAll(path, text) != FileStatus::Ok)
        text.clear();
    const IniText ini(text);
    std::string item(1, ' ');
    item += ini.Value("DatiLibrettoVeicolo", "Fabbrica");
    item += " - ";
    item += ini.Value("DatiLibrettoVeicolo", "Tipo");
    item += " - ";
    item += ini.Value("DatiLibrettoVeicolo", "Targa");
    return item;
}

} // namespace

void RebuildReservationList(Station& s) {
    AppState& st = s.state;
    s.view.ClearCombo();
    s.view.AddComboItem(GetLangString(st, kTextSelectReservation));
    s.picker.AccFiles.assign(1, std::string());

    const std::string yy = FormatYy(s.clock.Now());
    for (const std::string& name : s.files.ListFiles(st.AccDirectory, yy + "*.ACC")) {
        if (!IsReservationFileName(name, yy))
            continue;
        s.view.AddComboItem(ItemText(s, JoinPath(st.AccDirectory, name)));
        s.picker.AccFiles.push_back(name);
    }
}

} // namespace heliotab
