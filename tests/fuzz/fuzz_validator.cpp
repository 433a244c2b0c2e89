// The mask validator and the selection's pre-check on arbitrary masks and
// reservations. Byte 0 picks the vehicle class; the rest is split at NULs into
// the acceptance mask, the vehicle mask and the reservation. No crash, hang or
// sanitizer report; True never comes with a message, False with at most one.
#include <cstdlib>
#include <map>
#include <string>

#include "fakes/Fakes.h"
#include "reservation/Selection.h"
#include "reservation/Validator.h"

using namespace heliotab;

namespace {

// In memory, so that the time goes to the validator; it only reads.
struct MemoryFiles : FileSystem {
    std::map<std::string, std::string> files;
    std::vector<std::string> ListFiles(const std::string&, const std::string&) override { return {}; }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    FileStatus ReadAll(const std::string& path, std::string& contents) override {
        return files.count(path) ? (contents = files[path], FileStatus::Ok) : FileStatus::NotFound;
    }
    FileStatus Delete(const std::string&) override { std::abort(); }
    FileStatus CopyAndFlush(const std::string&, const std::string&) override { std::abort(); }
    FileStatus Replace(const std::string&, const std::string&) override { std::abort(); }
    FileStatus WriteNew(const std::string&, const std::string&) override { std::abort(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int vehicleClass = data[0] % 3;
    std::string parts[3], rest(reinterpret_cast<const char*>(data + 1), size - 1);
    for (int i = 0; i < 2; ++i) {
        const size_t nul = rest.find('\0');
        parts[i] = rest.substr(0, nul);
        rest = nul == std::string::npos ? "" : rest.substr(nul + 1);
    }
    MemoryFiles files;
    fakes::FakeStation fs(files);
    fs.state.programDir = "C:\\HELIOTAB";
    files.files["C:\\HELIOTAB\\Accettazione.msk"] = parts[0];
    files.files[vehicleClass == 0 ? "C:\\HELIOTAB\\Veicoli_Leggeri.msk" : "C:\\HELIOTAB\\Veicoli_Pesanti.msk"] = parts[1];
    files.files["C:\\MCTC\\DIR_FAR\\26000001.ACC"] = rest;
    const bool valid = ValidateReservation(fs.station, "C:\\MCTC\\DIR_FAR\\26000001.ACC", vehicleClass);
    if (fs.messages.shown.size() > (valid ? 0u : 1u)) std::abort();
    const int preCheck = ReservationPreCheck(rest, fs.clock.Now());
    if (preCheck < -1 || preCheck > 2) std::abort();
    return 0;
}
