// Line faults the simulator can put on the frames it sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "farsim/Frame.h"

namespace heliotab::farsim {

enum class Fault { None, Checksum, Lowercase, Garbage, Split, Disconnect };
std::optional<Fault> ParseFault(const std::string& s);
const char* FaultName(Fault f);

// One write to the line, made after a pause.
struct Chunk {
    std::string bytes;
    int delayBeforeMs = 0;
};

// How one frame goes out: the writes, then possibly a hang-up.
struct Transmission {
    std::vector<Chunk> chunks;
    bool hangUpAfter = false;
    size_t frameLength = 0; // STX to checksum, as the receiver counts it
};

struct FrameRequest {
    Layout layout = Layout::Short;
    char status = '0';
    Identity identity;
    Results results;
};

// Pause between the pieces of a split frame and after line garbage.
constexpr int kFaultGapMs = 20;

// Builds the frame and puts the fault on it. The generator only feeds the
// garbage fault, so runs with the same seed send the same bytes.
Transmission MakeTransmission(const FrameRequest& req, Fault fault, std::mt19937& rng);

} // namespace heliotab::farsim
