#include "farsim/Scenario.h"

#include <charconv>
#include <sstream>

namespace heliotab::farsim {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    std::string s;
    while (in >> s)
        w.push_back(s);
    return w;
}

std::vector<std::string> SplitComma(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t comma = s.find(',', start);
        out.push_back(s.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHex(const std::vector<std::string>& words, size_t from, std::string& out) {
    std::string digits;
    for (size_t i = from; i < words.size(); ++i)
        digits += words[i];
    if (digits.empty() || digits.size() % 2 != 0)
        return false;
    out.clear();
    for (size_t i = 0; i < digits.size(); i += 2) {
        const int hi = HexDigit(digits[i]), lo = HexDigit(digits[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool IsNumberText(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-'))
            return false;
    return true;
}

std::optional<Step> ParseLine(const std::vector<std::string>& w, std::string& why) {
    Step st;
    const std::string& cmd = w[0];
    auto msAt = [&](size_t i, int& out) {
        if (i >= w.size())
            return true;
        const auto v = ParseMs(w[i]);
        if (!v) {
            why = "bad milliseconds '" + w[i] + "'";
            return false;
        }
        out = *v;
        return true;
    };
    if (cmd == "wait") {
        st.kind = StepKind::Wait;
        if (w.size() != 2) {
            why = "wait needs MS";
            return std::nullopt;
        }
        if (!msAt(1, st.ms))
            return std::nullopt;
        return st;
    }
    if (cmd == "wait-enq") {
        st.kind = StepKind::WaitEnq;
        if (w.size() > 2) {
            why = "wait-enq takes at most MS";
            return std::nullopt;
        }
        if (!msAt(1, st.ms))
            return std::nullopt;
        return st;
    }
    if (cmd == "disconnect") {
        st.kind = StepKind::Disconnect;
        if (w.size() != 1) {
            why = "disconnect takes nothing";
            return std::nullopt;
        }
        return st;
    }
    if (cmd == "expect") {
        st.kind = StepKind::Expect;
        if (w.size() < 2 || w.size() > 3) {
            why = "expect WHAT [MS]";
            return std::nullopt;
        }
        const auto a = ParseAnswer(w[1]);
        if (!a) {
            why = "unknown answer '" + w[1] + "'";
            return std::nullopt;
        }
        st.expect = *a;
        if (!msAt(2, st.ms))
            return std::nullopt;
        return st;
    }
    if (cmd == "fault") {
        st.kind = StepKind::Fault;
        if (w.size() < 2 || w.size() > 3) {
            why = "fault KIND [N]";
            return std::nullopt;
        }
        const auto f = ParseFault(w[1]);
        if (!f) {
            why = "unknown fault '" + w[1] + "'";
            return std::nullopt;
        }
        st.fault = *f;
        if (!msAt(2, st.count))
            return std::nullopt;
        return st;
    }
    if (cmd == "send") {
        if (w.size() < 2) {
            why = "send what?";
            return std::nullopt;
        }
        st.kind = StepKind::Send;
        const std::string& what = w[1];
        if (what == "raw") {
            st.kind = StepKind::SendRaw;
            if (!ParseHex(w, 2, st.raw)) {
                why = "bad hex bytes";
                return std::nullopt;
            }
            return st;
        }
        if (what == "identity" || what == "status1" || what == "signoff") {
            if (w.size() != 2) {
                why = "send " + what + " takes nothing more";
                return std::nullopt;
            }
            st.status = what == "identity" ? '0' : what == "status1" ? '1' : '3';
            return st;
        }
        if (what == "status") {
            if (w.size() != 3 || w[2].size() != 1) {
                why = "send status C";
                return std::nullopt;
            }
            st.status = w[2][0];
            return st;
        }
        if (what == "result") {
            st.status = '2';
            Results probe;
            for (size_t i = 2; i < w.size(); ++i) {
                const size_t eq = w[i].find('=');
                if (eq == std::string::npos) {
                    why = "expected key=value, got '" + w[i] + "'";
                    return std::nullopt;
                }
                const std::string key = w[i].substr(0, eq), value = w[i].substr(eq + 1);
                if (!ApplyResultValue(probe, key, value, why))
                    return std::nullopt;
                st.values.emplace_back(key, value);
            }
            return st;
        }
        why = "unknown frame '" + what + "'";
        return std::nullopt;
    }
    why = "unknown step '" + cmd + "'";
    return std::nullopt;
}

} // namespace

const char* AnswerName(Answer a) {
    switch (a) {
    case Answer::None:
        return "NONE";
    case Answer::Ack:
        return "ACK";
    case Answer::Nak:
        return "NAK";
    case Answer::Can:
        return "CAN";
    case Answer::Eot:
        return "EOT";
    case Answer::Enq:
        return "ENQ";
    }
    return "?";
}

std::optional<Answer> ParseAnswer(const std::string& s) {
    for (Answer a : {Answer::None, Answer::Ack, Answer::Nak, Answer::Can, Answer::Eot, Answer::Enq})
        if (s == AnswerName(a))
            return a;
    return std::nullopt;
}

std::optional<Answer> AnswerOfByte(unsigned char b) {
    switch (b) {
    case kACK:
        return Answer::Ack;
    case kNAK:
        return Answer::Nak;
    case kCAN:
        return Answer::Can;
    case kEOT:
        return Answer::Eot;
    case kENQ:
        return Answer::Enq;
    default:
        return std::nullopt;
    }
}

std::optional<int> ParseMs(const std::string& s) {
    int v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v < 0)
        return std::nullopt;
    return v;
}

bool ApplyResultValue(Results& r, const std::string& key, const std::string& value,
                      std::string& error) {
    if (key == "aim") {
        std::vector<std::string> items;
        if (value.find(',') != std::string::npos) {
            items = SplitComma(value);
        } else {
            for (char c : value)
                items.emplace_back(1, c);
        }
        if (items.size() != 8) {
            error = "aim needs 8 verdicts";
            return false;
        }
        for (size_t i = 0; i < 8; ++i)
            r.aim[i] = items[i];
        return true;
    }
    if (key == "lux") {
        const auto items = SplitComma(value);
        if (items.size() != 4) {
            error = "lux needs 4 values";
            return false;
        }
        // Values are sent as given; a test of bad input uses "send raw".
        for (const std::string& v : items)
            if (!IsNumberText(v)) {
                error = "bad lux value '" + v + "'";
                return false;
            }
        for (size_t i = 0; i < 4; ++i)
            r.lux[i] = items[i];
        return true;
    }
    if (key == "height") {
        r.height = value;
        return true;
    }
    if (key == "type") {
        r.type = value;
        return true;
    }
    if (key == "config") {
        r.config = value;
        return true;
    }
    error = "unknown result key '" + key + "'";
    return false;
}

std::optional<std::vector<Step>> ParseScenario(const std::string& text, std::string& error) {
    std::vector<Step> steps;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        // "#" also marks aim verdicts ("aim=R#,..."), so only a "#" that
        // starts a word begins a comment.
        for (size_t hash = line.find('#'); hash != std::string::npos;
             hash = line.find('#', hash + 1)) {
            if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') {
                line.erase(hash);
                break;
            }
        }
        const auto w = Words(line);
        if (w.empty())
            continue;
        std::string why;
        auto st = ParseLine(w, why);
        if (!st) {
            error = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        }
        st->line = number;
        steps.push_back(std::move(*st));
    }
    return steps;
}

} // namespace heliotab::farsim
