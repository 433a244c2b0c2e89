// Byte-by-byte framing of the tester's stream.
//
// An STX starts a frame (dropping any partial one), the next ETX ends it.
// Bytes outside a frame are dropped, and a partial frame that grows past
// kMaxFrame is dropped too, so a stream without ETX cannot eat memory.
// The buffer lives with the caller (the tester link's, or a scan's own), so
// the assembler itself keeps no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace heliotab {

class FrameAssembler {
public:
    static constexpr size_t kMaxFrame = 4096;

    explicit FrameAssembler(std::string& buffer) : buffer_(buffer) {}

    // Takes one byte; returns true when it completed a frame, which is then
    // in `frame` from its STX up to the checksum (the ETX is not kept).
    bool Feed(uint8_t byte, std::string& frame);

private:
    std::string& buffer_; // empty, or a partial frame starting with STX
};

} // namespace heliotab
