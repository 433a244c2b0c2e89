#include "device/ResultDecoding.h"

#include <array>
#include <charconv>
#include <cmath>

namespace heliotab {
namespace {

constexpr std::array<std::string FarResult::*, 8> kAimFields{
    &FarResult::VertAnabDx, &FarResult::VertAnabSx,  &FarResult::VertAbbDx,
    &FarResult::VertAbbSx,  &FarResult::OrizzAnabDx, &FarResult::OrizzAnabSx,
    &FarResult::OrizzAbbDx, &FarResult::OrizzAbbSx,
};
// Dipped right, dipped left, main right, main left.
constexpr std::array<std::string FarResult::*, 4> kIllumFields{
    &FarResult::IllumLuxAnabDx,
    &FarResult::IllumLuxAnabSx,
    &FarResult::IllumLuxAbbDx,
    &FarResult::IllumLuxAbbSx,
};
constexpr std::array<std::string FarResult::*, 4> kIllumVerdictFields{
    &FarResult::EsitoIllumLuxAnabDx,
    &FarResult::EsitoIllumLuxAnabSx,
    &FarResult::EsitoIllumLuxAbbDx,
    &FarResult::EsitoIllumLuxAbbSx,
};

struct Limits {
    double dippedLow, dippedHigh, mainLow, mainHigh;
};
constexpr Limits kStandardLimits{3.75, 90, 20, 150};
constexpr Limits kConfiguration1Limits{2.0, 90, 7.5, 150};
constexpr Limits kConfiguration3Limits{2.0, 90, 2.0, 90};

// What a separated frame's configuration code selects. Aim indexes are
// into kAimFields (field 9 + index), illumination indexes into kIllum*.
struct Configuration {
    Limits limits;
    std::vector<int> aims;
    std::vector<int> illums;
};

bool FindConfiguration(const std::string& code, Configuration& c) {
    if (code == "1")
        c = {kConfiguration1Limits, {0, 2, 4, 6}, {0, 2}};
    else if (code == "2")
        c = {kStandardLimits, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3}};
    else if (code == "3")
        c = {kConfiguration3Limits, {0, 4}, {0}};
    else
        return false;
    return true;
}

void JudgeIllumination(const std::array<float, 4>& lux, const Limits& limits, FarResult& r) {
    for (size_t k = 0; k < 4; ++k) {
        const bool dipped = k < 2;
        r.*kIllumFields[k] = IlluminationText(lux[k]);
        r.*kIllumVerdictFields[k] = dipped
                                        ? LimitVerdict(lux[k], limits.dippedLow, limits.dippedHigh)
                                        : LimitVerdict(lux[k], limits.mainLow, limits.mainHigh);
    }
}

DecodeError DecodeFixed(const std::string& frame, FarResult& result) {
    const size_t n = frame.size();
    const size_t b = n == 94 ? 56 : 78;
    // The 36-character block must end before the two checksum characters.
    if (n < 2 || b + 35 > n - 2)
        return DecodeError::MissingFields;

    std::array<float, 4> lux{};
    for (size_t k = 0; k < 4; ++k)
        if (!ParseIllumination(FramePart(frame, b + 8 + 6 * k, 6), lux[k]))
            return DecodeError::NotANumber;

    FarResult r = result;
    for (size_t i = 0; i < 8; ++i)
        r.*kAimFields[i] = FramePart(frame, b + i, 1);
    JudgeIllumination(lux, kStandardLimits, r);
    r.AltezzaAnab = FramePart(frame, b + 32, 3);
    r.TipoAnab = FramePart(frame, b + 35, 1);

    std::string esito = "R";
    for (auto field : kAimFields) {
        if (r.*field == "I")
            esito = "I";
        else if (r.*field == "A" && esito != "I")
            esito = "A";
    }
    for (auto field : kIllumVerdictFields)
        if (r.*field == "I")
            esito = "I";
    r.Esito = esito;
    result = r;
    return DecodeError::None;
}

DecodeError DecodeSeparated(const std::string& frame, FarResult& result) {
    const std::vector<std::string> f = SplitFields(frame);
    if (f.size() < 24)
        return DecodeError::MissingFields;
    Configuration config;
    if (!FindConfiguration(f[23], config))
        return DecodeError::UnknownConfiguration;
    std::array<float, 4> lux{};
    for (size_t k = 0; k < 4; ++k)
        if (!ParseIllumination(f[17 + k], lux[k]))
            return DecodeError::NotANumber;

    FarResult r = result;
    for (size_t i = 0; i < 8; ++i)
        r.*kAimFields[i] = RemoveGrid(f[9 + i]);
    JudgeIllumination(lux, config.limits, r);
    r.AltezzaAnab = f[21];
    r.TipoAnab = f[22];

    // The marks and letters are looked up in the fields as sent, before
    // RemoveGrid; only the lamps the configuration names count.
    std::string esito = "R";
    bool grid = false;
    for (int i : config.aims) {
        const std::string& raw = f[9 + i];
        if (raw.find('#') != std::string::npos)
            grid = true;
        if (raw.find('I') != std::string::npos)
            esito = "I";
        else if (raw.find('A') != std::string::npos && esito != "I")
            esito = "A";
    }
    for (int k : config.illums)
        if (r.*kIllumVerdictFields[k] == "I")
            esito = "I";
    r.Esito = grid ? "#" + esito : esito;
    result = r;
    return DecodeError::None;
}

} // namespace

