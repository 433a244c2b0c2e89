// Validation of one reservation against the shipped masks (and the share of
// it that is reading the files), and a list rebuild over 1,000 reservations.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fakes/Fakes.h"
#include "reservation/DemoReservations.h"
#include "reservation/ReservationList.h"
#include "reservation/Validator.h"
#include "shared/FileSystems.h"

using namespace heliotab;

namespace {

// The shipped masks, found from this file's own path (CMake compiles it by
// its absolute path), so the benchmark needs no extra build definitions.
std::string DataDir() {
    const std::string self = __FILE__;
    return self.substr(0, self.rfind("bench/")) + "data/";
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void WriteBytes(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
}

// A program folder with the shipped masks and an exchange folder.
struct Folder {
    Folder() {
        char tmpl[] = "/tmp/heliotab-bench-XXXXXX";
        if (!mkdtemp(tmpl))
            std::abort();
        root = tmpl;
        std::filesystem::create_directory(root + "/acc");
        for (const char* name : {"Accettazione.msk", "Veicoli_Leggeri.msk", "Veicoli_Pesanti.msk"})
            WriteBytes(root + "/" + name, ReadBytes(DataDir() + name));
    }
    ~Folder() { std::filesystem::remove_all(root); }
    std::string root;
};

const DemoReservation& Bus(const std::vector<DemoReservation>& demos) {
    for (const auto& d : demos)
        if (d.reason == "valid bus")
            return d;
    std::abort();
}

void BM_ValidateBusReservation(benchmark::State& state) {
    Folder folder;
    fakes::FakeStation fs(DefaultFileSystem());
    fs.state.programDir = folder.root;
    const auto demos = BuildDemoReservations(fs.clock.Now());
    const DemoReservation& bus = Bus(demos);
    const std::string path = folder.root + "/acc/" + bus.fileName;
    WriteBytes(path, bus.contents);
    size_t lines = 0;
    for (char c : bus.contents)
        lines += c == '\n';
    for (auto _ : state) {
        bool ok = ValidateReservation(fs.station, path, 2);
        if (!ok)
            state.SkipWithError("the bus demo must validate");
        benchmark::DoNotOptimize(ok);
    }
    state.counters["file_lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_ValidateBusReservation)->Unit(benchmark::kMicrosecond);

// The reading share: the three files a validation reads, and nothing else.
void BM_ReadValidationFiles(benchmark::State& state) {
    Folder folder;
    fakes::FakeClock clock;
    const auto demos = BuildDemoReservations(clock.Now());
    const std::string path = folder.root + "/acc/bus.ACC";
    WriteBytes(path, Bus(demos).contents);
    FileSystem& files = DefaultFileSystem();
    for (auto _ : state) {
        std::string a, b, c;
        files.ReadAll(path, a);
        files.ReadAll(folder.root + "/Accettazione.msk", b);
        files.ReadAll(folder.root + "/Veicoli_Pesanti.msk", c);
        benchmark::DoNotOptimize(a.size() + b.size() + c.size());
    }
}
BENCHMARK(BM_ReadValidationFiles)->Unit(benchmark::kMicrosecond);

void BM_RebuildListOf1000(benchmark::State& state) {
    Folder folder;
    fakes::FakeStation fs(DefaultFileSystem());
    fs.state.programDir = folder.root;
    fs.state.AccDirectory = folder.root + "/acc/";
    const auto demos = BuildDemoReservations(fs.clock.Now());
    const std::string& text = Bus(demos).contents;
    char name[32];
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "26%06d.ACC", i);
        WriteBytes(fs.state.AccDirectory + name, text);
    }
    for (auto _ : state) {
        RebuildReservationList(fs.station);
        if (fs.view.comboItems.size() != 1001)
            state.SkipWithError("expected 1000 items");
    }
}
BENCHMARK(BM_RebuildListOf1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
