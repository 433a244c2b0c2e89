// InterrogaFAR, row by row of the exchange as the tester drives it.
#include "device/LinkFixture.h"
#include "device/LinkTexts.h"

namespace heliotab::testing_link {
namespace {

// --- searching -----------------------------------------------------------

TEST_F(LinkTest, IdentityWhileSearchingGoesOnlineWithoutAnAnswer) {
    ASSERT_TRUE(f.port.Open(3));
    st.bDeviceSearch = true;
    f.view.enabled[Button::Test] = false;
    f.view.comboEnabled = false;
    f.view.panels[Panel::Stato] = "old";
    Identity id;
    id.marca = "  LUXOM";
    Feed(Wire(FixedIdentity(true, id)));
    EXPECT_EQ(Sent(), "");
    EXPECT_TRUE(st.bDeviceOnline);
    EXPECT_FALSE(st.bDeviceSearch);
    EXPECT_EQ(f.view.device[0], "LUXOM");
    EXPECT_EQ(f.view.device[1], "HL-5");
    EXPECT_EQ(f.view.device[2], "OM1234");
    EXPECT_EQ(f.view.device[3], "0042");
    EXPECT_EQ(f.view.device[4], "2.1B");
    EXPECT_EQ(f.view.device[5], "31/12/2026");
    // The port shown is the one stored in the settings ("1" when missing).
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(332) + "1");
    EXPECT_EQ(f.view.panels[Panel::Stato], "");
    EXPECT_TRUE(f.view.enabled[Button::Test]);
    EXPECT_TRUE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboFocus, 1);
    EXPECT_TRUE(st.sRxFrame.empty());
}

TEST_F(LinkTest, LongIdentityAndSeparatedIdentityFillTheLabels) {
    ASSERT_TRUE(f.port.Open(3));
    Identity id{"MARCA", "A MODEL OF TWENTY CH", "APPROVAL-0123456789-ABCD", "9876", "V10A", "05122026"};
    const std::string longFrame = Sealed(FixedIdentity(false, id));
    ASSERT_EQ(longFrame.size(), 79u);
    Feed(longFrame + kEtx);
    EXPECT_EQ(f.view.device[1], "A MODEL OF TWENTY CH");
    EXPECT_EQ(f.view.device[2], "APPROVAL-0123456789-ABCD");
    EXPECT_EQ(f.view.device[4], "V10A");
    EXPECT_EQ(f.view.device[5], "05/12/2026");

    // The short form cuts model and approval at 10 and 12 characters.
    const std::string shortFrame = Sealed(FixedIdentity(true, id));
    ASSERT_EQ(shortFrame.size(), 57u);
    Feed(shortFrame + kEtx);
    EXPECT_EQ(f.view.device[1], "A MODEL OF");
    EXPECT_EQ(f.view.device[2], "APPROVAL-012");
    EXPECT_EQ(f.view.device[3], "9876");

    Separated sep;
    sep.status = "0";
    sep.id = {" SEP MAKE ", "SEP MODEL", "SEP-APPROVAL", "77", "3.0", "1012027"};
    Feed(Wire(SeparatedFrame(sep)));
    EXPECT_EQ(f.view.device[0], "SEP MAKE");
    EXPECT_EQ(f.view.device[3], "77");
    EXPECT_EQ(f.view.device[4], "3.0");
    EXPECT_EQ(f.view.device[5], "01/01/2027");  // zero-padded to eight digits
    EXPECT_EQ(Sent(), "");
}

TEST(ExpiryDatePicture, WholeNumbersGetThePictureOtherTextStays) {
    EXPECT_EQ(ExpiryDatePicture("31122026"), "31/12/2026");
    EXPECT_EQ(ExpiryDatePicture("5122026"), "05/12/2026");
    EXPECT_EQ(ExpiryDatePicture("00000000"), "00/00/0000");
    EXPECT_EQ(ExpiryDatePicture(" 5122026"), "05/12/2026");
    EXPECT_EQ(ExpiryDatePicture("123122026"), "123/12/2026");
    EXPECT_EQ(ExpiryDatePicture("31.12.26"), "31.12.26");
    EXPECT_EQ(ExpiryDatePicture("--------"), "--------");
    EXPECT_EQ(ExpiryDatePicture(""), "");
}

