// The wire: checksum, byte-by-byte framing whatever the split of the
// stream, the NAK's timing and count, and the port events.
#include <algorithm>
#include <vector>

#include "device/FrameAssembler.h"
#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

TEST(FrameChecksum, SumsPositionsTwoToNMinusTwoIntoTwoUpperCaseHexDigits) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"\x02" "abc??", "26"},            // 'a' + 'b' + 'c' = 294 = 0x126
        {"\x7F" "abc\xFF\xFF", "26"},      // the STX and checksum places do not count
        {"\x02\xFA\x01??", "FB"},          // bytes above 127 count as bytes
        {"\x02\x0A??", "0A"}, {"", "00"}, {"\x02", "00"}, {"\x02" "AB", "00"},
        {"\x02" "ZAB", "5A"},              // n = 4: position 2 only
        {"\x02" + std::string(400, 'z') + "??", "A0"},             // 48800 = 0xBEA0, beyond 32767
        {"\x02" + std::string(5000, '\xFF') + "??", "78"},         // 1275000 = 0x137478
    };
    for (auto& [frame, sum] : rows) EXPECT_EQ(FrameChecksum(frame), sum) << frame.size();
}

TEST(Link, FramesRunFromStxToTheNextEtxAndNothingElseIsAFrame) {
    const std::string big = "\x02" + std::string(FrameAssembler::kMaxFrame - 1, 'x');
    const std::vector<std::pair<std::string, std::vector<std::string>>> rows{
        {std::string("noise\x03\x02" "FAR1\x03junk\x02" "FAR2\0x\x03", 24),
         {"\x02" "FAR1", std::string("\x02" "FAR2\0x", 7)}},  // a NUL stays in the frame
        {"\x02" "FAR-half\x02" "FAR-whole\x03", {"\x02" "FAR-whole"}},
        {"\x02" "FAR no end", {}},
        {"\x02" + std::string(FrameAssembler::kMaxFrame + 10, 'x') + "\x03", {}},  // too long: dropped
        {big + "\x03", {big}},                                                     // just at the bound
        {big + "y\x03\x02" "FAR\x03", {"\x02" "FAR"}},                           // one past it, then resync
    };
    for (auto& [stream, frames] : rows) {
        Link t;
        t.f.link.ReceiveBytes(stream);
        std::vector<std::string> got;
        for (std::string frame; t.f.link.NextFrame(frame);) got.push_back(frame);
        EXPECT_EQ(got, frames) << stream.substr(0, 20);
    }
}

// A whole session (identity, start, results, another status, a bad frame,
// sign-off) as the wire with times, the file, the messages and the flags.
std::string SessionStream() {
    Separated sep;
    sep.aims[3] = "A#";
    return Wire(FixedIdentity(false)) + "garbage" + Wire(FixedStatus('1')) + Wire(SeparatedFrame(sep)) +
           Wire(FixedStatus('7')) + "\x02" "FARbad\x03" + Wire(FixedStatus('3'));
}

std::string RunSession(const std::vector<size_t>& cuts) {
    Link t;
    t.GoOnline();
    t.st.bTestArmed = true;
    const std::string stream = SessionStream();
    size_t from = 0;
    for (size_t cut : cuts) {
        t.Feed(stream.substr(from, cut - from));
        from = cut;
    }
    t.Feed(stream.substr(from));
    const int64_t end = t.f.clock.Ms();
    t.f.timers.Advance(600);
    std::string o;
    for (auto& b : t.f.port.sent) o += std::to_string(b.byte) + "@" + std::to_string(b.atMs - end) + " ";
    for (auto& d : t.f.view.device) o += d + "|";
    const std::string file = testutil::ReadFile(t.folder.File("Test.FAR"));
    for (const char* line : {"VertAbbSx=A\r\n", "Esito=#A\r\n", "Marca=LUXOMETRA\r\n"})
        o += file.find(line) != std::string::npos ? "+" : "-";
    return o + std::to_string(t.f.messages.shown.size()) + t.Text(t.f.view.panels[Panel::PortaCOM]) +
           std::to_string(t.st.bDeviceOnline) + std::to_string(t.st.bTestArmed);
}

