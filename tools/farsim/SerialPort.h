// The simulator's end of the serial line, one implementation per platform.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace heliotab::farsim {

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Writes every byte; false when the line is gone.
    virtual bool Write(const std::string& bytes) = 0;
    // Waits at most timeoutMs for bytes; returns how many were read (0 on
    // timeout or while nobody holds the other end), -1 on a hard error.
    virtual int Read(unsigned char* buf, size_t size, int timeoutMs) = 0;
    // Drops the line as an unplugged tester would and makes it usable again.
    virtual bool HangUp() = 0;
    // The device the program must open (a pty's slave path, "COM3").
    virtual std::string Name() const = 0;
    virtual std::string LastError() const = 0;
    // Bytes sent but never read because the other end kept the port closed
    // (only a line that can tell), counted since the last call.
    virtual size_t TakeDropped() { return 0; }
};

// An existing device: a tty or pty path natively, "COMn" (or "n") on Windows;
// configured raw, 9600 baud, 8N1, no flow control.
std::unique_ptr<SerialPort> OpenSerialDevice(const std::string& device, std::string& error);

// A new pty pair whose slave is reachable through the symbolic link
// `linkPath`. Not available on Windows (nullptr with `error` set).
std::unique_ptr<SerialPort> CreatePtyLink(const std::string& linkPath, std::string& error);

} // namespace heliotab::farsim