TEST_F(LinkTest, BadFrameWhileSearchingIsDroppedSilently) {
    ASSERT_TRUE(f.port.Open(3));
    st.bDeviceSearch = true;
    st.iNakCount = 2;
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    Feed(bad + kEtx);
    f.timers.Advance(2000);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(st.iNakCount, 2);
    EXPECT_TRUE(f.messages.shown.empty());
    EXPECT_TRUE(st.sRxFrame.empty());
}

// --- bad checksums while online --------------------------------------------

TEST_F(LinkTest, NakComesExactlyHalfASecondAfterTheBadFrame) {
    GoOnline();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    f.timers.Advance(123);
    const int64_t at = Now();
    Feed(bad + kEtx);
    EXPECT_EQ(st.iNakCount, 1);
    f.timers.Advance(499);
    EXPECT_EQ(Sent(), "");
    f.timers.Advance(1);
    ASSERT_EQ(f.port.sent.size(), 1u);
    EXPECT_EQ(f.port.sent[0].byte, kNAK);
    EXPECT_EQ(f.port.sent[0].atMs, at + 500);
}

TEST_F(LinkTest, FourthBadFrameInARowGetsTheMessageAndNoNakTheFifthANakAgain) {
    GoOnline();
    const std::string good = Sealed(FixedStatus('5'));
    std::string bad = good;
    bad[bad.size() - 2] = good[good.size() - 2] == 'A' ? 'B' : 'A';
    for (int i = 1; i <= 3; ++i) {
        Feed(bad + kEtx);
        EXPECT_EQ(st.iNakCount, i);
        f.timers.Advance(500);
    }
    EXPECT_EQ(Sent(), "\x15\x15\x15");
    // Bad frames handled while the message is open count on, and get neither
    // a NAK nor a message of their own.
    int countInBox = -1;
    f.messages.whileOpen = [&] {
        Feed(bad + kEtx);
        Feed(bad + kEtx);
        f.timers.Advance(1000);
        countInBox = st.iNakCount;
    };
    Feed(bad + kEtx);
    EXPECT_EQ(countInBox, 6);
    EXPECT_EQ(st.iNakCount, 0);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].text, Lang(362));
    EXPECT_EQ(f.messages.shown[0].title, Lang(361));
    EXPECT_EQ(f.messages.shown[0].style, kStyleStop);
    f.timers.Advance(1000);
    EXPECT_EQ(Sent(), "\x15\x15\x15");
    Feed(bad + kEtx);
    f.timers.Advance(500);
    EXPECT_EQ(Sent(), "\x15\x15\x15\x15");
    EXPECT_EQ(st.iNakCount, 1);
}

TEST_F(LinkTest, LowerCaseChecksumIsABadFrame) {
    GoOnline();
    std::string f2 = Sealed(FixedStatus('7'));
    // Find a status whose checksum has a letter digit, then lower-case it.
    for (char c = '4'; c <= 'z' && f2.substr(f2.size() - 2).find_first_of("ABCDEF") == std::string::npos; ++c)
        f2 = Sealed(FixedStatus(c));
    const size_t letter = f2.find_first_of("ABCDEF", f2.size() - 2);
    ASSERT_NE(letter, std::string::npos);
    f2[letter] = static_cast<char>(f2[letter] - 'A' + 'a');
    Feed(f2 + kEtx);
    f.timers.Advance(500);
    EXPECT_EQ(Sent(), "\x15");
}

