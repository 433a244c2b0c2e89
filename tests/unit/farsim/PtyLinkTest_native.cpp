// The simulator on a real pty pair against a small scripted peer playing the
// program. Real time here, with generous bounds: a slow machine only makes it
// slower, never red.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "fakes/TempDir.h"
#include "farsim/Driver.h"
#include "farsim/SerialPort.h"

using namespace heliotab::farsim;
using heliotab::testutil::ReadFile;

namespace {

// The program's end of the line.
struct Peer {
    explicit Peer(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    ~Peer() { ::close(fd); }
    void Send(unsigned char b) { EXPECT_EQ(::write(fd, &b, 1), 1); }
    // Bytes up to and including the next ETX; "" on timeout, "HUP" when the line was dropped.
    std::string Read() {
        std::string got;
        for (int waited = 0; waited < 5000; waited += 20) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            unsigned char b;
            if ((p.revents & (POLLHUP | POLLERR)) || ::read(fd, &b, 1) <= 0) return got + "HUP";
            if ((got += static_cast<char>(b)), b == 0x03) return got;
        }
        return got;
    }
    int fd;
};

struct Line {
    Line(SimConfig cfg, std::string logPath = "") : sim(std::move(cfg)) {
        port = CreatePtyLink(dir.File("com"), error);
        EXPECT_TRUE(port) << error;
        if (!logPath.empty()) EXPECT_TRUE(log.OpenFile(dir.File(logPath)));
    }
    void Start() {
        RunLimits limits;
        limits.timeLimitMs = 30000, limits.goalPending = true, limits.logStats = true;  // never hang the suite
        thread = std::thread([this, limits] { code = RunOnLine(sim, *port, log, limits, stop); });
    }
    int Join() { return thread.join(), code; }
    ~Line() {
        stop = 1;
        if (thread.joinable()) thread.join();
    }
    heliotab::testutil::TempDir dir;
    std::string error;
    std::unique_ptr<SerialPort> port;
    LogWriter log;
    Simulator sim;
    volatile std::sig_atomic_t stop = 0;
    int code = -1;
    std::thread thread;
};

SimConfig Scripted(const char* text) {
    SimConfig cfg;
    cfg.quietWindowMs = cfg.answerTimeoutMs = 50;
    std::string why;
    cfg.scenario = ParseScenario(text, why);
    EXPECT_TRUE(cfg.scenario) << why;
    return cfg;
}

const std::string kIdentity = BuildFrame(Layout::Short, '0', Identity{}, Results{});

}  // namespace

TEST(FarsimPtyLink, OneTestOverARealLine) {
    SimConfig cfg;
    cfg.quietWindowMs = 100, cfg.measureAfterMs = 20, cfg.resultAfterMs = 20, cfg.exitAfterTests = 1;
    cfg.fault = Fault::Split;  // the identity arrives in pieces
    Line run(cfg, "farsim.log");
    char target[256] = {};
    ASSERT_GT(::readlink(run.dir.File("com").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(run.port->Name(), target);
    Peer peer(run.dir.File("com"));
    run.Start();
    peer.Send(0x05);
    EXPECT_EQ(peer.Read(), kIdentity);
    const std::string status1 = peer.Read();
    EXPECT_EQ(status1, BuildFrame(Layout::Short, '1', Identity{}, Results{}));
    peer.Send(0x15);  // as after a bad checksum: the same frame again
    EXPECT_EQ(peer.Read(), status1);
    peer.Send(0x06);
    EXPECT_EQ(peer.Read(), BuildFrame(Layout::Short, '2', Identity{}, Results{}));
    peer.Send(0x06);
    EXPECT_EQ(run.Join(), kExitDone);

    const std::string text = ReadFile(run.dir.File("farsim.log"));
    for (const char* line : {" rx 05 ENQ\n", " tx-frame status=0 len=57 layout=short attempt=1 fault=split\n",
                             " tx-frame status=1 len=57 layout=short attempt=2 fault=none\n", " test-complete n=1\n",
                             " stats etx-ack count=2 ", " tx 46 'F'\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    size_t etx = 0;
    for (size_t p = 0; (p = text.find(" tx-etx\n", p)) != std::string::npos; ++p) ++etx;
    EXPECT_EQ(etx, 4u);
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 57 + 57 + 57 + 94);  // every byte has its line
    EXPECT_EQ(text.rfind("t=", 0), 0u);
}

TEST(FarsimPtyLink, HangUpRelinksAFreshLineAndStaleBytesAreLost) {
    Line run(Scripted("wait-enq 10000\nfault disconnect\nsend status1\nwait-enq 10000\n"));
    {
        Peer peer(run.dir.File("com"));
        run.Start();
        peer.Send(0x05);
        const std::string got = peer.Read();
        EXPECT_EQ(got.size(), 58u);
        EXPECT_NE(got + peer.Read(), got) << "the line must be dropped";
    }
    // The link now leads to a new line; the program reopens it and searches again.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Peer again(run.dir.File("com"));
    again.Send(0x05);
    EXPECT_EQ(again.Read(), kIdentity);
    EXPECT_EQ(run.Join(), kExitDone);

    // Nobody holds the port for well over the simulator's 1 s of patience.
    Line stale(Scripted("send status 5\nwait-enq 10000\n"), "farsim.log");
    stale.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
    Peer peer(stale.dir.File("com"));
    peer.Send(0x05);
    EXPECT_EQ(peer.Read(), kIdentity) << "the stale status 5 frame must not reach a port opened later";
    EXPECT_EQ(stale.Join(), kExitDone);
    EXPECT_NE(ReadFile(stale.dir.File("farsim.log")).find(" dropped-unread n=58\n"), std::string::npos);
}
