#include "app/WindowLook.h"

#include "settings/LanguageIds.h"
#include "settings/Language.h"

namespace heliotab {

void ShowArmedLook(Station& s) {
    s.view.SetPanelText(Panel::Stato, GetLangString(s.state, kTextStateArmed));
    s.view.EnableButton(Button::Test, false);
    s.view.EnableButton(Button::Opzioni, false);
    s.view.EnableTrayOptions(false);
    s.view.EnableCombo(false);
    s.view.EnableButton(Button::Ferma, true);
}

void EnableIdleControls(Station& s) {
    s.view.EnableButton(Button::Ferma, false);
    s.view.EnableButton(Button::Test, true);
    s.view.EnableButton(Button::Opzioni, true);
    s.view.EnableTrayOptions(true);
    s.view.EnableCombo(true);
}

} // namespace heliotab