TEST_F(LinkTest, NakIsNotSentWhenClosingOrWhenThePortWasClosed) {
    GoOnline();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    Feed(bad + kEtx);
    f.timers.Advance(200);
    st.bQuitQuery = true;
    f.timers.Advance(1000);
    EXPECT_EQ(Sent(), "");

    st.bQuitQuery = false;
    Feed(bad + kEtx);
    f.port.Close();
    f.timers.Advance(1000);
    EXPECT_TRUE(f.port.sent.empty());
}

TEST_F(LinkTest, IdentityAndOtherStatusesDoNotResetTheNakCount) {
    GoOnline();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    Feed(bad + kEtx);
    Feed(Wire(FixedIdentity(true)));
    Feed(Wire(FixedStatus('5')));
    EXPECT_EQ(st.iNakCount, 1);
}

TEST_F(LinkTest, OtherDeviceClassIsIgnoredWithoutAnAnswer) {
    GoOnline();
    std::string other = FixedStatus('5');
    other.replace(1, 3, "XYZ");
    Feed(Wire(other));
    EXPECT_EQ(Sent(), "");
    Feed(Wire(kStx));  // a frame of the checksum alone
    EXPECT_EQ(Sent(), "");
    EXPECT_TRUE(st.sRxFrame.empty());
}

// --- measurement ------------------------------------------------------------

TEST_F(LinkTest, StartWhileNotArmedSendsCanOnlyToLetterVersions) {
    Identity digit;
    digit.versione = "2.10";
    GoOnline(digit);
    Feed(Wire(FixedStatus('1')));
    EXPECT_EQ(Sent(), "");
    EXPECT_FALSE(st.bMeasuring);

    Identity lower;
    lower.versione = "1.0b";
    Feed(Wire(FixedIdentity(true, lower)));
    Feed(Wire(FixedStatus('1')));
    EXPECT_EQ(Sent(), "\x18");
    EXPECT_FALSE(st.bMeasuring);
}

TEST_F(LinkTest, SendCancelAndSendEotNeedAnOpenPortAndALetterVersion) {
    f.view.device[4] = "";
    ASSERT_TRUE(f.port.Open(3));
    SendCancel(s);
    SendEot(s);
    f.view.device[4] = "1.0 ";
    SendCancel(s);
    f.view.device[4] = "1.0Z";
    SendCancel(s);
    SendEot(s);
    f.view.device[4] = "1.0[";  // just past 'Z'
    SendCancel(s);
    f.port.Close();
    f.view.device[4] = "1.0Z";
    SendEot(s);
    EXPECT_EQ(Sent(), "\x18\x04");
}

TEST_F(LinkTest, ArmedStartRecordsTheTestAndAcksBeforeMeasuring) {
    Identity id;
    id.versione = "2.1";
    GoOnline(id);
    st.bTestArmed = true;
    f.view.operatorName = "MARIO ROSSI";
    f.clock.Set(2026, 3, 7, 9, 5, 4);
    st.farResult.Esito = "I";  // from a previous vehicle
    st.farResult.CodErrore = "stale";
    st.iNakCount = 2;
    bool measuringDuringPump = true;
    std::string sentBeforePump;
    f.pump.onDoEvents = [&] {
        measuringDuringPump = st.bMeasuring;
        sentBeforePump = Sent();
    };
    Feed(Wire(FixedStatus('1')));
    EXPECT_EQ(Sent(), "\x06");
    EXPECT_EQ(sentBeforePump, "\x06");
    EXPECT_FALSE(measuringDuringPump);
    EXPECT_EQ(f.pump.doEvents, 1);
    EXPECT_TRUE(st.bMeasuring);
    EXPECT_EQ(st.iNakCount, 0);
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(335));
    const FarResult& r = st.farResult;
    EXPECT_EQ(r.Marca, "LUXOMETRA");
    EXPECT_EQ(r.Tipo, "HL-5");
    EXPECT_EQ(r.NumOmologa, "OM1234");
    EXPECT_EQ(r.NumSerie, "0042");
    EXPECT_EQ(r.NumVersioneSoftware, "2.1");
    EXPECT_EQ(r.DataScadenza, "31/12/2026");
    EXPECT_EQ(r.Operatore, "MARIO ROSSI");
    EXPECT_EQ(r.DataMisura, "07032026");
    EXPECT_EQ(r.InizioMisura, "090504");
    EXPECT_EQ(r.Esito, "");  // the record starts empty
    EXPECT_EQ(r.CodErrore, "");
}

