#include "heliocheck/Heliocheck.h"

#include "reservation/IniText.h"
#include "reservation/Reservation.h"
#include "reservation/Selection.h"
#include "reservation/Validator.h"
#include "shared/AppState.h"
#include "shared/FileSystems.h"
#include "shared/JoinPath.h"

namespace heliotab::heliocheck {

namespace {

// Every message the validator shows stands for one of its refusals, which
// are printed instead: nothing waits for an answer here.
class NoMessages : public Messages {
public:
    int ShowMessage(const std::string&, const std::string&, int) override { return kAnswerOk; }
};

int UsageError(const std::string& error, std::string& err) {
    err += "heliocheck: " + error + "\n" + UsageText();
    return kExitUsage;
}

// The masks the station reads: each must be there with at least one section.
bool MasksReadable(FileSystem& files, const std::string& dir) {
    for (const char* name : {kMaskAcceptance, kMaskLight, kMaskHeavy}) {
        std::string text;
        if (files.ReadAll(JoinPath(dir, name), text) != FileStatus::Ok ||
            IniText(text).SectionNames().empty())
            return false;
    }
    return true;
}

// The failed checks of one file. After a failed pre-check the masks are
// applied all the same when the vehicle type names them, so one run lists
// every problem; the station would stop at the first.
std::vector<Refusal> CheckFile(AppState& st, FileSystem& files, const std::string& path,
                               const LocalTime& now) {
    std::string contents;
    if (files.ReadAll(path, contents) != FileStatus::Ok)
        return {{path, "", "", "", RefusalRule::Unreadable, ""}};
    std::vector<Refusal> refusals;
    Refusal why;
    int vehicleClass = ReservationPreCheck(contents, now, &why);
    if (vehicleClass < 0) {
        why.file = path;
        refusals.push_back(why);
        const IniText ini(contents);
        vehicleClass = VehicleClassOf(ini.Value("DatiLibrettoVeicolo", "TipoVeicolo"),
                                      ini.Value("DatiLibrettoVeicolo", "DescrizioneVeicolo"));
    }
    NoMessages messages;
    if (vehicleClass >= 0)
        ValidateReservation(st, files, messages, path, vehicleClass, &refusals);
    return refusals;
}

} // namespace

const char* UsageText() {
    return "usage: heliocheck [--masks DIR] FILE.ACC...\n"
           "Checks reservation files as the station does when one is chosen, against\n"
           "the masks in DIR (default: the folder of heliocheck itself) and today's date.\n"
           "Prints FILE: OK for each accepted file and one line for each failed check\n"
           "of a refused one: FILE: [section] key=\"value\": rule (detail).\n"
           "Exit code: 0 every file accepted, 1 a file refused, 2 bad usage or masks\n"
           "that cannot be read.\n";
}

int Run(const std::vector<std::string>& args, const std::string& programDir, const LocalTime& now,
        std::string& out, std::string& err) {
    std::string masks = programDir;
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out += UsageText();
            return kExitAccepted;
        }
        if (a == "--masks") {
            if (++i == args.size())
                return UsageError("--masks needs a folder", err);
            masks = args[i];
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError("unknown option " + a, err);
        } else {
            paths.push_back(a);
        }
    }
    if (paths.empty())
        return UsageError("no reservation files", err);
    FileSystem& files = DefaultFileSystem();
    if (!MasksReadable(files, masks))
        return UsageError("the masks in \"" + masks + "\" cannot be read", err);

    AppState st;
    st.programDir = masks;
    int exitCode = kExitAccepted;
    for (const std::string& path : paths) {
        const std::vector<Refusal> refusals = CheckFile(st, files, path, now);
        if (refusals.empty())
            out += path + ": OK\n";
        else
            exitCode = kExitRefused;
        for (const Refusal& r : refusals)
            out += RefusalText(r) + "\n";
    }
    return exitCode;
}

} // namespace heliotab::heliocheck
