// The result of one headlight test: thirty texts named by the keys of the
// result file's section [ProvaFari], declared in the order they are written.
#pragma once

#include <array>
#include <string>

namespace heliotab {

struct FarResult {
    std::string Marca, Tipo, NumOmologa, NumSerie, NumVersioneSoftware, DataScadenza;
    std::string AltezzaAnab, TipoAnab;
    std::string VertAnabDx, VertAnabSx, VertAbbDx, VertAbbSx;
    std::string OrizzAnabDx, OrizzAnabSx, OrizzAbbDx, OrizzAbbSx;
    std::string IllumLuxAnabDx, IllumLuxAnabSx, IllumLuxAbbDx, IllumLuxAbbSx;
    std::string EsitoIllumLuxAnabDx, EsitoIllumLuxAnabSx, EsitoIllumLuxAbbDx, EsitoIllumLuxAbbSx;
    std::string Esito, CodErrore;
    std::string DataMisura, InizioMisura, FineMisura, Operatore;
    bool operator==(const FarResult&) const = default;
};

struct FarResultKey {
    const char* key;
    std::string FarResult::*field;
};

// The thirty keys in file order.
inline constexpr std::array<FarResultKey, 30> kFarResultKeys{{
    {"Marca", &FarResult::Marca},
    {"Tipo", &FarResult::Tipo},
    {"NumOmologa", &FarResult::NumOmologa},
    {"NumSerie", &FarResult::NumSerie},
    {"NumVersioneSoftware", &FarResult::NumVersioneSoftware},
    {"DataScadenza", &FarResult::DataScadenza},
    {"AltezzaAnab", &FarResult::AltezzaAnab},
    {"TipoAnab", &FarResult::TipoAnab},
    {"VertAnabDx", &FarResult::VertAnabDx},
    {"VertAnabSx", &FarResult::VertAnabSx},
    {"VertAbbDx", &FarResult::VertAbbDx},
    {"VertAbbSx", &FarResult::VertAbbSx},
    {"OrizzAnabDx", &FarResult::OrizzAnabDx},
    {"OrizzAnabSx", &FarResult::OrizzAnabSx},
    {"OrizzAbbDx", &FarResult::OrizzAbbDx},
    {"OrizzAbbSx", &FarResult::OrizzAbbSx},
    {"IllumLuxAnabDx", &FarResult::IllumLuxAnabDx},
    {"IllumLuxAnabSx", &FarResult::IllumLuxAnabSx},
    {"IllumLuxAbbDx", &FarResult::IllumLuxAbbDx},
    {"IllumLuxAbbSx", &FarResult::IllumLuxAbbSx},
    {"EsitoIllumLuxAnabDx", &FarResult::EsitoIllumLuxAnabDx},
    {"EsitoIllumLuxAnabSx", &FarResult::EsitoIllumLuxAnabSx},
    {"EsitoIllumLuxAbbDx", &FarResult::EsitoIllumLuxAbbDx},
    {"EsitoIllumLuxAbbSx", &FarResult::EsitoIllumLuxAbbSx},
    {"Esito", &FarResult::Esito},
    {"CodErrore", &FarResult::CodErrore},
    {"DataMisura", &FarResult::DataMisura},
    {"InizioMisura", &FarResult::InizioMisura},
    {"FineMisura", &FarResult::FineMisura},
    {"Operatore", &FarResult::Operatore},
}};

} // namespace heliotab
