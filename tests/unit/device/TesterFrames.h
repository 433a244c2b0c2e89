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
    std::string f = unsealed + "00";
    const std::string cs = FrameChecksum(f);
    f.replace(f.size() - 2, 2, cs);
    return f;
}
inline std::string Wire(const std::string& unsealed) { return Sealed(unsealed) + kEtx; }

inline std::string Pad(const std::string& t, size_t width) {
    std::string r = t.substr(0, width);
    r.resize(width, ' ');
    return r;
}

struct Identity {
    std::string marca = "LUXOMETRA", tipo = "HL-5", omologa = "OM1234", serie = "0042", versione = "2.1B",
                scadenza = "31122026";
};

// Fixed-layout identity: 57 characters (short form) or 79 (long form).
inline std::string FixedIdentity(bool shortForm, const Identity& id = {}, char status = '0') {
    std::string f = kStx + "FAR" + "01";
    if (shortForm)
        f += Pad(id.marca, 10) + Pad(id.tipo, 10) + Pad(id.omologa, 12);
    else
        f += Pad(id.marca, 10) + Pad(id.tipo, 20) + Pad(id.omologa, 24);
    f += Pad(id.serie, 4) + Pad(id.versione, 4) + Pad(id.scadenza, 8) + std::string(1, status);
    return f;  // unsealed
}

// A fixed-layout frame that carries only a status: 57 characters.
inline std::string FixedStatus(char status) { return FixedIdentity(true, {}, status); }

// The 36-character results block.
struct Results {
    std::string aims = "RRRRRRRR";                        // 8 verdict characters
    std::array<std::string, 4> lux{"  12.5", "  13.0", "  40.0", "  41.0"};  // 6 characters each
    std::string altezza = "085";
    std::string tipo = "A";
};

inline std::string Block(const Results& r) {
    std::string b = Pad(r.aims, 8);
    for (auto& l : r.lux) b += Pad(l, 6);
    return b + Pad(r.altezza, 3) + Pad(r.tipo, 1);
}

// Fixed-layout results: 94 characters (short) or 116 (long).
inline std::string FixedResults(bool shortForm, const Results& r = {}) {
    std::string f = kStx + "FAR" + std::string(shortForm ? 50 : 72, '0') + "2" + Block(r) + "0";
    return f;  // unsealed
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
    std::vector<std::string> f{kStx + "FAR", "01", s.id.marca, s.id.tipo, s.id.omologa, s.id.serie,
                               s.id.versione, s.id.scadenza, s.status};
    for (auto& a : s.aims) f.push_back(a);
    for (auto& l : s.lux) f.push_back(l);
    f.push_back(s.altezza);
    f.push_back(s.tipo);
    f.push_back(s.code);
    for (auto& e : s.extra) f.push_back(e);
    std::string t;
    for (size_t i = 0; i < f.size(); ++i) t += (i ? kNul : "") + f[i];
    return t;  // unsealed
}

}  // namespace heliotab::testframes
