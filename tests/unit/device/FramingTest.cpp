// Checksum and byte-by-byte framing: the tester's stream may be split
// anywhere, and the outcome must not depend on where.
#include "device/FrameAssembler.h"
#include "device/LinkFixture.h"

namespace heliotab::testing_link {
namespace {

TEST(FrameChecksum, CoversPositionsTwoToNMinusTwoAsUpperCaseHex) {
    // 'a' + 'b' + 'c' = 294, low byte 0x26.
    EXPECT_EQ(FrameChecksum("\x02" "abc??"), "26");
    // The STX and the checksum places do not count.
    EXPECT_EQ(FrameChecksum("\x7F" "abc\xFF\xFF"), "26");
    // 0xFA + 0x01 = 0xFB: upper-case digits, and bytes above 127 count as bytes.
    EXPECT_EQ(FrameChecksum("\x02\xFA\x01??"), "FB");
    EXPECT_EQ(FrameChecksum("\x02\x0A??"), "0A");
}

TEST(FrameChecksum, ShortFramesGiveZeros) {
    EXPECT_EQ(FrameChecksum(""), "00");
    EXPECT_EQ(FrameChecksum("\x02"), "00");
    EXPECT_EQ(FrameChecksum("\x02" "AB"), "00");
    EXPECT_EQ(FrameChecksum("\x02" "ZAB"), "5A");  // n = 4: position 2 only
}

TEST(FrameChecksum, LongFrameKeepsItsLowByteBeyond32767) {
    // 400 'z' = 48800 = 0xBEA0: the low byte, not "00".
    const std::string frame = "\x02" + std::string(400, 'z') + "??";
    EXPECT_EQ(FrameChecksum(frame), "A0");
    const std::string huge = "\x02" + std::string(5000, '\xFF') + "??";  // 1275000 = 0x137478
    EXPECT_EQ(FrameChecksum(huge), "78");
}

std::vector<std::string> FeedAll(const std::string& bytes) {
    std::string buffer, frame;
    FrameAssembler a(buffer);
    std::vector<std::string> frames;
    for (char c : bytes)
        if (a.Feed(static_cast<uint8_t>(c), frame)) frames.push_back(frame);
    return frames;
}

TEST(FrameAssembler, FramesRunFromStxToTheNextEtxWithoutTheEtx) {
    const char bytes[] = "noise\x03\x02" "FAR1" "\x03" "junk\x02" "FAR2\x00x" "\x03";
    auto frames = FeedAll(std::string(bytes, sizeof bytes - 1));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], "\x02" "FAR1");
    EXPECT_EQ(frames[1], std::string("\x02" "FAR2\0x", 7));  // NUL stays in the frame
}

TEST(FrameAssembler, StxDropsThePartialFrame) {
    auto frames = FeedAll("\x02" "FAR-half" "\x02" "FAR-whole" "\x03");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], "\x02" "FAR-whole");
}

TEST(FrameAssembler, NoEtxNoFrameAndOverlongPartialIsDropped) {
    EXPECT_TRUE(FeedAll("\x02" "FAR no end").empty());
    // Past the bound the partial frame goes; its ETX then ends nothing.
    std::string flood = "\x02" + std::string(FrameAssembler::kMaxFrame + 10, 'x') + "\x03";
    EXPECT_TRUE(FeedAll(flood).empty());
    std::string buffer;
    FrameAssembler a(buffer);
    std::string frame;
    for (char c : flood) a.Feed(static_cast<uint8_t>(c), frame);
    EXPECT_LE(buffer.size(), FrameAssembler::kMaxFrame);
    // A frame just at the bound still passes.
    std::string big = "\x02" + std::string(FrameAssembler::kMaxFrame - 1, 'x');
    auto frames = FeedAll(big + "\x03");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], big);
}

// A whole session: identity, start, results, another status, a bad frame,
// sign-off. Its outcome as the tester and the operator see it.
struct Outcome {
    std::string sent;
    std::vector<int64_t> sentAt;
    std::array<std::string, 6> device;
    std::string marca, esito, illum, fine;
    bool online, armed;
    int writes;
    bool operator==(const Outcome&) const = default;
};

