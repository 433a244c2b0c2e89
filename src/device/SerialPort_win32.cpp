// Win32SerialPort. I keep to plain non-overlapped I/O: overlapped reads and
// WaitCommEvent behave differently across drivers (and under Wine), and a
// short read timeout lets the reader notice the stop flag within ~100 ms,
// so the handle is never closed under a blocked read.
#include "device/SerialPort_win32.h"

#include "device/ComLine_win32.h"

#include <algorithm>
#include <cstdio>

namespace heliotab {
namespace {

constexpr DWORD kInQueue = 1024;
constexpr DWORD kOutQueue = 512;
constexpr DWORD kReadChunk = 1024;
// The reader waits for one byte at a time (an idle line returns every
// 100 ms so the reader sees the stop flag), then takes whatever else has
// already arrived without waiting. Waiting for a quiet gap after the last
// byte instead would hold every ETX back by that gap, and the documented
// "return as soon as a byte arrives" setting (MAXDWORD, MAXDWORD, n) is not
// honoured everywhere: Wine waits out most of the constant.
constexpr DWORD kReadIntervalMs = 2;
constexpr DWORD kReadTotalMs = 100;

void ReportFailure(const char* call, int portNumber) {
    const DWORD error = GetLastError();
    char text[256] = {};
    char line[400];
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::snprintf(line, sizeof line, "HELIOTAB COM%d: %s failed, error %lu: %s\n", portNumber, call,
                  static_cast<unsigned long>(error), text);
    OutputDebugStringA(line);
}

// Reads the bytes already in the driver's input queue, at most `room`;
// never waits for more.
DWORD ReadWaiting(HANDLE handle, uint8_t* into, DWORD room) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (room == 0 || !ClearCommError(handle, &errors, &stat) || stat.cbInQue == 0)
        return 0;
    DWORD got = 0;
    if (!ReadFile(handle, into, std::min<DWORD>(stat.cbInQue, room), &got, nullptr))
        return 0;
    return got;
}

} // namespace

// One counter for every port object, so that a generation names one open of
// one port and two ports posting to the same window cannot be mixed up.
std::atomic<WPARAM> lastGeneration{0};

Win32SerialPort::Win32SerialPort(HWND notifyWindow, UINT dataMessage, UINT disconnectMessage)
    : window_(notifyWindow), dataMessage_(dataMessage), disconnectMessage_(disconnectMessage) {}

Win32SerialPort::~Win32SerialPort() {
    Close();
}

bool Win32SerialPort::Open(int portNumber) {
    Close();
    if (portNumber < 1 || portNumber > 255)
        return false;
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", portNumber);
    ScopedHandle port = OwnFile(
        CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const HANDLE h = port.Get();
    if (!port) {
        ReportFailure("CreateFile", portNumber);
        return false;
    }
    // Queue sizes are a request the driver may round or ignore (a pty under
    // Wine does); failing here is not worth refusing the port.
    if (!SetupComm(h, kInQueue, kOutQueue))
        ReportFailure("SetupComm", portNumber);

    DCB dcb = TesterLineDcb();
    if (!SetCommState(h, &dcb)) {
        ReportFailure("SetCommState", portNumber);
        return false;
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTotalMs;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    if (!SetCommTimeouts(h, &timeouts)) {
        ReportFailure("SetCommTimeouts", portNumber);
        return false;
    }
    if (!PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR))
        ReportFailure("PurgeComm", portNumber);

    handle_ = std::move(port);
    generation_ = ++lastGeneration;
    portNumber_ = portNumber;
    control_ = std::make_shared<ReaderControl>();
    reader_ = std::thread(&Win32SerialPort::ReadLoop, control_, h, window_, dataMessage_,
                          disconnectMessage_, generation_, portNumber);
    return true;
}

void Win32SerialPort::Close() {
    if (!handle_)
        return;
    if (closeInBackground_ && reader_.joinable()) {
        {
            // A reader still in its read closes the handle when it leaves.
            std::lock_guard<std::mutex> lock(control_->mutex);
            if (!control_->exited)
                control_->handOver = std::move(handle_);
        }
        control_->stop = true;
        reader_.detach();
    } else {
        control_->stop = true;
        if (reader_.joinable())
            reader_.join(); // at most one read timeout
    }
    handle_.Reset();
    control_.reset(); // what it received goes with it
}

bool Win32SerialPort::Send(uint8_t byte) {
    if (!handle_)
        return false;
    DWORD written = 0;
    if (!WriteFile(handle_.Get(), &byte, 1, &written, nullptr) || written != 1) {
        ReportFailure("WriteFile", portNumber_);
        return false;
    }
    return true;
}

int Win32SerialPort::OutBufferCount() {
    if (!handle_)
        return 0;
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(handle_.Get(), &errors, &stat))
        return 0;
    return static_cast<int>(stat.cbOutQue);
}

std::string Win32SerialPort::TakeReceived(WPARAM generation) {
    if (!control_ || generation != generation_)
        return std::string();
    return control_->received.Take();
}

// The reader thread: bytes in, a notice out, nothing else.
void Win32SerialPort::ReadLoop(std::shared_ptr<ReaderControl> control, HANDLE handle, HWND window,
                               UINT dataMessage, UINT disconnectMessage, WPARAM generation,
                               int portNumber) {
    uint8_t buffer[kReadChunk];
    std::atomic<bool>& stop = control->stop;
    while (!stop) {
        DWORD got = 0;
        const ULONGLONG started = GetTickCount64();
        const BOOL ok = ReadFile(handle, buffer, 1, &got, nullptr);
        if (stop)
            break;
        if (ok && got > 0) {
            got += ReadWaiting(handle, buffer + got, sizeof buffer - got);
            // A notice when the queue fills from empty (the window takes
            // everything queued when it handles it), and again while bytes
            // wait untaken: a notice can be lost.
            if (control->received.Append(buffer, got, GetTickCount64()))
                PostMessageA(window, dataMessage, generation, 0);
            continue;
        }
        if (ok && control->received.Remind(GetTickCount64()))
            PostMessageA(window, dataMessage, generation, 0);
        // An empty read is normally the idle timeout. A line that has gone
        // returns at once and ClearCommError fails (error 21 under Wine,
        // other codes for a pulled USB adapter): report it once and stop
        // rather than spin.
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ok || !ClearCommError(handle, &errors, &stat)) {
            ReportFailure(ok ? "ClearCommError" : "ReadFile", portNumber);
            PostMessageA(window, disconnectMessage, generation, 0);
            break;
        }
        // A driver that returns empty reads at once must not make us spin.
        if (GetTickCount64() - started < 5)
            Sleep(10);
    }
    std::lock_guard<std::mutex> lock(control->mutex);
    control->exited = true;
    control->handOver.Reset();
}

} // namespace heliotab
