// demogen <exchange-dir> [--date ddmmyyyy]
// Writes the day's demonstration reservations (valid ones of each vehicle
// class and invalid ones, each spoilt in one way) into the exchange
// directory, and lists them with what is wrong with each.
#include <cstdio>
#include <ctime>
#include <string>

#include "reservation/DemoReservations.h"
#include "reservation/FieldRules.h"

using namespace heliotab;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: demogen <exchange-dir> [--date ddmmyyyy]\n");
    return 2;
}

bool WriteFile(const std::string& path, const std::string& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4)
        return Usage();
    std::string dir = argv[1];
    LocalTime day;
    if (argc == 4) {
        const std::string opt = argv[2], date = argv[3];
        if (opt != "--date" || !IsRealDate(date))
            return Usage();
        day.day = std::stoi(date.substr(0, 2));
        day.month = std::stoi(date.substr(2, 2));
        day.year = std::stoi(date.substr(4, 4));
    } else {
        const std::time_t now = std::time(nullptr);
        // One thread: the plain localtime (MinGW has no localtime_r), so the
        // Windows build can ship it for training stations.
        const std::tm tm = *std::localtime(&now);
        day.year = tm.tm_year + 1900;
        day.month = tm.tm_mon + 1;
        day.day = tm.tm_mday;
    }
    if (dir.empty())
        return Usage();
    if (dir.back() != '/')
        dir += '/';

    int failures = 0;
    for (const DemoReservation& r : BuildDemoReservations(day)) {
        const std::string path = dir + r.fileName;
        if (!WriteFile(path, r.contents)) {
            std::fprintf(stderr, "demogen: cannot write %s\n", path.c_str());
            ++failures;
            continue;
        }
        const char* kind = r.stage == DemoStage::Valid ? "valid  " : "invalid";
        std::printf("%s  %s  %s\n", r.fileName.c_str(), kind, r.reason.c_str());
    }
    return failures ? 1 : 0;
}
