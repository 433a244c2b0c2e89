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
#include <string>
#include <thread>

#include "shared/Platform.h"

namespace heliotab {

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort(HWND notifyWindow, UINT chunkMessage, UINT disconnectMessage);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool Open(int portNumber) override;
    void Close() override;
    bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
    bool Send(uint8_t byte) override;
    int OutBufferCount() override;

    // The generation of the current open; a disconnect message whose wParam
    // differs belongs to an earlier one.
    WPARAM Generation() const { return generation_; }

    // Takes the bytes of a chunk message and frees its buffer.
    static std::string TakeChunk(WPARAM wParam, LPARAM lParam);

private:
    void ReadLoop(HANDLE handle, WPARAM generation, int portNumber);

    HWND window_;
    UINT chunkMessage_, disconnectMessage_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    WPARAM generation_ = 0;
    int portNumber_ = 0;
};

}  // namespace heliotab
