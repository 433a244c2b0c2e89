// Reservation files (*.ACC): names, the vehicle class, the masks beside the
// program and the keys the program reads itself.
#pragma once

#include <string>
#include <string_view>

#include "shared/Platform.h"

namespace heliotab {

inline constexpr const char* kMaskAcceptance = "Accettazione.msk";
inline constexpr const char* kMaskLight = "Veicoli_Leggeri.msk";
inline constexpr const char* kMaskHeavy = "Veicoli_Pesanti.msk";
inline constexpr const char* kSectionBus = "Vis_CtrlSupplBus";

// VehicleClass from DatiLibrettoVeicolo: 0 LEGGERO, 1 PESANTE, 2 PESANTE +
// AUTOBUS; -1 for any other TipoVeicolo (the reservation is rejected).
int VehicleClassOf(std::string_view tipoVeicolo, std::string_view descrizioneVeicolo);

// The vehicle mask of a class.
const char* VehicleMaskName(int vehicleClass);

// A listable reservation name: 8-character base name starting with yy,
// six digits after it, extension ACC in any case.
bool IsReservationFileName(std::string_view name, std::string_view yy);

} // namespace heliotab
