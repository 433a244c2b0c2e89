// The bytes a serial port's reader thread has received and the UI thread has
// not taken yet. The reader only appends, the UI thread only takes, so the
// reader never touches the link's state.
//
// Bounded: when full, the bytes that do not fit and every byte after them up
// to the next STX (once there is room) are dropped. A frame cut by the loss is
// then never completed by another frame's tail: the framing starts afresh at
// that STX, and the tester repeats what it got no ACK for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace heliotab {

class ReceiveQueue {
public:
    explicit ReceiveQueue(size_t limit) : limit_(limit) {}
    // Appends what fits; true when the queue went from empty to non-empty,
    // the one moment the reader tells the window.
    bool Append(const uint8_t* bytes, size_t count);
    // Everything queued, leaving the queue empty.
    std::string Take();

private:
    std::mutex mutex_;
    std::string bytes_;
    bool skipToStx_ = false;
    const size_t limit_;
};

} // namespace heliotab
