// The mask validator and the selection's pre-check on arbitrary masks and
// reservations. Byte 0 picks the vehicle class; the rest is split at NULs into
// the three masks and the reservation. No crash, hang or
// sanitizer report; True never comes with a message, False with at most one.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "fakes/Fakes.h"
#include "fakes/TempDir.h"
#include "reservation/Selection.h"
#include "reservation/Validator.h"
#include "shared/FileSystems.h"

using namespace heliotab;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = "/dev/shm/heliotab-fuzz-validator-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    if (size == 0)
        return 0;
    const int vehicleClass = data[0] % 3;
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const char* name : {"/Accettazione.msk", "/Veicoli_Leggeri.msk", "/Veicoli_Pesanti.msk"}) {
        const size_t nul = std::min(rest.find('\0'), rest.size());
        testutil::WriteFile(dir + name, rest.substr(0, nul));
        rest.erase(0, nul + 1);
    }
    testutil::WriteFile(dir + "/26000001.ACC", rest);
    fakes::FakeStation fs(DefaultFileSystem());
    fs.state.programDir = dir;
    const bool valid = ValidateReservation(fs.station, dir + "/26000001.ACC", vehicleClass);
    const int preCheck = ReservationPreCheck(rest, fs.clock.Now());
    if (fs.messages.shown.size() > (valid ? 0u : 1u) || preCheck < -1 || preCheck > 2)
        std::abort();
    return 0;
}
