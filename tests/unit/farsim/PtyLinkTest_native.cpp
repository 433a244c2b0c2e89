// The simulator on a real pty pair against a small scripted peer playing the
// program. Real time here, with generous bounds: a slow CI machine only makes
// it slower, never red.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "farsim/Driver.h"
#include "farsim/SerialPort.h"

using namespace heliotab::farsim;

namespace {

constexpr int kPeerWaitMs = 5000;

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/farsim-test-XXXXXX";
        path_ = ::mkdtemp(tmpl) ? tmpl : "";
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The program's end of the line.
class Peer {
public:
    explicit Peer(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd_ >= 0) {
            termios t{};
            ::tcgetattr(fd_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Peer() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Ok() const { return fd_ >= 0; }
    void Send(unsigned char b) { ASSERT_EQ(::write(fd_, &b, 1), 1); }

    // Bytes up to and including the next ETX; empty on timeout or hang-up.
    std::string ReadFrame(int waitMs = kPeerWaitMs) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            unsigned char b;
            const ssize_t n = ::read(fd_, &b, 1);
            if (n <= 0) return "";
            got += static_cast<char>(b);
            if (b == 0x03) return got;
        }
        return "";
    }

    // True when the line was dropped under us.
    bool SeesHangUp(int waitMs = kPeerWaitMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (p.revents & (POLLHUP | POLLERR)) return true;
            unsigned char b;
            if (::read(fd_, &b, 1) <= 0) return true;
        }
        return false;
    }

private:
    int fd_ = -1;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct SimThread {
    volatile std::sig_atomic_t stop = 0;
    int code = -1;
    std::thread thread;

    void Start(Simulator& sim, SerialPort& port, LogWriter& log) {
        RunLimits limits;
        limits.timeLimitMs = 30000;  // never hang the suite
        limits.goalPending = true;
        limits.logStats = true;
        thread = std::thread([&, limits] { code = RunOnLine(sim, port, log, limits, stop); });
    }
    ~SimThread() {
        stop = 1;
        if (thread.joinable()) thread.join();
    }
    int Join() {
        thread.join();
        return code;
    }
};

}  // namespace

TEST(FarsimPtyLink, OneTestOverARealLine) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string link = dir.Path() + "/com3";
    std::string error;
    auto port = CreatePtyLink(link, error);
    ASSERT_TRUE(port) << error;
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(port->Name(), target);

    SimConfig cfg;
    cfg.quietWindowMs = 100;
    cfg.measureAfterMs = 20;
    cfg.resultAfterMs = 20;
    cfg.exitAfterTests = 1;
    cfg.fault = Fault::Split;  // the identity arrives in pieces
    LogWriter log;
    ASSERT_TRUE(log.OpenFile(dir.Path() + "/farsim.log"));
    Simulator sim(cfg);

    Peer peer(link);
    ASSERT_TRUE(peer.Ok());
    SimThread run;
    run.Start(sim, *port, log);

    peer.Send(0x05);
    EXPECT_EQ(peer.ReadFrame(), BuildFrame(Layout::Short, '0', Identity{}, Results{}));
    const std::string status1 = peer.ReadFrame();
    EXPECT_EQ(status1, BuildFrame(Layout::Short, '1', Identity{}, Results{}));
    peer.Send(0x15);  // as after a bad checksum: the same frame again
    EXPECT_EQ(peer.ReadFrame(), status1);
    peer.Send(0x06);
    const std::string results = peer.ReadFrame();
    EXPECT_EQ(results, BuildFrame(Layout::Short, '2', Identity{}, Results{}));
    peer.Send(0x06);
    EXPECT_EQ(run.Join(), kExitDone);

    const std::string text = ReadAll(dir.Path() + "/farsim.log");
    EXPECT_NE(text.find(" rx 05 ENQ\n"), std::string::npos);
    EXPECT_NE(text.find(" tx-frame status=0 len=57 layout=short attempt=1 fault=split\n"), std::string::npos);
    EXPECT_NE(text.find(" tx-frame status=1 len=57 layout=short attempt=2 fault=none\n"), std::string::npos);
    EXPECT_NE(text.find(" test-complete n=1\n"), std::string::npos);
    EXPECT_NE(text.find(" stats etx-ack count=2 "), std::string::npos);
    size_t lines = 0, etx = 0;
    for (size_t p = 0; (p = text.find('\n', p)) != std::string::npos; ++p) ++lines;
    for (size_t p = 0; (p = text.find(" tx-etx\n", p)) != std::string::npos; ++p) ++etx;
    EXPECT_EQ(etx, 4u);
    EXPECT_GT(lines, 57u + 57 + 57 + 94);  // every byte has its line
    EXPECT_EQ(text.rfind("t=", 0), 0u);
}

TEST(FarsimPtyLink, HangUpRelinksAFreshLine) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string link = dir.Path() + "/com4";
    std::string error;
    auto port = CreatePtyLink(link, error);
    ASSERT_TRUE(port) << error;

    SimConfig cfg;
    cfg.quietWindowMs = 100;
    std::string why;
    cfg.scenario = ParseScenario("wait-enq 10000\nfault disconnect\nsend status1\nwait-enq 10000\n", why);
    ASSERT_TRUE(cfg.scenario) << why;
    LogWriter log;
    Simulator sim(cfg);
    SimThread run;
    {
        Peer peer(link);
        ASSERT_TRUE(peer.Ok());
        run.Start(sim, *port, log);
        peer.Send(0x05);
        EXPECT_EQ(peer.ReadFrame().size(), 58u);
        EXPECT_TRUE(peer.SeesHangUp());
    }
    // The link now leads to a new line; the program reopens it and searches again.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Peer again(link);
    ASSERT_TRUE(again.Ok());
    again.Send(0x05);
    EXPECT_EQ(again.ReadFrame(), BuildFrame(Layout::Short, '0', Identity{}, Results{}));
    EXPECT_EQ(run.Join(), kExitDone);
    // The kernel may hand out the freed pty number again, so the new line's
    // name proves nothing; that a fresh peer talks through the link does.
}

TEST(FarsimPtyLink, BytesSentWhileThePortIsClosedAreLost) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string link = dir.Path() + "/com5";
    std::string error;
    auto port = CreatePtyLink(link, error);
    ASSERT_TRUE(port) << error;

    SimConfig cfg;
    cfg.answerTimeoutMs = 50;
    cfg.quietWindowMs = 50;
    std::string why;
    cfg.scenario = ParseScenario("send status 5\nwait-enq 10000\n", why);
    ASSERT_TRUE(cfg.scenario) << why;
    LogWriter log;
    ASSERT_TRUE(log.OpenFile(dir.Path() + "/farsim.log"));
    Simulator sim(cfg);
    SimThread run;
    run.Start(sim, *port, log);

    // Nobody holds the port for well over the simulator's 1 s of patience.
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    Peer peer(link);
    ASSERT_TRUE(peer.Ok());
    peer.Send(0x05);
    EXPECT_EQ(peer.ReadFrame(), BuildFrame(Layout::Short, '0', Identity{}, Results{}))
        << "the stale status 5 frame must not reach a port opened later";
    EXPECT_EQ(run.Join(), kExitDone);
    EXPECT_NE(ReadAll(dir.Path() + "/farsim.log").find(" dropped-unread n=58\n"), std::string::npos);
}
