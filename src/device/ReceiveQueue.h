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

// A notice can be lost on its way to the window: a modal loop that ends (a
// message box answered) drops the message it had just taken. So the reader
// tells the window again while bytes wait untaken for kRemindMs; extra
// notices find nothing to take and cost nothing.
class ReceiveQueue {
public:
    static constexpr uint64_t kRemindMs = 100;

    explicit ReceiveQueue(size_t limit) : limit_(limit) {}
    // Appends what fits; true when the reader must tell the window: the queue
    // went from empty to non-empty, or its bytes have waited since the last
    // notice for kRemindMs. nowMs is any steady millisecond clock.
    bool Append(const uint8_t* bytes, size_t count, uint64_t nowMs);
    // For a read that brought nothing: true when bytes still wait kRemindMs
    // after the last notice.
    bool Remind(uint64_t nowMs);
    // Everything queued, leaving the queue empty.
    std::string Take();

private:
    bool DueLocked(uint64_t nowMs);

    std::mutex mutex_;
    std::string bytes_;
    bool skipToStx_ = false;
    uint64_t lastNoticeMs_ = 0;
    const size_t limit_;
};

} // namespace heliotab
