// The tester's frame checksum.
#pragma once

#include <string>

namespace heliotab {

// Two upper-case hex digits of the low byte of the sum of positions
// 2..n-2 (1-based); "00" for n <= 3.
std::string FrameChecksum(const std::string& frame);

// A received frame as the link and the port scan judge it: its last two
// characters against its checksum (exactly: lower-case digits fail), then
// its device class in positions 2-4.
enum class FrameKind { BadChecksum, OtherClass, Far };
FrameKind CheckFrame(const std::string& frame);

} // namespace heliotab
