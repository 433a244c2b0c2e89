#include "farsim/Faults.h"

#include <cctype>

namespace heliotab::farsim {
namespace {

bool HasHexLetter(const std::string& checksum) {
    for (char c : checksum)
        if (c >= 'A' && c <= 'F')
            return true;
    return false;
}

// The checksum sits just before the ETX.
std::string ChecksumField(const std::string& frame) {
    return frame.substr(frame.size() - 3, 2);
}

void SetChecksumField(std::string& frame, const std::string& cs) {
    frame.replace(frame.size() - 3, 2, cs);
}

// A lower-case checksum only differs from the right one when it holds a hex
// letter, so pick the unread tag that gives one.
std::string FrameWithLetterInChecksum(const FrameRequest& req) {
    std::string frame;
    for (int i = 0; i < 100; ++i) {
        const std::string tag{static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
        frame = BuildFrame(req.layout, req.status, req.identity, req.results, tag);
        if (HasHexLetter(ChecksumField(frame)))
            break;
    }
    return frame;
}

} // namespace

std::optional<Fault> ParseFault(const std::string& s) {
    if (s == "none")
        return Fault::None;
    if (s == "checksum")
        return Fault::Checksum;
    if (s == "lowercase")
        return Fault::Lowercase;
    if (s == "garbage")
        return Fault::Garbage;
    if (s == "split")
        return Fault::Split;
    if (s == "disconnect")
        return Fault::Disconnect;
    return std::nullopt;
}

const char* FaultName(Fault f) {
    switch (f) {
    case Fault::None:
        return "none";
    case Fault::Checksum:
        return "checksum";
    case Fault::Lowercase:
        return "lowercase";
    case Fault::Garbage:
        return "garbage";
    case Fault::Split:
        return "split";
    case Fault::Disconnect:
        return "disconnect";
    }
    return "?";
}

Transmission MakeTransmission(const FrameRequest& req, Fault fault, std::mt19937& rng) {
    Transmission t;
    std::string frame = BuildFrame(req.layout, req.status, req.identity, req.results);
    switch (fault) {
    case Fault::None:
        t.chunks.push_back({frame, 0});
        break;
    case Fault::Checksum: {
        // Off by one in the low digit: always a different, still well-formed checksum.
        std::string cs = ChecksumField(frame);
        static const char kHex[] = "0123456789ABCDEF";
        const int low =
            std::isdigit(static_cast<unsigned char>(cs[1])) ? cs[1] - '0' : cs[1] - 'A' + 10;
        cs[1] = kHex[(low + 1) & 0xF];
        SetChecksumField(frame, cs);
        t.chunks.push_back({frame, 0});
        break;
    }
    case Fault::Lowercase: {
        frame = FrameWithLetterInChecksum(req);
        std::string cs = ChecksumField(frame);
        for (char& c : cs)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        SetChecksumField(frame, cs);
        t.chunks.push_back({frame, 0});
        break;
    }
    case Fault::Garbage: {
        // Noise on the line before the frame: never STX or ETX, so it stays
        // outside any frame and a byte-wise receiver drops it.
        std::uniform_int_distribution<int> len(3, 12), byte(0, 255);
        std::string noise;
        const int n = len(rng);
        while (static_cast<int>(noise.size()) < n) {
            const int b = byte(rng);
            if (b == kSTX || b == kETX)
                continue;
            noise += static_cast<char>(b);
        }
        t.chunks.push_back({noise, 0});
        t.chunks.push_back({frame, kFaultGapMs});
        break;
    }
    case Fault::Split: {
        // STX alone, the first half, the rest without ETX, the ETX alone: a
        // receiver that looks only at chunk ends gets every awkward case.
        const size_t half = frame.size() / 2;
        t.chunks.push_back({frame.substr(0, 1), 0});
        t.chunks.push_back({frame.substr(1, half - 1), kFaultGapMs});
        t.chunks.push_back({frame.substr(half, frame.size() - 1 - half), kFaultGapMs});
        t.chunks.push_back({frame.substr(frame.size() - 1), kFaultGapMs});
        break;
    }
    case Fault::Disconnect:
        t.chunks.push_back({frame.substr(0, frame.size() / 2), 0});
        t.hangUpAfter = true;
        break;
    }
    t.frameLength = frame.size() - 1;
    return t;
}

} // namespace heliotab::farsim
