#include "device/FrameAssembler.h"

#include "device/ControlBytes.h"

namespace heliotab {

bool FrameAssembler::Feed(uint8_t byte, std::string& frame) {
    if (byte == kSTX) {
        buffer_.assign(1, static_cast<char>(kSTX));
        return false;
    }
    if (buffer_.empty())
        return false; // noise between frames
    if (byte == kETX) {
        frame.swap(buffer_);
        buffer_.clear();
        return true;
    }
    if (buffer_.size() >= kMaxFrame) {
        // No tester frame is this long: resynchronise on the next STX.
        buffer_.clear();
        return false;
    }
    buffer_.push_back(static_cast<char>(byte));
    return false;
}

} // namespace heliotab
