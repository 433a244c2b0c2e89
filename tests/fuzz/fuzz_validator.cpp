// libFuzzer target: the mask validator and the selection's pre-check on
// arbitrary masks and reservations.
// Input: byte 0 picks the vehicle class (mod 3); the rest is split at NUL
// bytes into the acceptance mask, the vehicle mask and the reservation.
// Invariant: no crash, no hang, no sanitizer report; a True result never
// comes with a message, and a message always comes with False.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "fakes/Fakes.h"
#include "reservation/Selection.h"
#include "reservation/Validator.h"

using namespace heliotab;

namespace {

// The three files in memory: the fuzzer should spend its time in the
// validator, not in the file system.
class MemoryFiles : public FileSystem {
public:
    std::map<std::string, std::string> files;
    std::vector<std::string> ListFiles(const std::string&, const std::string&) override { return {}; }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    FileStatus ReadAll(const std::string& path, std::string& contents) override {
        auto it = files.find(path);
        if (it == files.end()) return FileStatus::NotFound;
        contents = it->second;
        return FileStatus::Ok;
    }
    FileStatus Delete(const std::string&) override { std::abort(); }  // the validator never deletes
    FileStatus CopyAndFlush(const std::string&, const std::string&) override { std::abort(); }
    FileStatus Replace(const std::string&, const std::string&) override { std::abort(); }
    FileStatus WriteNew(const std::string&, const std::string&) override { std::abort(); }
};

std::string_view NextPart(std::string_view& rest) {
    const size_t nul = rest.find('\0');
    std::string_view part = rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int vehicleClass = data[0] % 3;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string_view acceptance = NextPart(rest);
    const std::string_view vehicle = NextPart(rest);
    const std::string_view reservation = rest;

    MemoryFiles files;
    fakes::FakeStation fs(files);
    fs.state.programDir = "C:\\HELIOTAB";
    files.files["C:\\HELIOTAB\\Accettazione.msk"] = std::string(acceptance);
    files.files[vehicleClass == 0 ? "C:\\HELIOTAB\\Veicoli_Leggeri.msk" : "C:\\HELIOTAB\\Veicoli_Pesanti.msk"] =
        std::string(vehicle);
    files.files["C:\\MCTC\\DIR_FAR\\26000001.ACC"] = std::string(reservation);

    const bool valid = ValidateReservation(fs.station, "C:\\MCTC\\DIR_FAR\\26000001.ACC", vehicleClass);
    if (valid && !fs.messages.shown.empty()) std::abort();
    if (fs.messages.shown.size() > 1) std::abort();

    const int preCheck = ReservationPreCheck(reservation, fs.clock.Now());
    if (preCheck < -1 || preCheck > 2) std::abort();
    return 0;
}
