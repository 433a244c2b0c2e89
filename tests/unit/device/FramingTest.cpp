// The wire: checksum, byte-by-byte framing whatever the split of the
// stream, the NAK's timing and count, and the port events' close timer.
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
        {"\x02\x0A??", "0A"},
        {"", "00"}, {"\x02", "00"}, {"\x02" "AB", "00"},
        {"\x02" "ZAB", "5A"},              // n = 4: position 2 only
        {"\x02" + std::string(400, 'z') + "??", "A0"},             // 48800 = 0xBEA0, beyond 32767
        {"\x02" + std::string(5000, '\xFF') + "??", "78"},         // 1275000 = 0x137478
    };
    for (auto& [frame, sum] : rows) EXPECT_EQ(FrameChecksum(frame), sum) << frame.size();
}

TEST_F(LinkTest, FramesRunFromStxToTheNextEtxAndNothingElseIsAFrame) {
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
        FreshLink t;
        t.f.link.ReceiveBytes(stream);
        std::vector<std::string> got;
        for (std::string frame; t.f.link.NextFrame(frame);) got.push_back(frame);
        EXPECT_EQ(got, frames) << stream.substr(0, 20);
    }
}

// A whole session: identity, start, results, another status, a bad frame,
// sign-off; its outcome on the wire, in the window and in the file.
struct Outcome {
    std::vector<std::pair<int, int64_t>> sent;
    std::array<std::string, 6> device;
    std::string file;
    std::vector<std::string> messages;
    bool online, armed;
    bool operator==(const Outcome&) const = default;
};

std::string SessionStream() {
    Separated sep;
    sep.aims[3] = "A#";
    return Wire(FixedIdentity(false)) + "garbage" + Wire(FixedStatus('1')) + Wire(SeparatedFrame(sep)) +
           Wire(FixedStatus('7')) + "\x02" "FARbad\x03" + Wire(FixedStatus('3'));
}

Outcome RunSession(const std::vector<size_t>& cuts) {
    FreshLink t;
    t.GoOnline();
    t.st.bTestArmed = true;
    const std::string stream = SessionStream();
    size_t from = 0;
    for (size_t cut : cuts) {
        t.Feed(stream.substr(from, cut - from));
        from = cut;
    }
    t.Feed(stream.substr(from));
    const int64_t end = t.Now();
    t.f.timers.Advance(600);
    Outcome o;
    for (auto& b : t.f.port.sent) o.sent.emplace_back(b.byte, b.atMs - end);
    o.device = t.f.view.device;
    o.file = testutil::ReadFile(t.folder.File("Test.FAR"));
    for (auto& m : t.f.messages.shown) {
        std::string text = m.text;  // without the run's own folder
        const size_t at = text.find(t.folder.Path());
        if (at != std::string::npos) text.erase(at, t.folder.Path().size());
        o.messages.push_back(text);
    }
    o.online = t.st.bDeviceOnline;
    o.armed = t.st.bTestArmed;
    return o;
}

TEST(SplitStream, WholeByteByByteAndEverySplitGiveTheSameOutcome) {
    const Outcome expected = RunSession({});
    // ACK (start), ACK (results), ACK (other status), NAK 0.5 s after the bad frame.
    EXPECT_EQ(expected.sent, (std::vector<std::pair<int, int64_t>>{{kACK, 0}, {kACK, 0}, {kACK, 0}, {kNAK, 500}}));
    EXPECT_NE(expected.file.find("VertAbbSx=A\r\n"), std::string::npos);
    EXPECT_NE(expected.file.find("Esito=#A\r\n"), std::string::npos);
    EXPECT_NE(expected.file.find("Marca=LUXOMETRA\r\n"), std::string::npos);
    EXPECT_EQ(expected.messages.size(), 1u);  // delivered
    EXPECT_EQ(expected.device, (std::array<std::string, 6>{}));
    EXPECT_FALSE(expected.online);  // signed off at the end
    EXPECT_FALSE(expected.armed);

    const size_t n = SessionStream().size();
    std::vector<size_t> every;
    for (size_t i = 1; i < n; ++i) every.push_back(i);
    EXPECT_EQ(RunSession(every), expected);
    for (size_t cut = 1; cut < n; ++cut) ASSERT_EQ(RunSession({cut}), expected) << "split at " << cut;
}