TEST(Link, WholeByteByByteAndEverySplitGiveTheSameOutcome) {
    // ACK (start), ACK (results), ACK (other status), NAK 0.5 s after the
    // bad frame; one message (delivered); signed off at the end.
    const std::string expected = "6@0 6@0 6@0 21@500 ||||||+++1#33100";
    EXPECT_EQ(RunSession({}), expected);
    const size_t n = SessionStream().size();
    std::vector<size_t> every;
    for (size_t i = 1; i < n; ++i) every.push_back(i);
    EXPECT_EQ(RunSession(every), expected);
    for (size_t cut = 1; cut < n; ++cut) ASSERT_EQ(RunSession({cut}), expected) << "split at " << cut;
}

// A frame that arrives while an earlier frame's message is open is handled
// at once, and the bytes after it keep their order.
TEST(Link, FramesArrivingUnderAnOpenMessageKeepTheirOrder) {
    Link t;
    t.GoMeasuring();
    const std::string other = Wire(FixedStatus('6'));
    t.f.messages.whileOpen = [&] { t.Feed(other.substr(20) + Wire(FixedStatus('5'))); };
    Separated refused;
    refused.code = "4";
    t.Feed(Wire(SeparatedFrame(refused)) + other.substr(0, 20));
    EXPECT_EQ(t.Sent(), "\x06\x06\x06");
}

TEST(Link, NakComesExactlyHalfASecondAfterTheBadFrame) {
    Link t;
    t.GoOnline();
    t.f.timers.Advance(123);
    const int64_t at = t.f.clock.Ms();
    t.Feed(BadFrame() + kEtx);
    t.f.timers.Advance(499);
    EXPECT_EQ(t.Sent(), "");
    t.f.timers.Advance(5001);
    ASSERT_EQ(t.Sent(), "\x15");
    EXPECT_EQ(t.f.port.sent[0].atMs, at + 500);
}

// Bad frames in a row, each given 0.5 s, with frames between them: b bad,
// i identity, o other status, s armed start, r results, 3 sign-off then
// identity; m bad while two more bad ones come under its message; S
// searching; q bad while the program closes; c bad with the port closed;
// e a connection attempt's ENQ. The wire: N NAK, A ACK, E ENQ, ! the
// message instead (fourth in a row).
TEST(Link, TheFourthBadFrameInARowGetsTheMessageInsteadOfANak) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"bbbb", "NNN!"}, {"bbbbb", "NNN!N"}, {"bioobbb", "NAANN!"}, {"bbbsb", "NNNAN"}, {"bbsbbrbb", "NNANNANN"},
        {"bbb3bb", "NNNNN"}, {"bbbmbbbb", "NNN!NNN!"}, {"Sbbbbbiqcb", "N"}, {"qqqq", "!"},
        {"bbbebbb", "NNNENNN"},
    };
    for (auto& [events, wire] : rows) {
        Link t;
        t.GoOnline();
        t.st.bTestArmed = true;
        const std::string bad = BadFrame() + kEtx;
        // Only message 362 counts here (a delivered result has its own).
        auto stops = [&] {
            return std::count_if(t.f.messages.shown.begin(), t.f.messages.shown.end(), [&](const ShownMessage& m) {
                return t.Text(m.text) + t.Text(m.title) + std::to_string(m.style) == "#362#36116";
            });
        };
        for (char e : events) {
            const auto shown = stops();
            if (e == 'm') t.f.messages.whileOpen = [&] { t.Feed(bad + bad); t.f.timers.Advance(1000); };
            if (e == 'b' || e == 'm') t.Feed(bad);
            if (e == 'i') t.Feed(Wire(FixedIdentity(true)));
            if (e == 'o') t.Feed(Wire(FixedStatus('5')));
            if (e == 's') t.Feed(Wire(FixedStatus('1')));
            if (e == 'r') t.Feed(Wire(FixedResults(true)));
            if (e == '3') t.Feed(Wire(FixedStatus('3')) + Wire(FixedIdentity(true)));
            if (e == 'S') t.st.bDeviceSearch = true;
            if (e == 'e') CarryOut(t.s, t.f.link.PollDevice(false));
            if (e == 'q') {
                t.Feed(bad);
                t.f.timers.Advance(200);
                t.st.bQuitQuery = true;
                t.f.timers.Advance(1000);
                t.st.bQuitQuery = false;
            }
            if (e == 'c') {
                t.Feed(bad);
                t.f.port.Close();
                t.f.timers.Advance(1000);
                t.f.port.Open(3);
            }
            t.f.timers.Advance(500);
            if (stops() > shown) t.f.port.sent.push_back({'!', 0});
        }
        std::string got;
        for (auto& b : t.f.port.sent) got += b.byte == kNAK ? 'N' : b.byte == kACK ? 'A' : b.byte == kENQ ? 'E' : static_cast<char>(b.byte);
        EXPECT_EQ(got, wire) << events;
    }
}

