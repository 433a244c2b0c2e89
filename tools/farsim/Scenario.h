// Scenario files: one step per line, run in order by the simulator.
//
//   # comment                       blank lines and comments are skipped
//   wait MS                         pause (bytes received are only logged)
//   wait-enq [MS]                   wait for ENQ (at most MS), answer with the identity
//   send identity|status1|signoff   a frame of status 0, 1 or 3
//   send status C                   a frame with any status character C
//   send result [key=value ...]     status 2; keys aim, lux, height, type, config
//   send raw HEX                    bytes as they stand, e.g. "send raw 02 46 41 52"
//   expect ACK|NAK|CAN|EOT|ENQ|NONE [MS]
//   fault KIND [N]                  faults on the next N frames (default 1)
//   disconnect                      hang up the line
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "farsim/Faults.h"
#include "farsim/Frame.h"

namespace heliotab::farsim {

// What came back after a frame, or what a step expects.
enum class Answer { None, Ack, Nak, Can, Eot, Enq };
const char* AnswerName(Answer a);
std::optional<Answer> ParseAnswer(const std::string& s);
// The answer a received byte stands for; nullopt for other bytes.
std::optional<Answer> AnswerOfByte(unsigned char b);

enum class StepKind { Wait, WaitEnq, Send, SendRaw, Expect, Fault, Disconnect };

struct Step {
    StepKind kind = StepKind::Wait;
    int line = 0;
    int ms = -1;       // Wait, WaitEnq (-1: no limit), Expect (-1: default)
    char status = '0'; // Send
    std::vector<std::pair<std::string, std::string>> values; // Send result overrides
    std::string raw;                                         // SendRaw
    Answer expect = Answer::None;
    Fault fault = Fault::None;
    int count = 1; // Fault
};

// Parses the whole text; on error returns nullopt and sets `error` to
// "line N: reason".
std::optional<std::vector<Step>> ParseScenario(const std::string& text, std::string& error);

// Sets one results value from text: aim (8 letters, or 8 comma-separated
// verdicts that may carry "#"), lux (4 comma-separated numbers), height,
// type, config. Returns false with `error` set on a bad key or value.
bool ApplyResultValue(Results& r, const std::string& key, const std::string& value,
                      std::string& error);

// Non-negative decimal integer, the whole text.
std::optional<int> ParseMs(const std::string& s);

} // namespace heliotab::farsim