TEST_F(LinkTest, ResultsWhileMeasuringAreAckedJudgedAndWritten) {
    GoMeasuring();
    f.view.enabled[Button::Ferma] = true;
    f.view.enabled[Button::Test] = false;
    f.view.enabled[Button::Opzioni] = false;
    f.view.trayOptionsEnabled = false;
    f.view.comboEnabled = false;
    st.iNakCount = 1;
    f.clock.Set(2026, 3, 7, 14, 0, 9);
    f.view.comboFocus = 0;
    bool idleDuringPump = true, measuringDuringPump = true, idleInBox = false;
    auto idleLook = [&] {
        return f.view.enabled[Button::Opzioni] || f.view.trayOptionsEnabled || f.view.comboEnabled ||
               f.view.enabled[Button::Test];
    };
    f.pump.onDoEvents = [&] {
        // Still armed while the results are being taken, and not stoppable.
        idleDuringPump = idleLook() || f.view.enabled[Button::Ferma];
        measuringDuringPump = st.bMeasuring;
    };
    f.messages.whileOpen = [&] { idleInBox = idleLook() && f.view.comboEnabled && f.view.comboFocus == 1; };
    Feed(Wire(FixedResults(true)));
    EXPECT_EQ(Sent(), "\x06");
    EXPECT_FALSE(idleDuringPump);
    EXPECT_TRUE(idleInBox);  // delivered: the window is idle before the operator is told
    EXPECT_TRUE(measuringDuringPump);
    EXPECT_FALSE(st.bMeasuring);
    EXPECT_EQ(st.iNakCount, 0);
    EXPECT_FALSE(f.view.enabled[Button::Ferma]);
    EXPECT_TRUE(f.view.enabled[Button::Test]);
    EXPECT_TRUE(f.view.enabled[Button::Opzioni]);
    EXPECT_TRUE(f.view.trayOptionsEnabled);
    EXPECT_TRUE(f.view.comboEnabled);
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(336));
    EXPECT_EQ(st.farResult.FineMisura, "140009");
    EXPECT_EQ(st.farResult.IllumLuxAnabDx, "12500");
    EXPECT_EQ(st.farResult.Esito, "R");
    EXPECT_EQ(st.farResult.Marca, "LUXOMETRA");
    // The demonstration result is delivered and the test disarmed.
    EXPECT_TRUE(DefaultFileSystem().FileExists(st.AccDirectory + "Test.FAR"));
    EXPECT_FALSE(st.bTestArmed);
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].style, kStyleInformation);
}

TEST_F(LinkTest, UndeliveredResultsLeaveTheTestArmedAndStoppable) {
    st.AccDirectory = folder.Path() + testutil::kSep + "missing" + testutil::kSep;
    GoMeasuring();
    f.view.enabled = {{Button::Test, false}, {Button::Ferma, true}, {Button::Opzioni, false}};
    f.view.trayOptionsEnabled = false;
    f.view.comboEnabled = false;
    // The window shows the test armed (and stoppable) already while the
    // operator reads why the result was not delivered.
    auto armedLook = [&] {
        return f.view.panels[Panel::Stato] == Lang(338) && f.view.enabled[Button::Ferma] &&
               !f.view.enabled[Button::Test] && !f.view.enabled[Button::Opzioni] && !f.view.trayOptionsEnabled &&
               !f.view.comboEnabled;
    };
    bool armedInBox = false;
    f.messages.whileOpen = [&] { armedInBox = armedLook(); };
    Feed(Wire(FixedResults(true)));
    EXPECT_EQ(Sent(), "\x06");
    ASSERT_EQ(f.messages.shown.size(), 1u);
    EXPECT_EQ(f.messages.shown[0].style, kStyleStop);
    EXPECT_TRUE(armedInBox);
    EXPECT_TRUE(st.bTestArmed);
    EXPECT_FALSE(st.bMeasuring);
    EXPECT_TRUE(armedLook());
    // The tester measures again and, with the folder back, the result arrives.
    std::filesystem::create_directory(folder.Path() + testutil::kSep + "missing");
    ClearSent();
    Feed(Wire(FixedStatus('1')));
    EXPECT_EQ(Sent(), "\x06");
    Feed(Wire(FixedResults(true)));
    EXPECT_TRUE(DefaultFileSystem().FileExists(st.AccDirectory + "Test.FAR"));
    EXPECT_FALSE(st.bTestArmed);
}

