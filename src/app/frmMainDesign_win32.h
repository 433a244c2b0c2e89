// The main window's designed arrangement: sizes at 96 dpi and the tables
// that tie its controls to their commands and language Tags.
#pragma once

#include <windows.h>

#include "win32/ApplyLanguage_win32.h"
#include "res/resource.h"
#include "shared/Platform.h"

namespace heliotab::main_design {

// Designed sizes in pixels at 96 dpi.
constexpr int kClientWidth = 780;
constexpr int kLogoWidth = 48;
constexpr int kMargin = 12;
constexpr int kFrameTop = 28;  // frame caption band
constexpr int kRowHeight = 40; // tall enough for the whole side-logo caption
constexpr int kCaptionWidth = 112;
constexpr int kValueHeight = 22;
constexpr int kComboWidth = 260;
constexpr int kComboListWidth = 440; // the open list: room for long model names
constexpr int kPanelTime = 3, kPanelDate = 2;

constexpr TagEntry kControlTags[] = {
    {IDC_MAIN_LBL_REVISIONE, "302"},
    {IDC_MAIN_CBO_REVISIONE, ",304"},
    {IDC_MAIN_FRA_VEHICLE, "305"},
    {IDC_MAIN_LBL_AUTO_MARCA, "306"},
    {IDC_MAIN_LBL_AUTO_MODELLO, "307"},
    {IDC_MAIN_LBL_AUTO_TARGA, "308"},
    {IDC_MAIN_FRA_FAR, "309"},
    {IDC_MAIN_LBL_APP_MARCA, "310"},
    {IDC_MAIN_LBL_APP_MODELLO, "311"},
    {IDC_MAIN_LBL_APP_OMOLOGAZIONE, "312"},
    {IDC_MAIN_LBL_APP_NSERIE, "313"},
    {IDC_MAIN_LBL_APP_VERSIONE, "314"},
    {IDC_MAIN_LBL_APP_SCADENZA, "315"},
    {IDC_MAIN_FRA_OPERATOR, "316"},
    {IDC_MAIN_LBL_NOME_OPERATORE, "317"},
};

struct ButtonDef {
    Button key;
    int command;
    const char* caption; // the button's key, shown beside its image
    const char* tag;
};
constexpr ButtonDef kButtons[] = {
    {Button::Test, IDC_MAIN_TB_TEST, "Test", ",321"},
    {Button::Ferma, IDC_MAIN_TB_FERMA, "Ferma", ",325"},
    {Button::Opzioni, IDC_MAIN_TB_OPZIONI, "Opzioni", ",322"},
    {Button::Info, IDC_MAIN_TB_INFO, "Info", ",323"},
    {Button::Esci, IDC_MAIN_TB_ESCI, "Esci", ",324"},
};

struct PanelDef {
    int index;
    const char* tag;
};
constexpr PanelDef kPanels[] = {{0, ",340"}, {1, ",341"}}; // Stato, PortaCOM

} // namespace heliotab::main_design
