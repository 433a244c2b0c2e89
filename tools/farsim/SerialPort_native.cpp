// POSIX serial line: termios on a tty, or a pty pair of our own.
#include "farsim/SerialPort.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace heliotab::farsim {
namespace {

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool MakeRaw9600(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool WriteAll(int fd, const std::string& bytes, std::string& error) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            error = ErrnoText("write");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads what is there. A pty whose other end nobody holds reports a hang-up
// on every poll; sleep out the timeout then instead of spinning.
int PollRead(int fd, unsigned char* buf, size_t size, int timeoutMs, std::string& error) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) {
        if (errno == EINTR)
            return 0;
        error = ErrnoText("poll");
        return -1;
    }
    if (r == 0)
        return 0;
    if (p.revents & POLLIN) {
        const ssize_t n = ::read(fd, buf, size);
        if (n > 0)
            return static_cast<int>(n);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return 0;
        if (n < 0 && errno != EIO) {
            error = ErrnoText("read");
            return -1;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 1));
    return 0;
}

class DevicePort : public SerialPort {
public:
    explicit DevicePort(std::string path) : path_(std::move(path)) {}
    ~DevicePort() override { Close(); }

    bool Open() {
        fd_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) {
            error_ = ErrnoText(("open " + path_).c_str());
            return false;
        }
        if (!MakeRaw9600(fd_)) {
            error_ = ErrnoText("termios");
            Close();
            return false;
        }
        return true;
    }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool Write(const std::string& bytes) override {
        if (fd_ < 0 || !WriteAll(fd_, bytes, error_))
            return false;
        // At 9600 baud a frame takes ~0.1 s on the wire: the log's time of
        // the ETX is when it has left, not when the driver took it.
        ::tcdrain(fd_);
        return true;
    }
    int Read(unsigned char* buf, size_t size, int timeoutMs) override {
        return fd_ < 0 ? -1 : PollRead(fd_, buf, size, timeoutMs, error_);
    }
    bool HangUp() override {
        // Closing a real tty drops DTR (HUPCL); then come back on the same path.
        Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return Open();
    }
    std::string Name() const override { return path_; }
    std::string LastError() const override { return error_; }

private:
    std::string path_;
    int fd_ = -1;
    std::string error_;
};

class PtyLinkPort : public SerialPort {
public:
    explicit PtyLinkPort(std::string link) : link_(std::move(link)) {}
    ~PtyLinkPort() override {
        Close();
        ::unlink(link_.c_str());
    }

    bool Open() {
        // We keep the slave open ourselves: the program opens and closes the
        // port every second while it searches, and without a holder of our
        // own the master would report a hang-up each time.
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            error_ = ErrnoText("openpty");
            return false;
        }
        slaveName_ = name;
        if (!MakeRaw9600(slave_) || !MakeRaw9600(master_)) {
            error_ = ErrnoText("termios");
            return false;
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        // Replace the link atomically, so a reader never sees it missing.
        const std::string tmp = link_ + ".tmp";
        ::unlink(tmp.c_str());
        if (::symlink(slaveName_.c_str(), tmp.c_str()) != 0 ||
            ::rename(tmp.c_str(), link_.c_str()) != 0) {
            error_ = ErrnoText(("symlink " + link_).c_str());
            return false;
        }
        return true;
    }
    void Close() {
        if (master_ >= 0)
            ::close(master_);
        if (slave_ >= 0)
            ::close(slave_);
        master_ = slave_ = -1;
    }
    bool Write(const std::string& bytes) override {
        return master_ >= 0 && WriteAll(master_, bytes, error_);
    }
    int Read(unsigned char* buf, size_t size, int timeoutMs) override {
        if (master_ < 0)
            return -1;
        DropUnreadBytes();
        return PollRead(master_, buf, size, timeoutMs, error_);
    }
    size_t TakeDropped() override {
        const size_t n = dropped_;
        dropped_ = 0;
        return n;
    }
    bool HangUp() override {
        // A pty cannot drop a line: destroy it and link a fresh one in its place.
        Close();
        return Open();
    }
    std::string Name() const override { return slaveName_; }
    std::string LastError() const override { return error_; }

private:
    // Our own hold on the slave keeps what we send even while the program has
    // the port closed, and it would read that stale frame on its next open. A
    // real line loses it: drop bytes nobody has read for a good while.
    void DropUnreadBytes() {
        int waiting = 0;
        if (::ioctl(slave_, FIONREAD, &waiting) != 0 || waiting <= 0) {
            unreadSince_.reset();
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!unreadSince_)
            unreadSince_ = now;
        if (now - *unreadSince_ < kUnreadLimit)
            return;
        ::tcflush(slave_, TCIFLUSH);
        dropped_ += static_cast<size_t>(waiting);
        unreadSince_.reset();
    }

    static constexpr std::chrono::milliseconds kUnreadLimit{1000};
    std::optional<std::chrono::steady_clock::time_point> unreadSince_;
    size_t dropped_ = 0;
    std::string link_;
    std::string slaveName_;
    int master_ = -1;
    int slave_ = -1;
    std::string error_;
};

} // namespace

std::unique_ptr<SerialPort> OpenSerialDevice(const std::string& device, std::string& error) {
    auto port = std::make_unique<DevicePort>(device);
    if (!port->Open()) {
        error = port->LastError();
        return nullptr;
    }
    return port;
}

std::unique_ptr<SerialPort> CreatePtyLink(const std::string& linkPath, std::string& error) {
    auto port = std::make_unique<PtyLinkPort>(linkPath);
    if (!port->Open()) {
        error = port->LastError();
        return nullptr;
    }
    return port;
}

} // namespace heliotab::farsim
