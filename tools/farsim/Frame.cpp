#include "farsim/Frame.h"

namespace heliotab::farsim {
namespace {

std::string PadRight(const std::string& s, size_t width) {
    std::string out = s.substr(0, width);
    out.resize(width, ' ');
    return out;
}

// Numbers sit right-aligned in their field, as a display would show them.
std::string PadLeft(const std::string& s, size_t width) {
    if (s.size() >= width)
        return s.substr(0, width);
    return std::string(width - s.size(), ' ') + s;
}

struct FixedWidths {
    size_t make, model, approval, serial, version, expiry;
};

FixedWidths WidthsOf(Layout l) {
    if (l == Layout::Short)
        return {10, 10, 12, 4, 4, 8};
    return {10, 20, 24, 4, 4, 8};
}

// Positions 7 up to the status character: the identity fields.
std::string FixedIdentityBody(Layout l, const Identity& id) {
    const FixedWidths w = WidthsOf(l);
    return PadRight(id.make, w.make) + PadRight(id.model, w.model) +
           PadRight(id.approval, w.approval) + PadRight(id.serial, w.serial) +
           PadRight(id.version, w.version) + PadRight(id.expiry, w.expiry);
}

// The 36-character results block of a fixed-layout results frame.
std::string FixedResultsBlock(const Results& r) {
    std::string block;
    for (const std::string& a : r.aim)
        block += PadRight(a, 1);
    for (const std::string& v : r.lux)
        block += PadLeft(v, 6);
    block += PadLeft(r.height, 3);
    block += PadRight(r.type, 1);
    return block;
}

std::string SeparatedSpan(char status, const Identity& id, const Results& res,
                          const std::string& tag) {
    const char nul = '\0';
    std::string s = id.deviceClass + tag; // field 0 (after the STX)
    s += nul;                             // field 1: not read, left empty
    for (const std::string* f :
         {&id.make, &id.model, &id.approval, &id.serial, &id.version, &id.expiry}) {
        s += nul;
        s += *f; // fields 2-7
    }
    s += nul;
    s += status; // field 8
    if (status == '2') {
        for (const std::string& a : res.aim)
            s += nul + a; // 9-16
        for (const std::string& v : res.lux)
            s += nul + v;      // 17-20
        s += nul + res.height; // 21
        s += nul + res.type;   // 22
        s += nul + res.config; // 23
    }
    // The checksum is glued to the last field, so a field of its own follows
    // the last meaningful one and that one keeps its value unchanged.
    s += nul;
    return s;
}

} // namespace

std::string ControlName(uint8_t b) {
    switch (b) {
    case kNUL:
        return "NUL";
    case kSTX:
        return "STX";
    case kETX:
        return "ETX";
    case kEOT:
        return "EOT";
    case kENQ:
        return "ENQ";
    case kACK:
        return "ACK";
    case kNAK:
        return "NAK";
    case kCAN:
        return "CAN";
    default:
        return "";
    }
}

std::optional<Layout> ParseLayout(const std::string& s) {
    if (s == "short")
        return Layout::Short;
    if (s == "long")
        return Layout::Long;
    if (s == "sep")
        return Layout::Separated;
    return std::nullopt;
}

const char* LayoutName(Layout l) {
    switch (l) {
    case Layout::Short:
        return "short";
    case Layout::Long:
        return "long";
    case Layout::Separated:
        return "sep";
    }
    return "?";
}

std::string ChecksumOf(const std::string& span) {
    unsigned sum = 0;
    for (unsigned char c : span)
        sum += c;
    static const char kHex[] = "0123456789ABCDEF";
    return {kHex[(sum >> 4) & 0xF], kHex[sum & 0xF]};
}

std::string BuildFrame(Layout layout, char status, const Identity& id, const Results& res,
                       const std::string& tag) {
    const std::string tag2 = PadRight(tag, 2);
    std::string span;
    if (layout == Layout::Separated) {
        span = SeparatedSpan(status, id, res, tag2);
    } else {
        // Unread positions of a results frame repeat the identity, as the
        // tester keeps it in its header.
        span = id.deviceClass + tag2 + FixedIdentityBody(layout, id) + status;
        if (status == '2')
            span += FixedResultsBlock(res) + " ";
    }
    std::string frame;
    frame += static_cast<char>(kSTX);
    frame += span;
    frame += ChecksumOf(span);
    frame += static_cast<char>(kETX);
    return frame;
}

std::string CheckFieldWidths(Layout layout, const Identity& id, const Results& res) {
    if (id.deviceClass.size() != 3 || id.deviceClass.find('\0') != std::string::npos)
        return "class";
    if (layout == Layout::Separated) {
        // A NUL inside a value would shift every following field.
        for (const std::string* f : {&id.make, &id.model, &id.approval, &id.serial, &id.version,
                                     &id.expiry, &res.height, &res.type, &res.config})
            if (f->find('\0') != std::string::npos)
                return "nul";
        return "";
    }
    const FixedWidths w = WidthsOf(layout);
    if (id.make.size() > w.make)
        return "make";
    if (id.model.size() > w.model)
        return "model";
    if (id.approval.size() > w.approval)
        return "approval";
    if (id.serial.size() > w.serial)
        return "serial";
    if (id.version.size() > w.version)
        return "version";
    if (id.expiry.size() > w.expiry)
        return "expiry";
    for (const std::string& a : res.aim)
        if (a.size() > 1)
            return "aim";
    for (const std::string& v : res.lux)
        if (v.size() > 6)
            return "lux";
    if (res.height.size() > 3)
        return "height";
    if (res.type.size() > 1)
        return "type";
    return "";
}

} // namespace heliotab::farsim