// A frame that arrives while an earlier frame's message is open is handled
// at once, and the bytes after it keep their order.
TEST_F(LinkTest, FramesArrivingUnderAnOpenMessageKeepTheirOrder) {
    GoMeasuring();
    const std::string other = Wire(FixedStatus('6'));
    f.messages.whileOpen = [&] { Feed(other.substr(20) + Wire(FixedStatus('5'))); };
    Separated refused;
    refused.code = "4";
    Feed(Wire(SeparatedFrame(refused)) + other.substr(0, 20));
    EXPECT_EQ(Sent(), "\x06\x06\x06");
}

// --- bad frames -------------------------------------------------------------------

TEST_F(LinkTest, NakComesExactlyHalfASecondAfterTheBadFrame) {
    GoOnline();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    f.timers.Advance(123);
    const int64_t at = Now();
    Feed(bad + kEtx);
    f.timers.Advance(499);
    EXPECT_EQ(Sent(), "");
    f.timers.Advance(1);
    ASSERT_EQ(f.port.sent.size(), 1u);
    EXPECT_EQ(f.port.sent[0].atMs, at + 500);
    f.timers.Advance(5000);
    EXPECT_EQ(Sent(), "\x15");
}

// Bad frames in a row, with frames between them: b bad, i identity, o other
// status, s armed start, r results, 3 sign-off then identity; each bad
// frame given 0.5 s. The fourth bad frame in a row gets message 362 and no
// NAK; the count starts again after accepted starts and results, a sign-off
// and the message.
TEST_F(LinkTest, TheFourthBadFrameInARowGetsTheMessageInsteadOfANak) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"bbbb", "NNN!"},
        {"bbbbb", "NNN!N"},
        {"bioobbb", "NAANN!"},
        {"bbbsb", "NNNAN"},
        {"bbsbbrbb", "NNANNANN"},
        {"bbb3bb", "NNNNN"},
    };
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    for (auto& [events, wire] : rows) {
        FreshLink t;
        t.GoOnline();
        t.st.bTestArmed = true;
        for (char e : events) {
            const size_t shown = t.f.messages.shown.size();
            if (e == 'b') t.Feed(bad + kEtx);
            if (e == 'i') t.Feed(Wire(FixedIdentity(true)));
            if (e == 'o') t.Feed(Wire(FixedStatus('5')));
            if (e == 's') t.Feed(Wire(FixedStatus('1')));
            if (e == 'r') t.Feed(Wire(FixedResults(true)));
            if (e == '3') t.Feed(Wire(FixedStatus('3')) + Wire(FixedIdentity(true)));
            t.f.timers.Advance(500);
            if (e == 'b' && t.f.messages.shown.size() > shown) t.f.port.sent.push_back({'!', 0});
        }
        std::string got;
        for (auto& b : t.f.port.sent) got += b.byte == kNAK ? 'N' : b.byte == kACK ? 'A' : static_cast<char>(b.byte);
        EXPECT_EQ(got, wire) << events;
        for (auto& m : t.f.messages.shown)
            if (m.style == kStyleStop) EXPECT_EQ(m.text + m.title, t.Lang(362) + t.Lang(361));
    }
}

TEST_F(LinkTest, BadFramesUnderTheOpenMessageCountOnWithoutNakOrMessage) {
    GoOnline();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    for (int i = 0; i < 3; ++i) {
        Feed(bad + kEtx);
        f.timers.Advance(500);
    }
    f.messages.whileOpen = [&] {
        Feed(bad + kEtx);
        Feed(bad + kEtx);
        f.timers.Advance(1000);
    };
    Feed(bad + kEtx);
    EXPECT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].style, kStyleStop);
    // Closed: the count starts again; three more NAKs before the next message.
    for (int i = 0; i < 4; ++i) {
        Feed(bad + kEtx);
        f.timers.Advance(500);
    }
    EXPECT_EQ(Sent(), "\x15\x15\x15\x15\x15\x15");
    EXPECT_EQ(f.messages.shown.size(), 2u);
}

