// PLACEHOLDER (development only): replaced by the reservation subsystem.
#include "reservation/ReservationList.h"
#include "reservation/Selection.h"
#include "reservation/Validator.h"
namespace heliotab {
void RebuildReservationList(Station&) {}
void OnComboClick(Station&) {}
int OnComboKeyDown(Station&, int vk) { return vk; }
void OnComboKeyUp(Station&) {}
bool ValidateReservation(Station&, const std::string&, int) { return false; }
}
