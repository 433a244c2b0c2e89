// Demonstration reservations for a given day: valid ones of each vehicle
// class and invalid ones, each spoilt in one named way. Used by demogen (the
// README's demo and the end-to-end tests) and checked against the shipped
// masks by the unit tests.
#pragma once

#include <string>
#include <vector>

#include "shared/Platform.h"

namespace heliotab {

// Where an invalid demo is caught.
enum class DemoStage {
    Valid,    // passes everything
    PreCheck, // rejected by the selection's own checks (the masks accept it)
    Mask,     // rejected by the mask validation
};

struct DemoReservation {
    std::string fileName; // yy + six digits + ".ACC"
    std::string contents; // Windows-1252, CR LF
    DemoStage stage = DemoStage::Valid;
    int vehicleClass = 0; // the class its TipoVeicolo/DescrizioneVeicolo give
    std::string reason;   // what is wrong with it, for the demo's listing
};

std::vector<DemoReservation> BuildDemoReservations(const LocalTime& today);

} // namespace heliotab
