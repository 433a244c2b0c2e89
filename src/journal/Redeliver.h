// /REDELIVER N: the newest archived copy of result N goes back to the
// exchange directory, the way the result writer hands a result over (a
// partial copy, then one rename), for a booking software that lost it. A
// result of that name already waiting there is never overwritten.
#pragma once

#include <string>

#include "shared/AppState.h"
#include "shared/Platform.h"

namespace heliotab {

class Journal;

enum class RedeliverOutcome { Done, NotFound, AlreadyThere, Failed };

struct Redelivery {
    RedeliverOutcome outcome = RedeliverOutcome::NotFound;
    std::string archived; // the copy sent, when one was found
    std::string result;   // the .FAR in the exchange directory
    FileStatus status = FileStatus::Ok;
};

// st's settings loaded: the program folder and the exchange directory.
Redelivery Redeliver(FileSystem& files, const AppState& st, const std::string& number);

// The whole switch: the copy, its journal line and the operator's message.
// Returns the exit code: 0 done, 1 not done.
int RunRedeliver(AppState& st, FileSystem& files, Journal& journal, Messages& messages,
                 const std::string& number);

} // namespace heliotab
