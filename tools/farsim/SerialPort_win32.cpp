// Windows serial line: a COM port through a non-overlapped handle.
#include "farsim/SerialPort.h"

#include <windows.h>

#include "device/ComLine_win32.h"

#include <cctype>

namespace heliotab::farsim {
namespace {

std::string LastErrorText(const char* what) {
    const DWORD code = GetLastError();
    char buf[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   buf, sizeof buf, nullptr);
    std::string text = buf;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return std::string(what) + " failed (" + std::to_string(code) + "): " + text;
}

// "3", "COM3", "com3" or "\\.\COM3" -> "COM3"; empty when it is none of these.
std::string PortName(const std::string& device) {
    std::string s = device;
    if (s.rfind("\\\\.\\", 0) == 0)
        s = s.substr(4);
    if (s.size() > 3 && std::toupper(static_cast<unsigned char>(s[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(s[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(s[2])) == 'M')
        s = s.substr(3);
    if (s.empty() || s.size() > 3)
        return "";
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return "";
    return "COM" + s;
}

class ComPort : public SerialPort {
public:
    explicit ComPort(std::string name) : name_(std::move(name)) {}
    ~ComPort() override { Close(); }

    bool Open() {
        const std::string path = "\\\\.\\" + name_;
        handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) {
            error_ = LastErrorText(("CreateFile " + name_).c_str());
            return false;
        }
        if (!SetupComm(handle_, 1024, 512)) {
            error_ = LastErrorText("SetupComm");
            return Fail();
        }
        DCB dcb = heliotab::TesterLineDcb();
        if (!SetCommState(handle_, &dcb)) {
            error_ = LastErrorText("SetCommState");
            return Fail();
        }
        timeoutMs_ = -1;
        PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
        return true;
    }

    bool Write(const std::string& bytes) override {
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD n = 0;
            if (!WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                           &n, nullptr)) {
                error_ = LastErrorText("WriteFile");
                return false;
            }
            done += n;
        }
        // The log's time of the ETX is when it has left the port.
        FlushFileBuffers(handle_);
        return true;
    }

    int Read(unsigned char* buf, size_t size, int timeoutMs) override {
        // A zero total timeout would mean "wait for ever" here.
        const int wanted = timeoutMs < 1 ? 1 : timeoutMs;
        if (wanted != timeoutMs_) {
            // Return 1 ms after the last byte of a burst, or after the wait.
            COMMTIMEOUTS to{};
            to.ReadIntervalTimeout = 1;
            to.ReadTotalTimeoutMultiplier = 0;
            to.ReadTotalTimeoutConstant = static_cast<DWORD>(wanted);
            to.WriteTotalTimeoutMultiplier = 0;
            to.WriteTotalTimeoutConstant = 2000;
            if (!SetCommTimeouts(handle_, &to)) {
                error_ = LastErrorText("SetCommTimeouts");
                return -1;
            }
            timeoutMs_ = wanted;
        }
        DWORD n = 0;
        if (!ReadFile(handle_, buf, static_cast<DWORD>(size), &n, nullptr)) {
            error_ = LastErrorText("ReadFile");
            return -1;
        }
        if (n == 0) {
            // An unplugged port returns at once with nothing; ClearCommError tells.
            DWORD errors = 0;
            COMSTAT st{};
            if (!ClearCommError(handle_, &errors, &st)) {
                error_ = LastErrorText("ClearCommError");
                return -1;
            }
        }
        return static_cast<int>(n);
    }

    bool HangUp() override {
        Close();
        Sleep(200);
        return Open();
    }
    std::string Name() const override { return name_; }
    std::string LastError() const override { return error_; }

private:
    bool Fail() {
        Close();
        return false;
    }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    std::string name_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    int timeoutMs_ = -1;
    std::string error_;
};

} // namespace

std::unique_ptr<SerialPort> OpenSerialDevice(const std::string& device, std::string& error) {
    const std::string name = PortName(device);
    if (name.empty()) {
        error = "not a COM port: " + device;
        return nullptr;
    }
    auto port = std::make_unique<ComPort>(name);
    if (!port->Open()) {
        error = port->LastError();
        return nullptr;
    }
    return port;
}

std::unique_ptr<SerialPort> CreatePtyLink(const std::string&, std::string& error) {
    error = "--pty-link is not available on Windows; use --device COMn";
    return nullptr;
}

} // namespace heliotab::farsim