// While a close is pending every port event (bytes, a disconnect notice,
// also while quitting) starts the close timer: 0.1 s, then the unload.
TEST(Link, CloseTimerStartsAfterEveryPortEventWhileACloseIsPending) {
    Link t;
    auto due = [&] { return t.f.timers.IsRunning(kTimerClose) ? t.f.timers.DueAt(kTimerClose) - t.f.clock.Ms() : -1; };
    t.Feed("x");
    EXPECT_EQ(due(), -1);
    t.st.bClosePending = true;
    t.Feed("no frame at all");
    EXPECT_EQ(due(), 100);
    t.f.timers.Advance(99);
    EXPECT_FALSE(t.f.view.unloaded);
    t.f.timers.Advance(1);
    EXPECT_TRUE(t.f.view.unloaded);
    for (bool quitting : {false, true}) {
        t.st.bQuitQuery = quitting;
        OnSerialDisconnect(t.s);
        EXPECT_EQ(due(), 100) << quitting;
        t.f.timers.StopTimer(kTimerClose);
    }
}

// A lost line: the port closed, the partial frame and the pending NAK
// dropped, the window reset and the search on again (the next attempt
// opens the port one second later, ENQ half a second after that); while
// closing, only the port is closed.
TEST(Link, DisconnectClosesThePortDropsThePendingNakAndSearchesAgain) {
    Link t;
    t.GoMeasuring();
    t.Feed(BadFrame() + kEtx + Wire(FixedStatus('5')).substr(0, 10));
    EXPECT_EQ(t.Words(t.f.link.PortLost()), "close t3- -Combo combo=#303 -Test -Ferma +Opzioni +Tray Stato=#334 "
                                            "PortaCOM=#331 veh0= veh1= veh2= op= dev0= dev1= dev2= dev3= dev4= dev5= t1+1000");
    t.f.link.ReceiveBytes(Wire(FixedStatus('5')).substr(10));
    std::string frame;
    EXPECT_FALSE(t.f.link.NextFrame(frame));
    t.GoMeasuring();
    t.Feed(BadFrame() + kEtx);
    OnSerialDisconnect(t.s);
    EXPECT_FALSE(t.f.port.IsOpen() || t.st.bTestArmed);
    t.f.timers.Advance(1499);
    EXPECT_EQ(t.Sent(), "");
    EXPECT_EQ(t.f.port.opened, std::vector<int>{3});
    t.f.timers.Advance(1);
    EXPECT_EQ(t.Sent(), "\x05");
    t.st.bQuitQuery = true;
    EXPECT_EQ(t.Words(t.f.link.PortLost()), "close t3-");
}

}  // namespace
}  // namespace heliotab::testing_link
