// Per-frame cost of the receive path: framing, InterrogaFAR and decoding.
#include <benchmark/benchmark.h>

#include "app/frmMain.h"
#include "device/FrameAssembler.h"
#include "device/ResultDecoding.h"
#include "device/TesterFrames.h"
#include "fakes/Fakes.h"
#include "shared/FileSystems.h"

using namespace heliotab;
using namespace heliotab::fakes;
using namespace heliotab::testframes;

namespace {

void BM_FrameChecksum116(benchmark::State& state) {
    const std::string frame = Sealed(FixedResults(false));
    for (auto _ : state)
        benchmark::DoNotOptimize(FrameChecksum(frame));
}
BENCHMARK(BM_FrameChecksum116);

void BM_FrameAssembly116(benchmark::State& state) {
    const std::string wire = Wire(FixedResults(false));
    std::string buffer, frame;
    FrameAssembler a(buffer);
    for (auto _ : state) {
        for (char c : wire)
            a.Feed(static_cast<uint8_t>(c), frame);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * wire.size()));
}
BENCHMARK(BM_FrameAssembly116);

void BM_DecodeFixed(benchmark::State& state) {
    const std::string frame = Sealed(FixedResults(false));
    FarResult r;
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeResults(frame, r));
}
BENCHMARK(BM_DecodeFixed);

void BM_DecodeSeparated(benchmark::State& state) {
    Separated sep;
    sep.aims[2] = "A#";
    const std::string frame = Sealed(SeparatedFrame(sep));
    FarResult r;
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeResults(frame, r));
}
BENCHMARK(BM_DecodeSeparated);

// One measurement as the tester sends it: start frame, then results, each
// through OnSerialBytes (framing + InterrogaFAR + decoding + the ACKs and
// the result writer).
void ReceiveMeasurement(benchmark::State& state, const std::string& results) {
    FakeStation f{DefaultFileSystem()};
    f.port.Open(1);
    f.state.bDeviceSearch = true;
    OnSerialBytes(f.station, Wire(FixedIdentity(true)));
    const std::string start = Wire(FixedStatus('1'));
    for (auto _ : state) {
        f.state.bTestArmed = true;
        OnSerialBytes(f.station, start);
        OnSerialBytes(f.station, results);
        f.port.sent.clear();
        f.timers.started.clear();
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations() * 2),
                                                    benchmark::Counter::kIsRate);
}

void BM_ReceiveMeasurementFixed(benchmark::State& state) {
    ReceiveMeasurement(state, Wire(FixedResults(false)));
}
BENCHMARK(BM_ReceiveMeasurementFixed);

void BM_ReceiveMeasurementSeparated(benchmark::State& state) {
    ReceiveMeasurement(state, Wire(SeparatedFrame(Separated{})));
}
BENCHMARK(BM_ReceiveMeasurementSeparated);

// A bad frame while online: framing, checksum, the NAK wait and the NAK.
void BM_ReceiveBadFrame(benchmark::State& state) {
    FakeStation f{DefaultFileSystem()};
    f.port.Open(1);
    f.state.bDeviceSearch = true;
    OnSerialBytes(f.station, Wire(FixedIdentity(true)));
    std::string bad = Sealed(FixedResults(false));
    bad.back() ^= 1;
    bad += kEtx;
    for (auto _ : state) {
        OnSerialBytes(f.station, bad);
        f.timers.Advance(500); // its NAK (every fourth frame: the message instead)
        f.port.sent.clear();
        f.timers.started.clear();
    }
}
BENCHMARK(BM_ReceiveBadFrame);

} // namespace

BENCHMARK_MAIN();
