#include "reservation/MaskField.h"

#include <charconv>

namespace heliotab {

MaskField ParseDescriptor(std::string_view d) {
    MaskField f;
    f.Presence = std::string(d.substr(0, 1));
    if (d.size() >= 3)
        f.FieldType = std::string(d.substr(2, 1));
    const std::string_view rest = d.size() >= 5 ? d.substr(4) : std::string_view();

    const size_t c1 = rest.find(',');
    if (c1 == std::string_view::npos) {
        f.MaxLen = std::string(rest);
    } else {
        f.MaxLen = std::string(rest.substr(0, c1));
        std::string_view after = rest.substr(c1 + 1);
        const size_t c2 = after.find(',');
        if (c2 == std::string_view::npos) {
            f.MinLen = std::string(after);
        } else {
            f.MinLen = std::string(after.substr(0, c2));
            std::string_view list = after.substr(c2 + 1);
            for (;;) {
                const size_t c = list.find(',');
                f.Choices.emplace_back(list.substr(0, c));
                if (c == std::string_view::npos)
                    break;
                list.remove_prefix(c + 1);
            }
        }
    }
    if (f.MinLen.empty())
        f.MinLen.assign(1, '0');
    return f;
}

bool CompleteMaxLen(MaskField& f) {
    if (!f.MaxLen.empty())
        return true;
    if (f.FieldType == "C")
        return false;
    f.MaxLen = "50";
    return true;
}

bool ParseCharClass(std::string_view c, CharClass& cls) {
    if (c.size() == 3 && c[0] == '[' && c[2] == ']') {
        cls.from = cls.to = static_cast<unsigned char>(c[1]);
        return true;
    }
    if (c.size() == 5 && c[0] == '[' && c[2] == '-' && c[4] == ']') {
        cls.from = static_cast<unsigned char>(c[1]);
        cls.to = static_cast<unsigned char>(c[3]);
        return true;
    }
    return false;
}

bool ParseWholeNumber(std::string_view t, long& value) {
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty())
        return false;
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size())
        return false;
    if (negative)
        v = -v;
    if (v > 2147483647LL || v < -2147483648LL)
        return false;
    value = static_cast<long>(v);
    return true;
}

} // namespace heliotab
