// The answer script language: steps separated by commas, each an answer word with optional
// timing, `[DELAY ms] WORD [CLOSE [ms]] [*N]`. Blanks and letter case do not matter. The script
// starts again after its last step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "protocol/reply.h"

namespace corvane::answer {

struct Step {
    AnswerWord word = AnswerWord::Ack;
    std::int64_t delayMs = 0;
    std::int64_t closeMs = -1;  // close the connection this long after the answer; -1: stay open
    bool operator==(const Step&) const = default;
};

// Sane bounds: a script is something an operator types, not a data file.
inline constexpr std::size_t kMaxSteps = 1000;          // after repeats are counted
inline constexpr std::int64_t kMaxDelayMs = 3'600'000;  // one hour, for DELAY and CLOSE
inline constexpr std::int64_t kMaxRepeat = kMaxSteps;

// A parsed script, repeats unrolled: step k of the script is steps[k % steps.size()].
struct Script {
    std::vector<Step> steps;
};

// The script, or why it is none: the failure's `why` reads "position N: reason" (N the 1-based
// character position in the text). `siaDcs` admits the DC-09 words NAK and DUH.
Result<Script> parseScript(std::string_view text, bool siaDcs);

// Writes a step back in the language ("DELAY 4500 ACK CLOSE 200"), for the window.
std::string stepText(const Step& step);

}  // namespace corvane::answer
