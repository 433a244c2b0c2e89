// The tester's side of the exchange, without I/O and without a clock of its
// own: received bytes and the current time go in, effects come out (writes,
// hang-ups, log events, exit), so tests drive it with virtual time.
//
// Automatic run (no scenario):
//   WaitEnq    --ENQ-->              Identity (status 0 sent; no answer expected,
//                                    a NAK within the quiet window resends it)
//   Identity   --quiet/ACK-->        Online   (schedules the measurement offer or sign-off)
//   Online     --offer timer-->      Offer    (status 1 sent, answer awaited)
//   Offer      --ACK-->              Measuring; --CAN/none--> cancelled (demo: offer again)
//   Measuring  --results timer-->    Results  (status 2 sent, answer awaited)
//   Results    --ACK-->              test complete, then sign-off, next offer or exit
//                                    (without --demo one offer per identity, unless
//                                    exitAfterTests asks for more tests)
//   SigningOff --quiet-->            WaitEnq
// From any state ENQ re-announces the identity (the program searches again)
// and EOT goes back to WaitEnq (the program closed). A NAK resends the frame
// awaiting its answer, up to maxResend times.
//
// Scenario run: the steps of the scenario, one after another (Scenario.h).
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "farsim/Faults.h"
#include "farsim/Frame.h"
#include "farsim/Scenario.h"

namespace heliotab::farsim {

struct SimConfig {
    Layout layout = Layout::Short;
    Identity identity;
    Results results;
    int answerTimeoutMs = 2000; // wait for the answer to status 1, 2 and others
    // After identity and sign-off the program answers nothing, but a bad
    // checksum still gets its NAK (0.5 s late): listen that long for it.
    int quietWindowMs = 1000;
    int maxResend = 3;
    int measureAfterMs = -1; // -1: no measurement of our own
    int resultAfterMs = 1000;
    int signoffAfterMs = -1; // -1: never sign off
    bool demo = false;
    bool silent = false; // a device that never answers (bytes are still logged)
    int demoIntervalMs = 3000;
    int exitAfterTests = 0; // 0: run on
    std::optional<std::vector<Step>> scenario;
    Fault fault = Fault::None;
    int faultCount = 1;
    uint32_t seed = 1;
};

struct Effect {
    enum class Kind { Send, HangUp, Event, Exit };
    Kind kind = Kind::Event;
    std::vector<Chunk> chunks; // Send
    std::string text;          // Event: "key value..." for the log
    int exitCode = 0;          // Exit
};

class Simulator {
public:
    explicit Simulator(SimConfig cfg);

    void Start(double nowMs);
    void OnByte(unsigned char b, double nowMs);
    // Runs whatever fell due by nowMs.
    void OnTime(double nowMs);
    // When OnTime must be called next; nullopt while only bytes can move it.
    std::optional<double> NextDeadline() const;
    std::vector<Effect> TakeEffects();

    bool Finished() const { return finished_; }
    int TestsCompleted() const { return tests_; }
    int ExpectFailures() const { return failures_; }

private:
    enum class Phase { WaitEnq, Identity, Online, Offer, Measuring, Results, SigningOff };
    enum class Job { None, Offer, Results, SignOff };

    struct Awaiting {
        bool active = false;
        FrameRequest req;
        int attempt = 0;
        bool quiet = false; // no answer expected
        double deadline = 0;
    };

    void Transmit(char status, const Results& res, bool quiet, double now);
    void SendAttempt(double now);
    void FinishAwaiting(Answer a, double now);
    void Event(const std::string& text);
    void Exit(int code, const std::string& reason);

    // Automatic run.
    void AutoByte(Answer a, double now);
    void AutoAnswered(Answer a, double now);
    void GoOnline(double now);
    void AfterTest(double now, bool completed);
    void Schedule(Job job, double at);
    void RunJob(double now);
    void AnnounceIdentity(double now);

    // Scenario run.
    void ScenarioByte(Answer a, double now);
    void ScenarioTime(double now);
    void RunSteps(double now);
    void CheckExpect(Answer got, int line);

    SimConfig cfg_;
    std::mt19937 rng_;
    Fault fault_;
    int faultsLeft_;
    bool finished_ = false;
    std::vector<Effect> effects_;
    Awaiting await_;
    int tests_ = 0;
    int failures_ = 0;

    Phase phase_ = Phase::WaitEnq;
    Job job_ = Job::None;
    double jobAt_ = 0;
    bool offeredSinceIdentity_ = false;

    size_t step_ = 0;
    std::optional<double> stepDeadline_;
    bool waitingEnq_ = false;
    bool expecting_ = false;
    std::optional<Answer> lastAnswer_;
};

} // namespace heliotab::farsim
