#include "farsim/Driver.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace heliotab::farsim {
namespace {

// Longest sleep in one read, so signals and the limit are noticed quickly.
constexpr int kSliceMs = 50;

class RunClock {
public:
    double Now() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

struct Runner {
    Simulator& sim;
    SerialPort& port;
    LogWriter& log;
    RunClock clock;
    int exitCode = kExitDone;

    // False when the line failed for good.
    bool Apply() {
        for (Effect& e : sim.TakeEffects()) {
            switch (e.kind) {
            case Effect::Kind::Event:
                log.Line(e.text, clock.Now());
                break;
            case Effect::Kind::Send:
                for (const Chunk& c : e.chunks) {
                    if (c.delayBeforeMs > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(c.delayBeforeMs));
                    if (!port.Write(c.bytes)) {
                        log.Line("port-error " + port.LastError(), clock.Now());
                        return false;
                    }
                    const double t = clock.Now();
                    for (unsigned char b : c.bytes)
                        log.Tx(b, t);
                    if (!c.bytes.empty() && static_cast<unsigned char>(c.bytes.back()) == kETX)
                        log.Line("tx-etx", t);
                }
                break;
            case Effect::Kind::HangUp:
                if (!port.HangUp()) {
                    log.Line("port-error " + port.LastError(), clock.Now());
                    return false;
                }
                log.Line("line-up device=" + port.Name(), clock.Now());
                break;
            case Effect::Kind::Exit:
                exitCode = e.exitCode;
                break;
            }
        }
        return true;
    }
};

} // namespace

namespace {

int RunLoop(Runner& r, const RunLimits& limits, const volatile std::sig_atomic_t& stop) {
    Simulator& sim = r.sim;
    LogWriter& log = r.log;
    SerialPort& port = r.port;
    sim.Start(r.clock.Now());
    if (!r.Apply())
        return kExitUsage;
    unsigned char buf[256];
    while (!sim.Finished()) {
        log.Flush();
        if (stop) {
            log.Line("exit code=0 reason=signal", r.clock.Now());
            return kExitDone;
        }
        double now = r.clock.Now();
        if (limits.timeLimitMs > 0 && now >= limits.timeLimitMs) {
            const int code = limits.goalPending ? kExitTimeLimit : kExitDone;
            log.Line("exit code=" + std::to_string(code) +
                         " reason=timeout tests=" + std::to_string(sim.TestsCompleted()),
                     now);
            return code;
        }
        double wait = kSliceMs;
        if (const auto d = sim.NextDeadline())
            wait = std::min(wait, *d - now);
        if (limits.timeLimitMs > 0)
            wait = std::min(wait, limits.timeLimitMs - now);
        const int n = port.Read(buf, sizeof buf, std::max(0, static_cast<int>(wait + 0.999)));
        if (n < 0) {
            log.Line("port-error " + port.LastError(), r.clock.Now());
            return kExitUsage;
        }
        if (const size_t lost = port.TakeDropped())
            log.Line("dropped-unread n=" + std::to_string(lost), r.clock.Now());
        for (int i = 0; i < n && !sim.Finished(); ++i) {
            const double t = r.clock.Now();
            log.Rx(buf[i], t);
            sim.OnByte(buf[i], t);
            if (!r.Apply())
                return kExitUsage;
        }
        sim.OnTime(r.clock.Now());
        if (!r.Apply())
            return kExitUsage;
    }
    return r.exitCode;
}

} // namespace

int RunOnLine(Simulator& sim, SerialPort& port, LogWriter& log, const RunLimits& limits,
              const volatile std::sig_atomic_t& stop) {
    Runner r{sim, port, log};
    const int code = RunLoop(r, limits, stop);
    if (limits.logStats)
        log.Line(log.Stats().Summary(), r.clock.Now());
    log.Flush();
    return code;
}

} // namespace heliotab::farsim
