// The control characters of the tester's serial line.
#pragma once

#include <cstdint>

namespace heliotab {

enum : uint8_t {
    kNUL = 0x00,
    kSTX = 0x02,
    kETX = 0x03,
    kEOT = 0x04,
    kENQ = 0x05,
    kACK = 0x06,
    kNAK = 0x15,
    kCAN = 0x18,
};

} // namespace heliotab
