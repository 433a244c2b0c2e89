// The journal's lines for a whole test, its rotation and its failures; the
// archive's names, pruning and /REDELIVER.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/frmMain.h"
#include "device/LinkFixture.h"
#include "device/TesterFrames.h"
#include "journal/Archive.h"
#include "journal/Journal.h"
#include "journal/Redeliver.h"
#include "output/OutputTestSupport.h"
#include "res/version.h"
#include "reservation/Selection.h"
#include "shared/JoinPath.h"

namespace heliotab {
namespace {

using testing::ElementsAre, testing::Pair;
using testing_output::Entries, testing_output::FaultyFileSystem, testing_output::Names;
using testutil::kSep, testutil::ReadFile, testutil::WriteFile;

// The journal's lines, the scratch folder shown as "D".
std::vector<std::string> Lines(const std::string& dir) {
    std::string text = ReadFile(dir + kSep + kJournalFileName);
    for (size_t at; (at = text.find(dir)) != std::string::npos;)
        text.replace(at, dir.size(), "D");
    std::replace(text.begin(), text.end(), '\\', '/');
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

TEST(Journal, WholeTestLinesAfterTheAck) {
    testing_link::Link l;
    l.st.bCloseAfterTest = true;
    StartupJournal(l.s);
    l.f.port.Open(3);
    l.f.clock.SetMs(l.f.clock.Ms() + 1234);
    l.Feed(testframes::Wire(testframes::FixedIdentity(true)));
    OnToolbarButton(l.s, Button::Test);
    l.Feed(testframes::Wire(testframes::FixedStatus('1')));
    // Written up to the Test button; each batch of serial events after it gets its own delayed
    // write.
    EXPECT_EQ(Lines(l.folder.Path()).size(), 4u);
    l.f.timers.Advance(kJournalDelayMs / 2);
    l.Feed("x"); // bytes arriving meanwhile do not put the write off
    l.f.timers.Advance(kJournalDelayMs / 2);
    EXPECT_EQ(Lines(l.folder.Path()).size(), 7u);
    l.f.clock.SetMs(l.f.clock.Ms() + 64801);
    l.Feed(testframes::Wire(testframes::FixedResults(true)));
    // The results' lines wait for the journal's timer.
    EXPECT_EQ(Lines(l.folder.Path()).size(), 7u);
    l.f.timers.Advance(kJournalDelayMs);
    EXPECT_THAT(
        Lines(l.folder.Path()),
        ElementsAre(
            "2026-12-05 10:30:00.000 START version " HELIOTAB_VERSION_TEXT
            ", settings Lingua=; Porta Seriale=; Primo Piano=; Chiudi dopo test=; Chiudi con Esc=;"
            " Stampa report=; Files .ACC=; Giorni conservazione=, command line ",
            "2026-12-05 10:30:00.000 ARCHIVE 0 results older than 400 days deleted",
            "2026-12-05 10:30:01.234 RX 02 46 41 52 30 31 4C 55 58 4F 4D 45 .. 42 33 31 31 32 32 "
            "30 "
            "32 36 30 35 31 (57 bytes)",
            "2026-12-05 10:30:01.234 ONLINE LUXOMETRA / HL-5 / OM1234 / 0042 / 2.1B / 31/12/2026",
            "2026-12-05 10:30:01.234 RX 02 46 41 52 30 31 4C 55 58 4F 4D 45 .. 42 33 31 31 32 32 "
            "30 "
            "32 36 31 35 32 (57 bytes)",
            "2026-12-05 10:30:01.234 MEASURING", "2026-12-05 10:30:01.234 TX ACK",
            "2026-12-05 10:31:06.235 RX 02 46 41 52 30 30 30 30 30 30 30 30 .. 20 34 31 2E 30 30 "
            "38 "
            "35 41 30 31 36 (94 bytes)",
            "2026-12-05 10:31:06.235 TX ACK", "2026-12-05 10:31:06.235 DELIVERED D/Test.FAR",
            "2026-12-05 10:31:06.235 ARCHIVED D/Archivio/2026/12/Test.FAR",
            "2026-12-05 10:31:06.335 TX EOT", "2026-12-05 10:31:06.335 PORT closed",
            "2026-12-05 10:31:06.335 CLOSE"));
}

TEST(Journal, ChoiceOfAReservationThatIsRefused) {
    testing_link::Link l;
    l.f.journal.Open(l.folder.Path());
    WriteFile(l.folder.File("26000001.ACC"), "[Prenotazione]\r\n");
    l.s.picker.AccFiles = {"", "26000001.ACC"};
    l.f.view.comboIndex = 1;
    ChooseReservation(l.s, [&] { OnComboClick(l.s); });
    EXPECT_THAT(
        Lines(l.folder.Path()),
        ElementsAre("2026-12-05 10:30:00.000 CHOSEN 26000001.ACC",
                    "2026-12-05 10:30:00.000 REFUSED 26000001.ACC",
                    "2026-12-05 10:30:00.000 REASON 26000001.ACC: [IdentificazioneProtocollo] "
                    "Versione=\"\": protocol identification (expected 100)"));
}

TEST(Journal, RotatesAtTheSizeLimitDroppingTheOldest) {
    testutil::TempDir dir;
    fakes::FakeClock clock;
    Journal j(DefaultFileSystem(), clock);
    // One line of 31 bytes short of the limit: it fills the file exactly, the next one rotates.
    WriteFile(dir.File(kJournalFileName), std::string(kJournalMaxBytes - 31, 'x'));
    for (char n : {'1', '2', '3', '4'})
        WriteFile(dir.File(std::string("HELIOTAB.") + n + ".log"), std::string(1, n));
    j.Open(dir.Path());
    for (int i = 0; i < 2; ++i) {
        j.Add("CLOSE");
        j.Flush();
    }
    EXPECT_EQ(ReadFile(dir.File(kJournalFileName)), "2026-12-05 10:30:00.000 CLOSE\r\n");
    EXPECT_EQ(ReadFile(dir.File("HELIOTAB.1.log")).size(), size_t(kJournalMaxBytes));
    EXPECT_EQ(ReadFile(dir.File("HELIOTAB.2.log")) + ReadFile(dir.File("HELIOTAB.3.log")) +
                  ReadFile(dir.File("HELIOTAB.4.log")),
              "123");
    EXPECT_EQ(Entries(dir.Path()).size(), size_t(kJournalFiles));
}

TEST(Journal, UnwritableKeepsTheNewestAndSaysSoOnce) {
    testutil::TempDir dir;
    fakes::FakeClock clock;
    FaultyFileSystem files(DefaultFileSystem());
    files.failSuffix = kJournalFileName;
    files.failStatus = FileStatus::Other;
    Journal j(files, clock);
    j.Open(dir.Path());
    // Lines of 1024 bytes: 64 of them fill the buffer exactly.
    for (int i = 0; i < 70; ++i) {
        const std::string event = std::to_string(i);
        j.Add(event, std::string(997 - event.size(), 'd'));
        j.Flush();
        clock.SetMs(clock.Ms() + 1);
    }
    files.failSuffix = "none";
    j.Flush();
    const std::vector<std::string> lines = Lines(dir.Path());
    EXPECT_EQ(lines.size(), 65u);
    EXPECT_EQ(lines[0], "2026-12-05 10:30:00.070 JOURNAL not written since 2026-12-05 "
                        "10:30:00.000, 6 lines lost");
    EXPECT_EQ(lines[1].substr(0, 26), "2026-12-05 10:30:00.006 6 ");
    j.Add("CLOSE");
    j.Flush();
    EXPECT_EQ(Lines(dir.Path()).back(), "2026-12-05 10:30:00.070 CLOSE");
}

TEST(Archive, SuffixesAndPrunesWholeMonths) {
    testutil::TempDir dir;
    FileSystem& files = DefaultFileSystem();
    const std::string far = dir.File("26000123.FAR");
    WriteFile(far, "result");
    FileStatus status;
    for (int i = 0; i < 3; ++i)
        ArchiveResult(files, dir.Path(), far, {2026, 12, 5}, status);
    const std::string month = dir.File("Archivio") + kSep + "2026" + kSep + "12";
    EXPECT_EQ(Entries(month), (Names{"26000123.FAR", "26000123_2.FAR", "26000123_3.FAR"}));
    EXPECT_EQ(ReadFile(month + kSep + "26000123_3.FAR"), "result");
    for (const char* y : {"2024", "2025"})
        for (const char* m : {"09", "10", "12"})
            WriteFile(dir.MakeDir(std::string("Archivio") + kSep + y + kSep + m) + kSep + "a.FAR",
                      "");
    // Folders that are no year or no month are not ours to delete.
    WriteFile(dir.MakeDir("Archivio/0/01") + kSep + "a.FAR", "");
    WriteFile(dir.MakeDir("Archivio/2024/00") + kSep + "a.FAR", "");
    // 400 days before 2026-12-05 is 2025-10-31: October 2025 is still kept.
    EXPECT_EQ(PruneArchive(files, dir.Path(), 400, {2026, 12, 5}), 4);
    EXPECT_EQ(Entries(dir.File("Archivio")), (Names{"0", "2024", "2025", "2026"}));
    EXPECT_EQ(Entries(dir.File("Archivio") + kSep + "2025"), (Names{"10", "12"}));
    // One day less: the limit is 2025-11-01, the day after October's last.
    EXPECT_EQ(PruneArchive(files, dir.Path(), 399, {2026, 12, 5}), 1);
    for (const char* bad : {"0", "36501", "x", ""})
        EXPECT_EQ(RetentionDays(bad), kDefaultRetentionDays) << bad;
    EXPECT_EQ(RetentionDays(" 36500"), 36500);
    EXPECT_EQ(RetentionDays("1"), 1);
}

TEST(Archive, RedeliversTheNewestCopyNeverOverAResult) {
    testutil::TempDir dir;
    fakes::FakeClock clock;
    fakes::FakeMessages shown(clock);
    FileSystem& files = DefaultFileSystem();
    Journal journal(files, clock);
    AppState st;
    st.programDir = dir.Path();
    st.AccDirectory = dir.MakeDir("x");
    st.LanguageIni.SetIniFile(dir.File("Language.ini"));
    const std::string archived = dir.MakeDir("Archivio/2026/11") + kSep;
    const std::string far = JoinPath(st.AccDirectory, "26000123.FAR");
    WriteFile(archived + "26000123.FAR", "old");
    WriteFile(archived + "26000123_2.FAR", "new");
    WriteFile(dir.MakeDir("Archivio/2025/12") + kSep + "26000123_3.FAR", "older year");
    // None of these is a copy of 26000124.
    for (const char* name : {"260001245.FAR", "26000124_1.FAR", "26000124_x.FAR"})
        WriteFile(archived + name, "other");
    WriteFile(dir.MakeDir("Archivio/0/01") + kSep + "26000124.FAR", "no year");
    EXPECT_EQ(RunRedeliver(st, files, journal, shown, "26000124"), 1);
    EXPECT_EQ(RunRedeliver(st, files, journal, shown, "26000123"), 0);
    EXPECT_EQ(Entries(st.AccDirectory), Names{"26000123.FAR"});
    EXPECT_EQ(ReadFile(NativePath(far)), "new");
    WriteFile(archived + "26000123_3.FAR", "newer");
    EXPECT_EQ(RunRedeliver(st, files, journal, shown, "26000123"), 1);
    EXPECT_EQ(ReadFile(NativePath(far)), "new");
    std::vector<std::pair<std::string, int>> tails;
    for (const fakes::ShownMessage& m : shown.shown)
        tails.push_back({m.text.substr(m.text.rfind(" '")), m.style});
    // Only a bare file name is looked for: every character next to the allowed ranges is refused.
    for (char c : std::string("/:@[`{.\\"))
        EXPECT_EQ(Redeliver(files, st, std::string("26") + c).result, "") << c;
    EXPECT_EQ(Redeliver(files, st, "09AZaz_-").result, JoinPath(st.AccDirectory, "09AZaz_-.FAR"));
    EXPECT_NE(Redeliver(files, st, std::string(64, '1')).result, "");
    EXPECT_EQ(Redeliver(files, st, std::string(65, '1')).result, "");
    EXPECT_THAT(tails, ElementsAre(Pair(" '26000124'", kStyleStop),
                                   Pair(" '" + far + "'", kStyleInformation),
                                   Pair(" '" + far + "'", kStyleStop)));
}

} // namespace
} // namespace heliotab
