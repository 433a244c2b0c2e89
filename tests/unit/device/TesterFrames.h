// Frames as the headlight tester sends them, for the tests, the fuzz
// target and the benchmark. Sealed() adds the checksum, Wire() also the ETX.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "device/FrameChecksum.h"

namespace heliotab::testframes {

inline const std::string kStx(1, '\x02');
inline const std::string kEtx(1, '\x03');
inline const std::string kNul(1, '\0');

inline std::string Sealed(const std::string& unsealed) {
    return unsealed + FrameChecksum(unsealed + "00");
}
inline std::string Wire(const std::string& unsealed) {
    return Sealed(unsealed) + kEtx;
}

inline std::string Pad(const std::string& t, size_t width) {
    return (t + std::string(width, ' ')).substr(0, width);
}

struct Identity {
    std::string marca = "LUXOMETRA", tipo = "HL-5", omologa = "OM1234", serie = "0042",
                versione = "2.1B", scadenza = "31122026";
};

// Fixed-layout identity: 57 characters (short form) or 79 (long form).
inline std::string FixedIdentity(bool shortForm, const Identity& id = {}, char status = '0') {
    return kStx + "FAR01" + Pad(id.marca, 10) + Pad(id.tipo, shortForm ? 10 : 20) +
           Pad(id.omologa, shortForm ? 12 : 24) + Pad(id.serie, 4) + Pad(id.versione, 4) +
           Pad(id.scadenza, 8) + status; // unsealed
}

// A fixed-layout frame that carries only a status: 57 characters.
inline std::string FixedStatus(char status) {
    return FixedIdentity(true, {}, status);
}

// The 36-character results block.
struct Results {
    std::string aims = "RRRRRRRR";                                          // 8 verdict characters
    std::array<std::string, 4> lux{"  12.5", "  13.0", "  40.0", "  41.0"}; // 6 characters each
    std::string altezza = "085";
    std::string tipo = "A";
};

// Fixed-layout results: 94 characters (short) or 116 (long).
inline std::string FixedResults(bool shortForm, const Results& r = {}) {
    std::string block = Pad(r.aims, 8);
    for (auto& l : r.lux)
        block += Pad(l, 6);
    block += Pad(r.altezza, 3) + Pad(r.tipo, 1);
    return kStx + "FAR" + std::string(shortForm ? 50 : 72, '0') + "2" + block + "0"; // unsealed
}

// Separated layout: fields 0..23 and one trailing field, which then
// carries the checksum.
struct Separated {
    Identity id;
    std::string status = "2";
    std::array<std::string, 8> aims{"R", "R", "R", "R", "R", "R", "R", "R"};
    std::array<std::string, 4> lux{"12.5", "13.0", "40.0", "41.0"};
    std::string altezza = "085", tipo = "A", code = "2";
    std::vector<std::string> extra{"X"};
};

inline std::string SeparatedFrame(const Separated& s) {
    std::string t = kStx + "FAR" + kNul + "01";
    for (auto* f : {&s.id.marca, &s.id.tipo, &s.id.omologa, &s.id.serie, &s.id.versione,
                    &s.id.scadenza, &s.status})
        t += kNul + *f;
    for (auto& f : s.aims)
        t += kNul + f;
    for (auto& f : s.lux)
        t += kNul + f;
    for (auto* f : {&s.altezza, &s.tipo, &s.code})
        t += kNul + *f;
    for (auto& f : s.extra)
        t += kNul + f;
    return t; // unsealed
}

} // namespace heliotab::testframes