TEST_F(LinkTest, ResultsWithoutAnAcceptedStartAreIgnored) {
    GoOnline();
    st.bTestArmed = true;
    const auto panels = f.view.panels;
    const auto enabled = f.view.enabled;
    Feed(Wire(FixedResults(true)));
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(st.farResult.IllumLuxAnabDx, "");
    EXPECT_EQ(f.view.panels, panels);
    EXPECT_EQ(f.view.enabled, enabled);
    EXPECT_EQ(f.pump.doEvents, 0);

    // Nor does a refused start open the door.
    st.bTestArmed = false;
    Feed(Wire(FixedStatus('1')));
    Feed(Wire(FixedResults(true)));
    EXPECT_EQ(st.farResult.IllumLuxAnabDx, "");
}

TEST_F(LinkTest, ResultsInsideTheStartsPumpAreIgnored) {
    GoOnline();
    st.bTestArmed = true;
    const std::string results = Wire(FixedResults(true));
    f.pump.onDoEvents = [&] {
        f.pump.onDoEvents = nullptr;
        Feed(results);  // arrives while the start's ACK is being pumped
    };
    Feed(Wire(FixedStatus('1')));
    EXPECT_EQ(Sent(), "\x06");  // the start's ACK only
    EXPECT_TRUE(st.bMeasuring);
    EXPECT_EQ(st.farResult.FineMisura, "");
    EXPECT_TRUE(st.sRxFrame.empty());
}

TEST_F(LinkTest, BytesSplitAroundANestedChunkKeepTheirOrder) {
    GoOnline();
    st.bTestArmed = true;
    // One chunk holds the start and the first half of an "other" status; the
    // second half arrives inside the start's pump.
    const std::string other = Wire(FixedStatus('6'));
    f.pump.onDoEvents = [&] {
        f.pump.onDoEvents = nullptr;
        Feed(other.substr(20));
    };
    Feed(Wire(FixedStatus('1')) + other.substr(0, 20));
    EXPECT_EQ(Sent(), "\x06\x06");
}

TEST_F(LinkTest, OtherStatusIsAckedAndChangesNothing) {
    GoMeasuring();
    st.iNakCount = 2;
    const auto panels = f.view.panels;
    Feed(Wire(FixedStatus('5')));
    Separated sep;
    sep.status = "9";
    Feed(Wire(SeparatedFrame(sep)));
    EXPECT_EQ(Sent(), "\x06\x06");
    EXPECT_EQ(st.iNakCount, 2);
    EXPECT_TRUE(st.bMeasuring);
    EXPECT_EQ(f.view.panels, panels);
}

TEST_F(LinkTest, IdentityWhileMeasuringIsShownAgainWithoutAnswer) {
    GoMeasuring();
    Identity id;
    id.marca = "NEWMAKE";
    Feed(Wire(FixedIdentity(false, id)));
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(f.view.device[0], "NEWMAKE");
    EXPECT_TRUE(st.bDeviceOnline);
}

// --- sign-off ---------------------------------------------------------------

