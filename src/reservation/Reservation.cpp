#include "reservation/Reservation.h"

#include "shared/AsciiText.h"

namespace heliotab {

int VehicleClassOf(std::string_view tipo, std::string_view descrizione) {
    if (tipo == "LEGGERO")
        return 0;
    if (tipo == "PESANTE")
        return descrizione == "AUTOBUS" ? 2 : 1;
    return -1;
}

const char* VehicleMaskName(int vehicleClass) {
    return vehicleClass != 0 ? kMaskHeavy : kMaskLight;
}

bool IsReservationFileName(std::string_view name, std::string_view yy) {
    const size_t dot = name.rfind('.');
    if (dot != 8)
        return false;
    if (UpperAscii(std::string(name.substr(dot + 1))) != "ACC")
        return false;
    if (name.substr(0, 2) != yy)
        return false;
    for (size_t i = 2; i < 8; ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

} // namespace heliotab
