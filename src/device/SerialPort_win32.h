// The tester's serial line on Windows: a COM port opened non-overlapped,
// with one reader thread that only moves bytes into a bounded queue.
//
// The reader posts dataMessage (wParam = the open's generation, no payload)
// when the queue goes from empty to non-empty; the window then calls
// TakeReceived(generation), which hands over the queued bytes only when the
// notice belongs to the port's current open. Bytes of a closed open stay in
// that open's queue and go with it. A line that drops while open (ReadFile
// gives 0 bytes at once and ClearCommError fails) is posted once as
// disconnectMessage, wParam = the open's generation as well.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/ReceiveQueue.h"
#include "shared/Platform.h"
#include "win32/ScopedWin_win32.h"

namespace heliotab {

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort(HWND notifyWindow, UINT dataMessage, UINT disconnectMessage);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool Open(int portNumber) override;
    void Close() override;
    bool IsOpen() const override { return bool(handle_); }
    bool Send(uint8_t byte) override;
    int OutBufferCount() override;

    // Closing normally waits for the reader (up to one read timeout, ~100 ms).
    // A port closed in the background returns at once and leaves the reader
    // to close the handle itself when its read ends: for a caller that must
    // stay responsive (the port scan) and does not reopen the same port at once.
    void SetCloseInBackground(bool background) { closeInBackground_ = background; }

    // The generation of the current open, unique in the process; a message
    // whose wParam differs belongs to an earlier open or another port.
    WPARAM Generation() const { return generation_; }

    // The bytes received since the last call, when `generation` is the
    // current open's; nothing otherwise (a late notice of a closed open).
    std::string TakeReceived(WPARAM generation);

    // The queue of one open holds at most this many bytes (over 4 s of the
    // line at 9600 baud; see ReceiveQueue for what is dropped beyond).
    static constexpr size_t kQueueLimit = 4096;

private:
    // What one open's reader shares with the port: its stop flag, the
    // received bytes, and who closes the handle when the port was closed in
    // the background.
    struct ReaderControl {
        std::atomic<bool> stop{false};
        ReceiveQueue received{kQueueLimit};
        std::mutex mutex;
        bool exited = false;   // the reader has left its loop
        ScopedHandle handOver; // ...and then closes this handle, when given
    };
    static void ReadLoop(std::shared_ptr<ReaderControl> control, HANDLE handle, HWND window,
                         UINT dataMessage, UINT disconnectMessage, WPARAM generation,
                         int portNumber);

    HWND window_;
    UINT dataMessage_, disconnectMessage_;
    ScopedHandle handle_;
    std::thread reader_;
    std::shared_ptr<ReaderControl> control_;
    bool closeInBackground_ = false;
    WPARAM generation_ = 0;
    int portNumber_ = 0;
};

} // namespace heliotab
