// heliocheck on the demo reservations: its report lines and exit codes.
#include <gtest/gtest.h>

#include "fakes/TempDir.h"
#include "heliocheck/Heliocheck.h"
#include "reservation/DemoReservations.h"

namespace heliotab::heliocheck {
namespace {

TEST(Heliocheck, DemoReservationsAndUsage) {
    testutil::TempDir tmp;
    const LocalTime today{2026, 12, 5, 9};
    for (const DemoReservation& d : BuildDemoReservations(today))
        testutil::WriteFile(tmp.File(d.fileName), d.contents);
    auto f = [&](int number) { return tmp.File("26000" + std::to_string(number) + ".ACC"); };
    const std::string masks = std::string(HELIOTAB_SOURCE_DIR) + "/data";
    std::string out, err;

    EXPECT_EQ(heliocheck::Run({f(101), f(102), f(103)}, masks, today, out, err), kExitAccepted);
    EXPECT_EQ(out, f(101) + ": OK\n" + f(102) + ": OK\n" + f(103) + ": OK\n");

    out.clear();
    const std::vector<std::string> refused = {"--masks", masks,  f(101), f(201), f(202),
                                              f(203),    f(204), f(205), f(206), f(999)};
    EXPECT_EQ(heliocheck::Run(refused, tmp.Path(), today, out, err), kExitRefused);
    const std::string protocol = ": [IdentificazioneProtocollo] Versione=\"101\": ";
    const std::string today05 = " (today 05122026)";
    const std::string lines[] = {
        f(101) + ": OK",
        f(201) + ": [Prenotazione] DataAccettazione=\"04122026\": acceptance date not today" +
            today05,
        f(202) + protocol + "protocol identification (expected 100)",
        f(202) + protocol + "not one of the allowed values (Accettazione.msk: N,S,3,3,100)",
        f(203) +
            ": [Prenotazione] DataPrenotazione=\"06122026\": booking date after today or "
            "unreadable" +
            today05,
        f(204) +
            ": [Vis_IdentificazioneVeicolo] DataControlli=\"06122026\": inspection date not "
            "today" +
            today05,
        f(205) + ": [DatiLibrettoVeicolo] TipoVeicolo=\"leggero\": unknown vehicle type (expected "
                 "LEGGERO or PESANTE)",
        f(206) + ": line count (142 lines, the masks expect 143)",
        f(999) + ": file cannot be read",
    };
    std::string report;
    for (const std::string& line : lines)
        report += line + "\n";
    EXPECT_EQ(out, report);
    EXPECT_EQ(err, "");

    out.clear();
    EXPECT_EQ(heliocheck::Run({"--help"}, masks, today, out, err), kExitAccepted);
    EXPECT_EQ(out, UsageText());

    const std::vector<std::string> badUsage[] = {
        {}, {"--masks"}, {"-x", f(101)}, {"--masks", tmp.Path(), f(101)}};
    for (const std::vector<std::string>& args : badUsage) {
        out.clear();
        err.clear();
        EXPECT_EQ(heliocheck::Run(args, masks, today, out, err), kExitUsage);
        EXPECT_EQ(out, "");
        EXPECT_NE(err.find(UsageText()), std::string::npos);
    }
}

} // namespace
} // namespace heliotab::heliocheck
