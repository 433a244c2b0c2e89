// Win32SerialPort against a real COM device: under Wine, a socat pty pair
// linked as two COM ports (run_serial_test.sh sets it up). Skipped when
// HELIOTAB_TEST_COM is not set.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "device/SerialPort_win32.h"

namespace heliotab {
namespace {

constexpr UINT kChunk = WM_APP + 1;
constexpr UINT kDisconnect = WM_APP + 2;

int EnvPort(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : 0;
}

// Message-only windows that collect what the readers post, by window.
class Receiver {
public:
    ~Receiver() {
        for (HWND h : windows_) DestroyWindow(h);
    }
    HWND NewWindow() {
        HWND h = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        windows_.push_back(h);
        return h;
    }

    // Pumps until done() or the timeout; true when done.
    template <class F>
    bool PumpUntil(F done, DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == kChunk) received[msg.hwnd] += Win32SerialPort::TakeChunk(msg.wParam, msg.lParam);
                else if (msg.message == kDisconnect) disconnects[msg.hwnd].push_back(msg.wParam);
                else DispatchMessageA(&msg);
            }
            if (done()) return true;
            if (GetTickCount64() >= end) return false;
            Sleep(5);
        }
    }

    std::map<HWND, std::string> received;
    std::map<HWND, std::vector<WPARAM>> disconnects;

private:
    std::vector<HWND> windows_;
};

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = EnvPort("HELIOTAB_TEST_COM");
        peer = EnvPort("HELIOTAB_TEST_COM_PEER");
        if (port < 1 || peer < 1) GTEST_SKIP() << "HELIOTAB_TEST_COM / HELIOTAB_TEST_COM_PEER not set";
    }
    int port = 0, peer = 0;
    Receiver rx;
    HWND hA = rx.NewWindow(), hB = rx.NewWindow();
};

TEST_F(SerialPortTest, BytesTravelBothWaysUnchanged) {
    Win32SerialPort a(hA, kChunk, kDisconnect), b(hB, kChunk, kDisconnect);
    ASSERT_TRUE(a.Open(port));
    ASSERT_TRUE(b.Open(peer));
    EXPECT_TRUE(a.IsOpen());

    // The control bytes, and the bytes a text mode would mangle.
    const std::string control = std::string("\x05\x06\x15\x18\x04", 5) + std::string(1, '\0') + "\xFF\x0D\x0A\x1A\x11\x13";
    for (char c : control) ASSERT_TRUE(a.Send(static_cast<uint8_t>(c)));
    ASSERT_TRUE(rx.PumpUntil([&] { return rx.received[hB].size() >= control.size(); }, 5000));
    EXPECT_EQ(rx.received[hB], control);

    // A long separated frame the other way, every byte value included.
    std::string frame = "\x02" "FAR";
    for (int i = 0; i < 600; ++i) frame.push_back(static_cast<char>(i % 256));
    frame += "\x03";
    const ULONGLONG t0 = GetTickCount64();
    for (char c : frame) ASSERT_TRUE(b.Send(static_cast<uint8_t>(c)));
    const ULONGLONG t1 = GetTickCount64();
    ASSERT_TRUE(rx.PumpUntil([&] { return rx.received[hA].size() >= frame.size(); }, 5000));
    EXPECT_EQ(rx.received[hA], frame);
    std::printf("%zu single-byte sends: %llu ms; all received after %llu ms\n", frame.size(),
                t1 - t0, GetTickCount64() - t0);
    ASSERT_TRUE(rx.PumpUntil([&] { return a.OutBufferCount() == 0 && b.OutBufferCount() == 0; }, 2000));
    EXPECT_TRUE(rx.disconnects[hA].empty());
    EXPECT_TRUE(rx.disconnects[hB].empty());
}

TEST_F(SerialPortTest, CloseIsQuickAndTheReopenedPortGetsEveryByte) {
    Win32SerialPort a(hA, kChunk, kDisconnect), b(hB, kChunk, kDisconnect);
    ASSERT_TRUE(b.Open(peer));
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(a.Open(port)) << round;
        const std::string msg = "round " + std::to_string(round);
        for (char c : msg) ASSERT_TRUE(b.Send(static_cast<uint8_t>(c)));
        ASSERT_TRUE(rx.PumpUntil([&] { return rx.received[hA].size() >= msg.size(); }, 5000)) << round;
        EXPECT_EQ(rx.received[hA], msg);
        rx.received.clear();

        const ULONGLONG t0 = GetTickCount64();
        a.Close();
        EXPECT_LT(GetTickCount64() - t0, 1000u);  // one read timeout, with room to spare
        EXPECT_FALSE(a.IsOpen());
        EXPECT_FALSE(a.Send(0x05));
    }
    // Bytes sent while the port was closed are not read by an orphaned reader:
    // the next open sees what arrives after it.
    ASSERT_TRUE(a.Open(port));
    for (char c : std::string("after")) ASSERT_TRUE(b.Send(static_cast<uint8_t>(c)));
    ASSERT_TRUE(rx.PumpUntil([&] { return rx.received[hA].size() >= 5; }, 5000));
    EXPECT_EQ(rx.received[hA], "after");
    EXPECT_TRUE(rx.disconnects[hA].empty());
}

TEST_F(SerialPortTest, MissingPortFailsToOpen) {
    Win32SerialPort a(hA, kChunk, kDisconnect);
    EXPECT_FALSE(a.Open(77));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_FALSE(a.Open(0));
}

// Run by the script with HELIOTAB_TEST_EXPECT_DISCONNECT=1: it kills the
// pty pair as soon as the byte sent here reaches the other end.
TEST_F(SerialPortTest, DroppedLineIsReportedOnce) {
    if (!std::getenv("HELIOTAB_TEST_EXPECT_DISCONNECT")) GTEST_SKIP() << "needs the script's line drop";
    Win32SerialPort a(hA, kChunk, kDisconnect);
    ASSERT_TRUE(a.Open(port));
    ASSERT_TRUE(a.Send(0x05));
    ASSERT_TRUE(rx.PumpUntil([&] { return !rx.disconnects[hA].empty(); }, 20000));
    EXPECT_EQ(rx.disconnects[hA][0], a.Generation());
    rx.PumpUntil([] { return false; }, 1000);  // no repeats: the reader has stopped
    EXPECT_EQ(rx.disconnects[hA].size(), 1u);
    a.Close();
    EXPECT_FALSE(a.IsOpen());
}

}  // namespace
}  // namespace heliotab