TEST_F(LinkTest, NoNakWhileSearchingClosingOrWithThePortClosed) {
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    // Searching: dropped and not counted.
    ASSERT_TRUE(f.port.Open(3));
    st.bDeviceSearch = true;
    for (int i = 0; i < 5; ++i) Feed(bad + kEtx);
    f.timers.Advance(2000);
    EXPECT_EQ(Sent(), "");
    EXPECT_TRUE(f.messages.shown.empty());
    GoOnline();
    // The program is closing.
    Feed(bad + kEtx);
    f.timers.Advance(200);
    st.bQuitQuery = true;
    f.timers.Advance(1000);
    st.bQuitQuery = false;
    // The port closed meanwhile.
    Feed(bad + kEtx);
    f.port.Close();
    f.timers.Advance(1000);
    ASSERT_TRUE(f.port.Open(3));
    // The third in a row still gets its NAK: both counted.
    Feed(bad + kEtx);
    f.timers.Advance(500);
    EXPECT_EQ(Sent(), "\x15");
    EXPECT_TRUE(f.messages.shown.empty());
}

// --- port events ------------------------------------------------------------------

TEST_F(LinkTest, CloseTimerStartsAfterEveryPortEventWhileACloseIsPending) {
    Feed("x");
    EXPECT_FALSE(f.timers.IsRunning(kTimerClose));
    st.bClosePending = true;
    Feed("no frame at all");
    ASSERT_TRUE(f.timers.IsRunning(kTimerClose));
    EXPECT_EQ(f.timers.DueAt(kTimerClose), Now() + 100);
    f.timers.Advance(99);
    EXPECT_FALSE(f.view.unloaded);
    f.timers.Advance(1);
    EXPECT_TRUE(f.view.unloaded);
    // A disconnect notice is a port event too, also while closing.
    for (bool quitting : {false, true}) {
        st.bQuitQuery = quitting;
        f.timers.StopTimer(kTimerClose);
        OnSerialDisconnect(s);
        ASSERT_TRUE(f.timers.IsRunning(kTimerClose)) << quitting;
        EXPECT_EQ(f.timers.DueAt(kTimerClose), Now() + 100);
    }
}

TEST_F(LinkTest, DisconnectClosesThePortDropsThePendingNakAndSearchesAgain) {
    GoMeasuring();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    Feed(bad + kEtx);
    const std::string partial = Wire(FixedStatus('5')).substr(0, 10);
    Feed(partial);
    EXPECT_EQ(Words(f.link.PortLost()), "close t3- " + std::string(
        "-Combo combo=#303 -Test -Ferma +Opzioni +Tray Stato=#334 PortaCOM=#331 veh0= veh1= veh2= op= "
        "dev0= dev1= dev2= dev3= dev4= dev5= t1+1000"));
    f.link.ReceiveBytes(Wire(FixedStatus('5')).substr(10));
    std::string frame;
    EXPECT_FALSE(f.link.NextFrame(frame));  // the partial frame went with the line
    // Through the main window: the pending NAK is dropped; the next attempt
    // opens the port one second later, ENQ half a second after that.
    GoMeasuring();
    Feed(bad + kEtx);
    OnSerialDisconnect(s);
    EXPECT_FALSE(f.port.IsOpen());
    EXPECT_FALSE(st.bTestArmed);
    f.timers.Advance(1499);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(f.port.opened, std::vector<int>{3});
    f.timers.Advance(1);
    EXPECT_EQ(Sent(), "\x05");
    // While closing, a lost line only closes the port.
    st.bQuitQuery = true;
    EXPECT_EQ(Words(f.link.PortLost()), "close t3-");
}

}  // namespace
}  // namespace heliotab::testing_link
