#include "device/ReceiveQueue.h"

#include "device/ControlBytes.h"

namespace heliotab {

bool ReceiveQueue::Append(const uint8_t* bytes, size_t count) {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasEmpty = bytes_.empty();
    for (size_t i = 0; i < count; ++i) {
        if (skipToStx_ && bytes[i] != kSTX)
            continue;
        skipToStx_ = bytes_.size() >= limit_;
        if (!skipToStx_)
            bytes_ += static_cast<char>(bytes[i]);
    }
    return wasEmpty && !bytes_.empty();
}

std::string ReceiveQueue::Take() {
    std::string taken;
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(bytes_);
    return taken;
}

} // namespace heliotab
