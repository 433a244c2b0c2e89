// The tester's serial line on Windows: a COM port opened non-overlapped,
// with one reader thread that only moves bytes to the main window.
//
// Received bytes arrive as chunkMessage (wParam = byte count, lParam = a
// buffer from new uint8_t[]; TakeChunk() copies and frees it). A line that
// drops while open (ReadFile gives 0 bytes at once and ClearCommError
// fails) is posted once as disconnectMessage, wParam = the open's
// generation, so a late notice from an earlier open can be told apart.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "shared/Platform.h"
#include "shared/ScopedWin_win32.h"

namespace heliotab {

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort(HWND notifyWindow, UINT chunkMessage, UINT disconnectMessage);
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

    // The generation of the current open; a disconnect message whose wParam
    // differs belongs to an earlier one.
    WPARAM Generation() const { return generation_; }

    // Takes the bytes of a chunk message and frees its buffer.
    static std::string TakeChunk(WPARAM wParam, LPARAM lParam);

private:
    // What one open's reader shares with the port: its stop flag, and who
    // closes the handle when the port was closed in the background.
    struct ReaderControl {
        std::atomic<bool> stop{false};
        std::mutex mutex;
        bool exited = false;   // the reader has left its loop
        ScopedHandle handOver; // ...and then closes this handle, when given
    };
    static void ReadLoop(std::shared_ptr<ReaderControl> control, HANDLE handle, HWND window,
                         UINT chunkMessage, UINT disconnectMessage, WPARAM generation,
                         int portNumber);

    HWND window_;
    UINT chunkMessage_, disconnectMessage_;
    ScopedHandle handle_;
    std::thread reader_;
    std::shared_ptr<ReaderControl> control_;
    bool closeInBackground_ = false;
    WPARAM generation_ = 0;
    int portNumber_ = 0;
};

} // namespace heliotab
