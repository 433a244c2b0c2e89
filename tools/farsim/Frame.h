// Frames as the tester sends them: STX "FAR", two unread characters, the
// fields of the layout, the status character, two checksum characters, ETX.
// This is the simulator's own builder, written apart from the program's
// decoder on purpose: the two cross-check each other.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace heliotab::farsim {

enum : uint8_t {
    kNUL = 0x00,
    kSTX = 0x02,
    kETX = 0x03,
    kEOT = 0x04,
    kENQ = 0x05,
    kACK = 0x06,
    kNAK = 0x15,
    kCAN = 0x18,
};

// "ENQ", "ACK" ... for the control bytes of the line, empty otherwise.
std::string ControlName(uint8_t b);

enum class Layout { Short, Long, Separated };
std::optional<Layout> ParseLayout(const std::string& s);
const char* LayoutName(Layout l);

struct Identity {
    std::string make = "FARSIM";
    std::string model = "HT-1";
    std::string approval = "OM12345";
    std::string serial = "0001";
    std::string version = "1.2A";
    std::string expiry = "31122030"; // ddmmyyyy
    // Positions 2-4 of every frame; another class plays a device that is
    // not a headlight tester.
    std::string deviceClass = "FAR";
};

struct Results {
    // Eight aim verdicts: VertAnabDx, VertAnabSx, VertAbbDx, VertAbbSx,
    // OrizzAnabDx, OrizzAnabSx, OrizzAbbDx, OrizzAbbSx. In the separated
    // layout a verdict may carry a "#" mark ("R#").
    std::array<std::string, 8> aim{"R", "R", "R", "R", "R", "R", "R", "R"};
    // Dipped right, dipped left, main right, main left, in the tester's unit.
    std::array<std::string, 4> lux{"12.5", "11.0", "60.0", "58.5"};
    std::string height = "85";
    std::string type = "A";
    std::string config = "2"; // separated layout only
};

// Two upper-case hex digits of the low byte of the sum of the span's bytes
// (the span is everything between STX and the checksum characters).
std::string ChecksumOf(const std::string& span);

// The whole frame with its ETX. `tag` fills the two unread characters after
// "FAR". The results block is only written for status '2'.
std::string BuildFrame(Layout layout, char status, const Identity& id, const Results& res,
                       const std::string& tag = "01");

// Empty when every value fits its field in the layout, else which one does not.
std::string CheckFieldWidths(Layout layout, const Identity& id, const Results& res);

// Lengths as counted on the program's side: STX to checksum, ETX excluded.
constexpr int kShortIdentityLen = 57;
constexpr int kLongIdentityLen = 79;
constexpr int kShortResultsLen = 94;
constexpr int kLongResultsLen = 116;

} // namespace heliotab::farsim