class SplitSession : public LinkTest {
public:
    void TestBody() override {}
    static std::string Stream() {
        Separated sep;
        sep.aims[3] = "A#";
        return Wire(FixedIdentity(false)) + "garbage" + Wire(FixedStatus('1')) + Wire(SeparatedFrame(sep)) +
               Wire(FixedStatus('7')) + "\x02" "FARbad\x03" + Wire(FixedStatus('3'));
    }
    Outcome Run(const std::vector<size_t>& cuts) {
        GoOnline();
        st.bTestArmed = true;
        const std::string stream = Stream();
        size_t from = 0;
        for (size_t cut : cuts) {
            Feed(stream.substr(from, cut - from));
            from = cut;
        }
        Feed(stream.substr(from));
        f.timers.Advance(600);
        Outcome o;
        for (auto& b : f.port.sent) {
            o.sent.push_back(static_cast<char>(b.byte));
            o.sentAt.push_back(b.atMs);
        }
        o.device = f.view.device;
        o.marca = st.farResult.Marca;
        o.esito = st.farResult.Esito;
        o.illum = st.farResult.IllumLuxAnabDx;
        o.fine = st.farResult.FineMisura;
        o.online = st.bDeviceOnline;
        o.armed = st.bTestArmed;
        o.writes = 0;
        return o;
    }
};

TEST(SplitStream, WholeByteByByteAndEverySplitGiveTheSameOutcome) {
    const std::string stream = SplitSession::Stream();
    SplitSession whole;
    const Outcome expected = whole.Run({});
    // ACK (start), ACK (results), ACK (other status), NAK 0.5 s after the bad frame.
    EXPECT_EQ(expected.sent, "\x06\x06\x06\x15");
    EXPECT_EQ(expected.esito, "#A");
    EXPECT_EQ(expected.illum, "12500");
    EXPECT_FALSE(expected.online);  // signed off at the end

    std::vector<size_t> every;
    for (size_t i = 1; i < stream.size(); ++i) every.push_back(i);
    SplitSession bytewise;
    EXPECT_EQ(bytewise.Run(every), expected);

    for (size_t cut = 1; cut < stream.size(); ++cut) {
        SplitSession split;
        ASSERT_EQ(split.Run({cut}), expected) << "split at " << cut;
    }
}

TEST_F(LinkTest, CloseTimerStartsAfterEveryReceiveEventWhileACloseIsPending) {
    Feed("x");
    EXPECT_FALSE(f.timers.IsRunning(kTimerClose));
    st.bClosePending = true;
    Feed("no frame at all");
    ASSERT_TRUE(f.timers.IsRunning(kTimerClose));
    EXPECT_EQ(f.timers.DueAt(kTimerClose), Now() + 100);
    f.timers.Advance(100);
    EXPECT_EQ(closeTicks, 1);
    // A disconnect notice is a port event too, also while closing.
    for (bool quitting : {false, true}) {
        st.bQuitQuery = quitting;
        OnSerialDisconnect(s);
        ASSERT_TRUE(f.timers.IsRunning(kTimerClose)) << quitting;
        EXPECT_EQ(f.timers.DueAt(kTimerClose), Now() + 100);
        f.timers.StopTimer(kTimerClose);
    }
}

TEST_F(LinkTest, OnlyTheCompleteFrameIsHandedOver) {
    GoOnline();
    const std::string w = Wire(FixedStatus('5'));
    Feed(w.substr(0, 30));
    EXPECT_EQ(Sent(), "");
    Feed(w.substr(30));
    EXPECT_EQ(Sent(), "\x06");
    EXPECT_TRUE(st.sRxFrame.empty());
}

TEST_F(LinkTest, NoiseBeforeAFrameIsDroppedNotGluedOn) {
    GoOnline();
    Feed("\x15\x06zz" + Wire(FixedStatus('5')));
    EXPECT_EQ(Sent(), "\x06");
    EXPECT_EQ(st.iNakCount, 0);
}

}  // namespace
}  // namespace heliotab::testing_link
