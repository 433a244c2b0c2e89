#include "device/ReceiveQueue.h"

#include "device/ControlBytes.h"

namespace heliotab {

bool ReceiveQueue::Append(const uint8_t* bytes, size_t count, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasEmpty = bytes_.empty();
    for (size_t i = 0; i < count; ++i) {
        if (skipToStx_ && bytes[i] != kSTX)
            continue;
        skipToStx_ = bytes_.size() >= limit_;
        if (!skipToStx_)
            bytes_ += static_cast<char>(bytes[i]);
    }
    if (wasEmpty && !bytes_.empty()) {
        lastNoticeMs_ = nowMs;
        return true;
    }
    return DueLocked(nowMs);
}

bool ReceiveQueue::Remind(uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    return DueLocked(nowMs);
}

bool ReceiveQueue::DueLocked(uint64_t nowMs) {
    if (bytes_.empty() || nowMs - lastNoticeMs_ < kRemindMs)
        return false;
    lastNoticeMs_ = nowMs;
    return true;
}

std::string ReceiveQueue::Take() {
    std::string taken;
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(bytes_);
    return taken;
}

} // namespace heliotab
