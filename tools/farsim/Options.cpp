#include "farsim/Options.h"

#include <charconv>

namespace heliotab::farsim {
namespace {

std::optional<uint32_t> ParseU32(const std::string& s) {
    uint32_t v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size())
        return std::nullopt;
    return v;
}

} // namespace

const char* UsageText() {
    return "farsim - headlight tester simulator on a serial line\n"
           "\n"
           "  farsim [options] --device PATH|COMn     use an existing serial device\n"
           "  farsim [options] --pty-link PATH         make a pty pair, link its slave to PATH\n"
           "                                           (the slave path is printed first on "
           "stdout)\n"
           "Identity:  --layout short|long|sep  --make T --model T --approval T --serial T\n"
           "           --version T (ends in a letter: the program may send CAN/EOT)\n"
           "           --expiry ddmmyyyy  --class XYZ (three letters; not FAR: another device)\n"
           "Silence:   --silent (never answers; logs what it receives)\n"
           "Results:   --aim RRRRRRRR|R#,R,A,...  --lux 12.5,11.0,60.0,58.5  --height 85\n"
           "           --type A  --config 2 (separated layout)\n"
           "Timing:    --measure-after MS  --result-after MS  --signoff-after MS\n"
           "           --demo  --demo-interval MS  --answer-timeout MS  --quiet-window MS\n"
           "           --max-resend N\n"
           "Scenario:  --scenario FILE (see README.md)\n"
           "Faults:    --fault checksum|lowercase|garbage|split|disconnect  --fault-count N\n"
           "           --seed N\n"
           "Output:    --log FILE  --log-stderr  --stats\n"
           "Exit:      --exit-after-tests N  --timeout S  (SIGINT/SIGTERM end cleanly)\n"
           "Exit codes: 0 done, 1 scenario expectation failed, 2 bad usage or device,\n"
           "            3 time limit reached before the work was done\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto ms = [&](int& out) {
            std::string v;
            if (!value(v))
                return false;
            const auto n = ParseMs(v);
            if (!n) {
                error = a + ": not a number: " + v;
                return false;
            }
            out = *n;
            return true;
        };
        auto result = [&](const char* key) {
            std::string v;
            if (!value(v))
                return false;
            if (!ApplyResultValue(o.sim.results, key, v, error)) {
                error = a + ": " + error;
                return false;
            }
            return true;
        };
        std::string v;
        bool ok = true;
        if (a == "--help" || a == "-h")
            o.help = true;
        else if (a == "--device")
            ok = value(o.device);
        else if (a == "--pty-link")
            ok = value(o.ptyLink);
        else if (a == "--layout") {
            ok = value(v);
            if (ok) {
                const auto l = ParseLayout(v);
                if (!l) {
                    error = "--layout: short, long or sep";
                    return std::nullopt;
                }
                o.sim.layout = *l;
            }
        } else if (a == "--make")
            ok = value(o.sim.identity.make);
        else if (a == "--model")
            ok = value(o.sim.identity.model);
        else if (a == "--approval")
            ok = value(o.sim.identity.approval);
        else if (a == "--serial")
            ok = value(o.sim.identity.serial);
        else if (a == "--version")
            ok = value(o.sim.identity.version);
        else if (a == "--expiry")
            ok = value(o.sim.identity.expiry);
        else if (a == "--class")
            ok = value(o.sim.identity.deviceClass);
        else if (a == "--silent")
            o.sim.silent = true;
        else if (a == "--aim")
            ok = result("aim");
        else if (a == "--lux")
            ok = result("lux");
        else if (a == "--height")
            ok = result("height");
        else if (a == "--type")
            ok = result("type");
        else if (a == "--config")
            ok = result("config");
        else if (a == "--measure-after")
            ok = ms(o.sim.measureAfterMs);
        else if (a == "--result-after")
            ok = ms(o.sim.resultAfterMs);
        else if (a == "--signoff-after")
            ok = ms(o.sim.signoffAfterMs);
        else if (a == "--demo")
            o.sim.demo = true;
        else if (a == "--demo-interval")
            ok = ms(o.sim.demoIntervalMs);
        else if (a == "--answer-timeout")
            ok = ms(o.sim.answerTimeoutMs);
        else if (a == "--quiet-window")
            ok = ms(o.sim.quietWindowMs);
        else if (a == "--max-resend")
            ok = ms(o.sim.maxResend);
        else if (a == "--scenario")
            ok = value(o.scenarioPath);
        else if (a == "--fault") {
            ok = value(v);
            if (ok) {
                const auto f = ParseFault(v);
                if (!f) {
                    error = "--fault: unknown fault " + v;
                    return std::nullopt;
                }
                o.sim.fault = *f;
            }
        } else if (a == "--fault-count")
            ok = ms(o.sim.faultCount);
        else if (a == "--seed") {
            ok = value(v);
            if (ok) {
                const auto s = ParseU32(v);
                if (!s) {
                    error = "--seed: not a number: " + v;
                    return std::nullopt;
                }
                o.sim.seed = *s;
            }
        } else if (a == "--log")
            ok = value(o.logPath);
        else if (a == "--log-stderr")
            o.logStderr = true;
        else if (a == "--stats")
            o.stats = true;
        else if (a == "--exit-after-tests")
            ok = ms(o.sim.exitAfterTests);
        else if (a == "--timeout")
            ok = ms(o.timeoutS);
        else if (!a.empty() && a[0] != '-' && o.device.empty())
            o.device = a;
        else {
            error = "unknown argument " + a;
            return std::nullopt;
        }
        if (!ok)
            return std::nullopt;
    }
    if (o.help)
        return o;
    if (o.device.empty() == o.ptyLink.empty()) {
        error = "give exactly one of --device and --pty-link";
        return std::nullopt;
    }
    if (o.sim.demo && !o.scenarioPath.empty()) {
        error = "--demo and --scenario exclude each other";
        return std::nullopt;
    }
    const std::string tooLong = CheckFieldWidths(o.sim.layout, o.sim.identity, o.sim.results);
    if (tooLong == "class") {
        error = "--class: three characters";
        return std::nullopt;
    }
    if (!tooLong.empty()) {
        error = "--" + tooLong + ": value too long for the " +
                std::string(LayoutName(o.sim.layout)) + " layout";
        return std::nullopt;
    }
    return o;
}

} // namespace heliotab::farsim
