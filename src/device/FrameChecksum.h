// The tester's frame checksum.
#pragma once

#include <string>

namespace heliotab {

// Two upper-case hex digits of the low byte of the sum of positions
// 2..n-2 (1-based); "00" for n <= 3.
std::string FrameChecksum(const std::string& frame);

} // namespace heliotab
