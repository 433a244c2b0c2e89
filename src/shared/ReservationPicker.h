// What the main window's reservation list remembers between events: the file
// behind each item, and the guards of a selection in progress.
#pragma once

#include <string>
#include <vector>

namespace heliotab {

struct ReservationPicker {
    std::vector<std::string> AccFiles{""}; // AccFiles[i] is item i; [0] is the placeholder
    bool bArrowKeyDown = false;            // arrows browse the list; only a click or Enter loads
    bool validating = false;               // a load runs (its wait window lets events in)
};

} // namespace heliotab
