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

namespace {

// The program's end of the line.
struct Peer {
    explicit Peer(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios t{};
        ::tcgetattr(fd, &t), ::cfmakeraw(&t), ::tcsetattr(fd, TCSANOW, &t);
    }
    ~Peer() { ::close(fd); }
    void Send(unsigned char b) { EXPECT_EQ(::write(fd, &b, 1), 1); }
    // Bytes up to and including the `frames`-th ETX; cut short on timeout, "HUP" appended when the line was dropped.
    std::string Read(int frames = 1) {
        std::string got;
        for (int waited = 0; waited < 5000; waited += 20) {
            pollfd p{fd, POLLIN, 0};
            unsigned char b;
            if (::poll(&p, 1, 20) <= 0) continue;
            if ((p.revents & (POLLHUP | POLLERR)) || ::read(fd, &b, 1) <= 0) return got + "HUP";
            if ((got += static_cast<char>(b)), b == 0x03 && --frames == 0) return got;
        }
        return got;
    }
    int fd;
};

// The simulator on its own thread, bounded so a fault never hangs the suite.
struct Line {
    explicit Line(SimConfig cfg) : port(CreatePtyLink(dir.File("com"), error)), sim(std::move(cfg)) {
        EXPECT_TRUE(port && log.OpenFile(dir.File("farsim.log"))) << error;
        limits.timeLimitMs = 30000, limits.goalPending = true, limits.logStats = true;
    }
    void Start() { thread = std::thread([this] { code = RunOnLine(sim, *port, log, limits, stop); }); }
    int Join() { return thread.join(), code; }
    ~Line() { stop = 1, thread.joinable() ? thread.join() : void(); }
    heliotab::testutil::TempDir dir;
    std::string error;
    std::unique_ptr<SerialPort> port;
    LogWriter log;
    Simulator sim;
    RunLimits limits;
    volatile std::sig_atomic_t stop = 0;
    int code = -1;
    std::thread thread;
};

std::string Frame(char status) { return BuildFrame(Layout::Short, status, Identity{}, Results{}); }

}  // namespace

TEST(FarsimPtyLink, OneTestOverARealLine) {
    SimConfig cfg;
    cfg.quietWindowMs = 100, cfg.measureAfterMs = 20, cfg.resultAfterMs = 20, cfg.exitAfterTests = 1;
    cfg.fault = Fault::Split;  // the identity arrives in pieces
    Line run(cfg);
    char target[256] = {};
    ASSERT_GT(::readlink(run.dir.File("com").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(run.port->Name(), target);
    Peer peer(run.dir.File("com"));
    run.Start();
    // ENQ; a NAK as after a bad checksum brings the same frame again; ACK.
    for (const auto& [answer, frames, want] : {std::tuple{0x05, 2, Frame('0') + Frame('1')}, {0x15, 1, Frame('1')}, {0x06, 1, Frame('2')}}) {
        peer.Send(answer);
        EXPECT_EQ(peer.Read(frames), want);
    }
    peer.Send(0x06);
    EXPECT_EQ(run.Join(), kExitDone);
    const std::string text = heliotab::testutil::ReadFile(run.dir.File("farsim.log"));
    for (const char* line : {" rx 05 ENQ\n", " tx-frame status=0 len=57 layout=short attempt=1 fault=split\n",
                             " tx-frame status=1 len=57 layout=short attempt=2 fault=none\n", " test-complete n=1\n",
                             " stats etx-ack count=2 ", " tx 46 'F'\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    int etx = 0;
    for (size_t p = 0; (p = text.find(" tx-etx\n", p)) != std::string::npos; ++p) ++etx;
    EXPECT_EQ(std::to_string(etx) + text.substr(0, 2), "4t=");
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 57 + 57 + 57 + 94);  // every byte has its line
}

TEST(FarsimPtyLink, HangUpRelinksAFreshLine) {
    SimConfig cfg;
    cfg.quietWindowMs = cfg.answerTimeoutMs = 50;
    std::string why;
    cfg.scenario = ParseScenario("wait-enq 10000\nfault disconnect\nsend status1\nwait-enq 10000\n", why);
    Line run(cfg);
    {
        Peer peer(run.dir.File("com"));
        run.Start(), peer.Send(0x05);
        const std::string got = peer.Read();
        EXPECT_EQ(got.size(), 58u);
        EXPECT_NE(got + peer.Read(), got) << "the line must be dropped";
    }
    // The link now leads to a new line; the program reopens it and searches again.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Peer again(run.dir.File("com"));
    again.Send(0x05);
    EXPECT_EQ(again.Read(), Frame('0'));
    EXPECT_EQ(run.Join(), kExitDone);
}
