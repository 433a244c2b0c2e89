// Texts of Language.ini by numeric id, in the section of the current language.
#include "settings/Language.h"

#include "settings/LanguageIds.h"

#include <string>

namespace heliotab {

namespace {

// A Tag part as an id: decimal digits only (blanks around them allowed),
// in the 16-bit range; anything else is no id.
int TagNumber(const std::string& part) {
    size_t b = 0, e = part.size();
    while (b < e && part[b] == ' ')
        ++b;
    while (e > b && part[e - 1] == ' ')
        --e;
    if (b == e)
        return -1;
    int value = 0;
    for (size_t i = b; i < e; ++i) {
        if (part[i] < '0' || part[i] > '9')
            return -1;
        value = value * 10 + (part[i] - '0');
        if (value > 32767)
            return -1;
    }
    return value;
}

} // namespace

std::string LangValue(AppState& st, const std::string& key) {
    return st.LanguageIni.ReadString(st.sLanguage, key, kNoResource);
}

std::string GetLangString(AppState& st, int id) {
    std::string text = LangValue(st, std::to_string(id));
    size_t p = text.find("\\n");
    while (p != std::string::npos) {
        text.replace(p, 2, "\r\n");
        p = text.find("\\n", p + 2);
    }
    return text;
}

TagIds ParseTag(const std::string& tag) {
    TagIds ids;
    const size_t comma = tag.find(',');
    if (comma == std::string::npos) {
        ids.caption = TagNumber(tag);
        return ids;
    }
    if (comma + 1 < tag.size())
        ids.tooltip = TagNumber(tag.substr(comma + 1));
    if (comma > 0)
        ids.caption = TagNumber(tag.substr(0, comma));
    return ids;
}

std::string TrayTipText(AppState& st) {
    return LangValue(st, std::to_string(kTextAppCaption)) + " (" + kAppTitle + ")";
}

} // namespace heliotab
