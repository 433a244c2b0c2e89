// Where one result goes: the reservation it answers, the .FAR the booking
// software collects, the partial name the copy is made under, and the
// temporary file in the program folder.
#pragma once

#include <string>

#include "shared/AppState.h"

namespace heliotab {

// The name the finished copy has in the exchange directory until it is
// renamed onto the .FAR: the booking software collects *.FAR only, and
// "FA$" is a valid 8.3 extension, so the short name does not match either.
inline constexpr const char* kPartialExtension = "FA$";

struct ResultPaths {
    std::string reservation; // empty when the test runs without one
    std::string result;      // ...\26000123.FAR or AccDirectory + "Test.FAR"
    std::string partial;     // ...\26000123.FA$
    std::string temp;        // programDir\26000123.TMP or programDir\Test.TMP
};

// With a reservation (SelectedAccFile not empty) the paths follow the file
// ReservationIni is bound to; without one, Test.FAR and Test.TMP.
ResultPaths ComputeResultPaths(const AppState& st);

} // namespace heliotab
