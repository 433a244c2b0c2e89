#include "reservation/Reservation.h"

#include <cstdio>

namespace heliotab {

int VehicleClassOf(std::string_view tipo, std::string_view descrizione) {
    if (tipo == "LEGGERO") return 0;
    if (tipo == "PESANTE") return descrizione == "AUTOBUS" ? 2 : 1;
    return -1;
}

const char* VehicleMaskName(int vehicleClass) { return vehicleClass != 0 ? kMaskHeavy : kMaskLight; }

bool IsReservationFileName(std::string_view name, std::string_view yy) {
    const size_t dot = name.rfind('.');
    if (dot != 8) return false;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (ext != "ACC") return false;
    if (name.substr(0, 2) != yy) return false;
    for (size_t i = 2; i < 8; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

namespace {
std::string Digits(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}
}  // namespace

std::string FormatDdMmYyyy(const LocalTime& t) { return Digits(t.day, 2) + Digits(t.month, 2) + Digits(t.year, 4); }
std::string FormatYyyyMmDd(const LocalTime& t) { return Digits(t.year, 4) + Digits(t.month, 2) + Digits(t.day, 2); }
std::string FormatYy(const LocalTime& t) { return Digits(((t.year % 100) + 100) % 100, 2); }

}  // namespace heliotab
