// Win32SerialPort against a real COM device: under Wine, a socat pty pair
// linked as two COM ports by run_serial_test.sh (skipped without it).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <map>
#include <utility>

#include "device/SerialPort_win32.h"

namespace heliotab {
namespace {

constexpr UINT kData = WM_APP + 1, kDisconnect = WM_APP + 2;

int EnvPort(const char* name) {
    return std::getenv(name) ? std::atoi(std::getenv(name)) : 0;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (port < 1 || peer < 1)
            GTEST_SKIP() << "HELIOTAB_TEST_COM / HELIOTAB_TEST_COM_PEER not set";
    }
    static HWND Window() {
        return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
    }
    // Pumps until done() or the timeout, noting each notice's generation by
    // window; true when done.
    template <class F> bool PumpUntil(F done, DWORD ms) {
        for (const ULONGLONG end = GetTickCount64() + ms;; Sleep(5)) {
            for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);)
                (m.message == kData ? data : disconnects)[m.hwnd].push_back(m.wParam);
            if (done() || GetTickCount64() >= end)
                return done();
        }
    }
    // What p hands over for the notices to h until `bytes` came.
    std::string Receive(Win32SerialPort& p, HWND h, size_t bytes) {
        std::string got;
        PumpUntil(
            [&] {
                for (WPARAM g : std::exchange(data[h], {}))
                    got += p.TakeReceived(g);
                return got.size() >= bytes;
            },
            5000);
        return got;
    }
    static void Send(Win32SerialPort& p, const std::string& bytes) {
        for (char c : bytes)
            ASSERT_TRUE(p.Send(static_cast<uint8_t>(c)));
    }
    int port = EnvPort("HELIOTAB_TEST_COM"), peer = EnvPort("HELIOTAB_TEST_COM_PEER");
    HWND hA = Window(), hB = Window();
    std::map<HWND, std::vector<WPARAM>> data, disconnects;
};

TEST_F(SerialPortTest, BytesTravelUnchangedAndAClosedOpenHandsNothingOver) {
    Win32SerialPort a(hA, kData, kDisconnect), b(hB, kData, kDisconnect);
    EXPECT_FALSE(a.Open(77) || a.Open(0)); // no such port
    ASSERT_TRUE(b.Open(peer));
    // The control bytes and those a text mode would mangle; a long frame with every byte value.
    std::string frame = std::string("\x05\x06\x15\x18\x04\0\xFF\x0D\x0A\x1A\x11\x13\x02", 13);
    for (int i = 0; i < 600; ++i)
        frame += static_cast<char>(i % 256);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(a.Open(port)) << round;
        EXPECT_NE(a.Generation(), b.Generation());
        Send(round == 1 ? a : b, frame);
        EXPECT_EQ(round == 1 ? Receive(b, hB, frame.size()) : Receive(a, hA, frame.size()), frame)
            << round; // no orphaned reader of an earlier open takes a share
        if (round == 0) {
            // A notice lost on its way (a modal loop ending drops the message
            // it took): the bytes waiting untaken are announced again.
            Send(b, "lost");
            ASSERT_TRUE(PumpUntil([&] { return !data[hA].empty(); }, 5000));
            data[hA].clear();
            EXPECT_EQ(Receive(a, hA, 4), "lost");
        }
        // Bytes that came just before a close: their notice takes nothing, then or after a reopen.
        Send(b, "\x02stale");
        ASSERT_TRUE(PumpUntil([&] { return !data[hA].empty(); }, 5000));
        const ULONGLONG t0 = GetTickCount64();
        a.Close();
        EXPECT_LT(GetTickCount64() - t0, 1000u); // one read timeout, with room to spare
        EXPECT_FALSE(a.IsOpen() || a.Send(0x05));
        EXPECT_EQ(a.TakeReceived(data[hA].front()), "");
        ASSERT_TRUE(a.Open(port));
        EXPECT_EQ(a.TakeReceived(std::exchange(data[hA], {}).front()), "");
        a.Close();
    }
    EXPECT_TRUE(PumpUntil([&] { return b.OutBufferCount() == 0; }, 2000));
    EXPECT_TRUE(disconnects.empty());
}

// Run by the script with HELIOTAB_TEST_EXPECT_DISCONNECT=1: it kills the pty
// pair as soon as the byte sent here reaches the other end.
TEST_F(SerialPortTest, DroppedLineIsReportedOnce) {
    if (!std::getenv("HELIOTAB_TEST_EXPECT_DISCONNECT"))
        GTEST_SKIP() << "needs the script's line drop";
    Win32SerialPort a(hA, kData, kDisconnect);
    ASSERT_TRUE(a.Open(port) && a.Send(0x05));
    ASSERT_TRUE(PumpUntil([&] { return !disconnects[hA].empty(); }, 20000));
    PumpUntil([] { return false; }, 1000); // no repeats: the reader has stopped
    EXPECT_EQ(disconnects[hA], std::vector<WPARAM>({a.Generation()}));
}

} // namespace
} // namespace heliotab
