// Time of one WriteTestResult against real files: the fresh file in the
// program folder, the flushed copy under the partial name, the rename onto
// the .FAR and the removal of the reservation. The fsync calls dominate, so
// the figure depends on the disk; the formatting alone is measured apart.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>

#include "fakes/Fakes.h"
#include "output/ResultFormat.h"
#include "output/ResultWriter.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;

namespace {

void FillSample(FarResult& r) {
    r.Marca = "TECNOLUX", r.Tipo = "HL 2000", r.NumOmologa = "OM/123456", r.NumSerie = "0042";
    r.NumVersioneSoftware = "1.07", r.DataScadenza = "05/12/2026", r.AltezzaAnab = "85",
    r.TipoAnab = "2";
    r.VertAnabDx = r.VertAnabSx = r.VertAbbDx = r.VertAbbSx = "0";
    r.OrizzAnabDx = r.OrizzAnabSx = r.OrizzAbbDx = r.OrizzAbbSx = "0";
    r.IllumLuxAnabDx = "12345", r.IllumLuxAnabSx = "12.5", r.IllumLuxAbbDx = "23000",
    r.IllumLuxAbbSx = "1234567";
    r.EsitoIllumLuxAnabDx = r.EsitoIllumLuxAnabSx = r.EsitoIllumLuxAbbDx = r.EsitoIllumLuxAbbSx =
        "P";
    r.Esito = "P", r.DataMisura = "05122026", r.InizioMisura = "103000", r.FineMisura = "103112";
    r.Operatore = "Rossi Mario";
}

void BM_WriteTestResult(benchmark::State& bs) {
    std::string root = (std::filesystem::temp_directory_path() / "heliotab-bench-XXXXXX").string();
    if (!mkdtemp(root.data())) {
        bs.SkipWithError("mkdtemp");
        return;
    }
    const std::string prog = root + "/prog", acc = root + "/DIR_FAR/";
    std::filesystem::create_directories(prog);
    std::filesystem::create_directories(acc);
    FakeStation fx(DefaultFileSystem());
    fx.state.programDir = prog;
    fx.state.AccDirectory = acc;
    FarResult result;
    FillSample(result);
    for (auto _ : bs) {
        bs.PauseTiming();
        std::ofstream(acc + "26000123.ACC", std::ios::binary) << "[Accettazione]\r\n";
        fx.state.SelectedAccFile = "26000123.ACC";
        fx.state.ReservationIni.SetIniFile(acc + "26000123.ACC");
        fx.state.bTestArmed = true;
        fx.messages.shown.clear();
        bs.ResumeTiming();
        if (!WriteTestResult(fx.station, result))
            bs.SkipWithError("not delivered");
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_WriteTestResult)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

void BM_BuildResultFile(benchmark::State& bs) {
    FarResult r;
    FillSample(r);
    for (auto _ : bs)
        benchmark::DoNotOptimize(BuildResultFile(r));
}
BENCHMARK(BM_BuildResultFile)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
