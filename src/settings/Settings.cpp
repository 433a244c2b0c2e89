// HELIOTAB.ini at start-up: binding the stores, reading the settings,
// checking the language and the two write-backs.
#include "settings/Settings.h"

#include "settings/SettingsKeys.h"
#include "settings/WholeNumber.h"
#include "shared/AsciiText.h"

namespace heliotab {

namespace {

// Whether the list of NUL-terminated names holds exactly this name.
bool ListHoldsName(const std::string& list, const std::string& name) {
    size_t pos = 0;
    while (pos < list.size()) {
        size_t end = list.find('\0', pos);
        if (end == std::string::npos)
            end = list.size();
        if (list.compare(pos, end - pos, name) == 0 && end < list.size())
            return true;
        pos = end + 1;
    }
    return false;
}

} // namespace

void BindProgramStores(AppState& st) {
    st.LanguageIni.SetIniFile(JoinPath(st.programDir, kLanguageFileName));
    st.SettingsIni.SetIniFile(st.programDir + "\\" + kSettingsFileName);
}

bool ParseBoolean(const std::string& text, bool def) {
    const std::string t = TrimSpacesAndTabs(text);
    if (EqualsNoCase(t, "True"))
        return true;
    if (EqualsNoCase(t, "False"))
        return false;
    long v = 0;
    return ReadWholeNumber(t, v) ? v != 0 : def;
}

int ParsePort(const std::string& text, int def) {
    // A port number is a 16-bit integer and never negative ("-0" is still 0).
    long v = 0;
    return ReadWholeNumber(text, v) && v >= 0 && v <= 32767 ? static_cast<int>(v) : def;
}

void LoadSettings(AppState& st) {
    clsIniFiles& ini = st.SettingsIni;
    st.sLanguage = ini.ReadString(kSectionImpostazioni, kKeyLingua, kDefaultLanguage);
    st.bAlwaysOnTop =
        ParseBoolean(ini.ReadString(kSectionImpostazioni, kKeyPrimoPiano, "0"), false);
    st.bCloseAfterTest =
        ParseBoolean(ini.ReadString(kSectionImpostazioni, kKeyChiudiDopoTest, "0"), false);
    st.bCloseWithEsc =
        ParseBoolean(ini.ReadString(kSectionImpostazioni, kKeyChiudiConEsc, "1"), true);
    st.bPrintReport =
        ParseBoolean(ini.ReadString(kSectionImpostazioni, kKeyStampaReport, "0"), false);
    st.iSerialPort = ParsePort(ini.ReadString(kSectionImpostazioni, kKeyPortaSeriale, "0"), 0);

    // The language must be one of the sections of Language.ini, whole name
    // and exact case; otherwise Italian, remembered in the settings file.
    const std::string sections = st.LanguageIni.ReadString(std::nullopt, std::nullopt, "");
    if (!ListHoldsName(sections, st.sLanguage)) {
        st.sLanguage = kDefaultLanguage;
        ini.WriteString(kSectionImpostazioni, kKeyLingua, kDefaultLanguage);
    }

    st.AccDirectory = ini.ReadString(kSectionPercorsi, kKeyFilesAcc, "");
    if (st.AccDirectory.empty()) {
        st.AccDirectory = kDefaultAccDirectory;
        ini.WriteString(kSectionPercorsi, kKeyFilesAcc, kDefaultAccDirectory);
    }
}

} // namespace heliotab
