// The tester's frame checksum.
#include "device/FrameChecksum.h"

namespace heliotab {

// I sum in a wide integer and keep the low byte: a long frame must not
// collapse to "00" just because its byte sum passes 32767.
std::string FrameChecksum(const std::string& frame) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const size_t n = frame.size();
    unsigned long sum = 0;
    // 1-based positions 2 .. n-2 are the 0-based indexes 1 .. n-3.
    for (size_t i = 1; i + 2 < n; ++i)
        sum += static_cast<unsigned char>(frame[i]);
    const unsigned low = static_cast<unsigned>(sum & 0xFF);
    return std::string{kHex[low >> 4], kHex[low & 0x0F]};
}

FrameKind CheckFrame(const std::string& frame) {
    const size_t n = frame.size();
    if (n < 2 || frame.compare(n - 2, 2, FrameChecksum(frame)) != 0)
        return FrameKind::BadChecksum;
    if (n < 4 || frame.compare(1, 3, "FAR") != 0)
        return FrameKind::OtherClass;
    return FrameKind::Far;
}

} // namespace heliotab