DecodeError DecodeResults(const std::string& frame, FarResult& result) {
    if (frame.find('\0') != std::string::npos)
        return DecodeSeparated(frame, result);
    return DecodeFixed(frame, result);
}

std::vector<std::string> SplitFields(const std::string& frame) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t nul = frame.find('\0', start);
        if (nul == std::string::npos)
            break;
        fields.push_back(frame.substr(start, nul - start));
        start = nul + 1;
    }
    fields.push_back(frame.substr(start));
    return fields;
}

std::string FramePart(const std::string& frame, size_t position, size_t length) {
    if (position < 1 || position > frame.size())
        return {};
    return frame.substr(position - 1, length);
}

std::string RemoveGrid(const std::string& text) {
    std::string t = text;
    const size_t grid = t.find('#');
    if (grid != std::string::npos)
        t.erase(grid, 1);
    const size_t first = t.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    t = t.substr(first, t.find_last_not_of(' ') - first + 1);
    for (char& c : t)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return t;
}

bool ParseTesterNumber(std::string_view text, float& value) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    size_t end = n;
    while (end > i && text[end - 1] == ' ')
        --end;

    // Sign, digits, '.', digits, exponent: what from_chars reads.
    std::string normal;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            normal.push_back('-');
        ++i;
    }
    normal.push_back('0'); // from_chars wants a digit before a leading point
    bool digits = false, separator = false;
    for (; i < end && text[i] != 'E' && text[i] != 'e'; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            normal.push_back(c);
            digits = true;
        } else if ((c == '.' || c == ',') && !separator) {
            normal.push_back('.');
            separator = true;
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    if (normal.back() == '.')
        normal.pop_back();
    if (i < end) { // "1.2E+1": an exponent needs digits of its own
        normal.push_back('e');
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            normal.push_back(text[i++]);
        if (i == end)
            return false;
        for (; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return false;
            normal.push_back(text[i]);
        }
    }
    float v = 0;
    const char* first = normal.data();
    const auto [ptr, ec] =
        std::from_chars(first, first + normal.size(), v, std::chars_format::general);
    // Beyond single precision (a 39-digit field) is no number the tester meant.
    if (ec != std::errc() || ptr != first + normal.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ParseIllumination(std::string_view text, float& value) {
    float v = 0;
    if (!ParseTesterNumber(text, v) || !std::isfinite(v * 1000.0f))
        return false;
    value = v;
    return true;
}

std::string IlluminationText(float value) {
    const float scaled = value * 1000.0f;
    if (scaled == 0 || !std::isfinite(scaled))
        return "0";
    // Seven significant digits as d.dddddde+x, then written out in full.
    char buf[32];
    const auto [ptr, ec] =
        std::to_chars(buf, buf + sizeof buf, scaled, std::chars_format::scientific, 6);
    if (ec != std::errc())
        return "0";
    const std::string sci(buf, ptr);
    const bool negative = sci[0] == '-';
    const size_t e = sci.find('e');
    std::string digits;
    for (size_t k = negative ? 1 : 0; k < e; ++k)
        if (sci[k] != '.')
            digits.push_back(sci[k]);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int point = std::stoi(sci.substr(e + 1)) + 1; // digits before the decimal point
    std::string t = digits;
    if (point <= 0)
        t.insert(0, std::string(1, '.') + std::string(static_cast<size_t>(-point), '0'));
    else if (static_cast<size_t>(point) >= t.size())
        t.append(point - t.size(), '0');
    else
        t.insert(static_cast<size_t>(point), 1, '.');
    if (negative)
        t.insert(0, 1, '-');
    return t;
}

std::string LimitVerdict(float value, double lower, double upper) {
    const double v = value;
    return lower <= v && v <= upper ? "R" : "I";
}

} // namespace heliotab
