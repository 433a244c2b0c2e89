#include "output/ResultFormat.h"

#include <cstring>

#include "profile/ProfileText.h"
#include "shared/AsciiText.h"
#include "shared/DateText.h"

namespace heliotab {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// count digits from `from`, all inside s.
bool DigitsAt(const std::string& s, size_t from, size_t count) {
    return from + count <= s.size() && AllDigits(std::string_view(s).substr(from, count));
}

int ToInt(const std::string& s, size_t from, size_t count) {
    int v = 0;
    for (size_t i = from; i < from + count; ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool IsCalendarDate(int d, int m, int y) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1)
        return false;
    const int last = kDays[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0);
    return d <= last;
}

// prefix + text, built by appending (GCC 12 warns falsely on "x" + string).
std::string Prefixed(char prefix, const std::string& text) {
    std::string out(1, prefix);
    out += text;
    return out;
}

} // namespace

std::string SanitizeValue(const std::string& value) {
    std::string out = value;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = ' ';
    }
    return out;
}

std::string FormatWholeNumber(const std::string& text, int minDigits) {
    const std::string t = TrimSpaces(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    const size_t intStart = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    std::string all = t.substr(intStart, i - intStart); // every digit, the point left out
    long point = static_cast<long>(all.size());         // digits before the decimal point
    if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
        ++i;
        const size_t fracStart = i;
        while (i < t.size() && IsDigit(t[i]))
            ++i;
        all += t.substr(fracStart, i - fracStart);
    }
    if (all.empty())
        return text;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        // An exponent moves the point; beyond what a number can hold it is no number.
        ++i;
        bool down = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            down = t[i++] == '-';
        const size_t expStart = i;
        long exponent = 0;
        while (i < t.size() && IsDigit(t[i]) && exponent <= 400)
            exponent = exponent * 10 + (t[i++] - '0');
        if (i == expStart || exponent > 400)
            return text;
        point += down ? -exponent : exponent;
    }
    if (i != t.size())
        return text;

    std::string digits;
    char firstFraction = '0';
    if (point > 0)
        digits = point >= static_cast<long>(all.size()) ? all + std::string(point - all.size(), '0')
                                                        : all.substr(0, point);
    if (point >= 0 && point < static_cast<long>(all.size()))
        firstFraction = all[point];

    // Work on the digits themselves: exact for any length, no floating point.
    const size_t nz = digits.find_first_not_of('0');
    digits = nz == std::string::npos ? std::string() : digits.substr(nz);
    if (firstFraction >= '5') {
        // Half away from zero: the magnitude goes up whatever the sign.
        int k = static_cast<int>(digits.size()) - 1;
        while (k >= 0 && digits[k] == '9')
            digits[k--] = '0';
        if (k >= 0)
            ++digits[k];
        else
            digits.insert(digits.begin(), '1');
    }
    if (digits.empty())
        negative = false; // no "-000"
    if (static_cast<int>(digits.size()) < minDigits)
        digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
    return negative ? Prefixed('-', digits) : digits;
}

std::string FormatDateDdmmyyyy(const std::string& text) {
    const std::string t = TrimSpaces(text);
    int d = 0, m = 0, y = 0;
    if (t.size() == 8 && DigitsAt(t, 0, 8)) {
        d = ToInt(t, 0, 2);
        m = ToInt(t, 2, 2);
        y = ToInt(t, 4, 4);
    } else {
        const size_t s1 = t.find('/');
        const size_t s2 = s1 == std::string::npos ? s1 : t.find('/', s1 + 1);
        if (s2 == std::string::npos)
            return text;
        const size_t dl = s1, ml = s2 - s1 - 1, yl = t.size() - s2 - 1;
        if (dl < 1 || dl > 2 || ml < 1 || ml > 2 || yl != 4)
            return text;
        if (!DigitsAt(t, 0, dl) || !DigitsAt(t, s1 + 1, ml) || !DigitsAt(t, s2 + 1, yl))
            return text;
        d = ToInt(t, 0, dl);
        m = ToInt(t, s1 + 1, ml);
        y = ToInt(t, s2 + 1, yl);
    }
    if (!IsCalendarDate(d, m, y))
        return text;
    return TwoDigits(d) + TwoDigits(m) + TwoDigits(y / 100) + TwoDigits(y % 100);
}

namespace {

std::string FormatForKey(const std::string& key, const std::string& value) {
    const std::string v = SanitizeValue(value);
    if (key == "DataScadenza")
        return FormatDateDdmmyyyy(v);
    if (key == "AltezzaAnab")
        return Prefixed('#', FormatWholeNumber(v, 3));
    if (key == "TipoAnab")
        return Prefixed('#', v);
    if (key.rfind("IllumLux", 0) == 0)
        return FormatWholeNumber(v, 6);
    // The record keeps a field for the error code, but nothing may fill the key.
    if (key == "CodErrore")
        return std::string();
    return v;
}

} // namespace

std::string FormatResultValue(const std::string& key, const std::string& value) {
    // The profile writer drops the blanks a value starts with, and under Wine
    // those it ends with too, except in the last key it wrote (it reads its
    // own file again before each write). A value without outer blanks is
    // written the same by all of them, and by BuildResultFile.
    return TrimProfileBlanks(FormatForKey(key, value));
}

std::string BuildResultFile(const FarResult& result) {
    std::string out = "[ProvaFari]\r\n";
    for (const FarResultKey& k : kFarResultKeys) {
        out += k.key;
        out += '=';
        out += FormatResultValue(k.key, result.*(k.field));
        out += "\r\n";
    }
    return out;
}

} // namespace heliotab