TEST_F(LinkTest, SignOffPutsEverythingBackToSearching) {
    GoMeasuring();
    st.SelectedAccFile = "26000001.ACC";
    f.view.vehicle = {"FIAT", "PANDA", "AB123CD"};
    f.view.comboEnabled = true;
    f.view.enabled[Button::Ferma] = true;
    f.view.enabled[Button::Opzioni] = false;
    f.view.trayOptionsEnabled = false;
    st.iNakCount = 2;
    Feed(Wire(FixedStatus('3')));
    EXPECT_EQ(Sent(), "");
    EXPECT_FALSE(f.view.comboEnabled);
    EXPECT_EQ(f.view.comboText, Lang(303));
    EXPECT_EQ(st.SelectedAccFile, "");
    EXPECT_FALSE(f.view.enabled[Button::Test]);
    EXPECT_FALSE(f.view.enabled[Button::Ferma]);
    EXPECT_TRUE(f.view.enabled[Button::Opzioni]);
    EXPECT_TRUE(f.view.trayOptionsEnabled);
    EXPECT_FALSE(st.bMeasuring);
    EXPECT_EQ(f.view.panels[Panel::Stato], Lang(334));
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(331));
    for (auto& v : f.view.vehicle) EXPECT_EQ(v, "");
    EXPECT_EQ(f.view.operatorName, "");
    for (auto& d : f.view.device) EXPECT_EQ(d, "");
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_FALSE(st.bDeviceOnline);
    EXPECT_TRUE(st.bDeviceSearch);
    EXPECT_EQ(st.iNakCount, 0);
    ASSERT_TRUE(f.timers.IsRunning(kTimerPoll));
    EXPECT_EQ(f.timers.DueAt(kTimerPoll), Now() + 1000);
}

TEST_F(LinkTest, StartAfterSignOffRecordsEmptyIdentity) {
    GoOnline();
    Feed(Wire(FixedStatus('3')));
    st.bTestArmed = true;  // armed again before the next identity frame
    f.view.operatorName = "LUIGI";
    Feed(Wire(FixedStatus('1')));
    EXPECT_EQ(Sent(), "\x06");
    EXPECT_EQ(st.farResult.Marca, "");
    EXPECT_EQ(st.farResult.NumVersioneSoftware, "");
    EXPECT_EQ(st.farResult.DataScadenza, "");
    EXPECT_EQ(st.farResult.Operatore, "LUIGI");
}

TEST_F(LinkTest, DisconnectClosesThePortAndSearchesAgain) {
    GoMeasuring();
    std::string bad = Sealed(FixedStatus('5'));
    bad.back() ^= 1;
    Feed(bad + kEtx);
    Feed(Wire(FixedStatus('5')).substr(0, 10));  // a partial frame
    OnSerialDisconnect(s);
    EXPECT_FALSE(f.port.IsOpen());
    EXPECT_FALSE(st.bDeviceOnline);
    EXPECT_TRUE(st.bDeviceSearch);
    EXPECT_FALSE(st.bMeasuring);
    EXPECT_FALSE(st.bTestArmed);
    EXPECT_EQ(f.view.panels[Panel::PortaCOM], Lang(331));
    EXPECT_EQ(f.view.device[4], "");
    EXPECT_TRUE(st.sRxBuffer.empty());
    // The pending NAK is dropped; one second later the next attempt opens the port.
    f.timers.Advance(1000);
    EXPECT_EQ(Sent(), "");
    EXPECT_TRUE(PollDeviceRunning(s) || f.port.IsOpen());
    f.timers.Advance(500);
    EXPECT_EQ(Sent(), "\x05");
}

TEST_F(LinkTest, DisconnectWhileClosingOnlyClosesThePort) {
    GoOnline();
    st.bQuitQuery = true;
    OnSerialDisconnect(s);
    EXPECT_FALSE(f.port.IsOpen());
    EXPECT_TRUE(st.bDeviceOnline);
    EXPECT_FALSE(f.timers.IsRunning(kTimerPoll));
}

}  // namespace
}  // namespace heliotab::testing_link
