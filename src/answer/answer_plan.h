// The answer to one message: which bytes, chosen by which step, after how long, and whether the
// connection closes after it. The receiving threads plan it; the link sends it when it is due.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "answer/answer_scripts.h"
#include "dc09/dc09_reading.h"

namespace corvane {
class Station;
}

namespace corvane::answer {

struct PlannedAnswer {
    std::string bytes;          // empty: nothing is sent
    std::string word;           // as in AnswerNote::word
    int step = -1;              // 0-based script step, -1 when the radio buttons chose
    std::int64_t delayMs = 0;   // after the message was read
    std::int64_t closeMs = -1;  // close this long after the answer; -1: stay open
};

// Where one receiver connection stands in the scripts. Owned by its receiving thread.
class ScriptCursor {
  public:
    // Takes the next step of the main or the heartbeat script; starts again at step 1 when the
    // operator applied new scripts.
    const Step& take(const ScriptSet& set, bool heartbeat, int& index);

  private:
    std::uint64_t m_generation = 0;
    std::size_t m_main = 0;
    std::size_t m_heartbeat = 0;
};

// Plans the answer to `message` under the script (when the switch is on) or the radio buttons.
// Under SIA-DCS "NACK All" the NACK is due 2000 ms after the message. The DC-09 settings take
// part under either: an encrypted frame gets an encrypted ACK, an undecryptable one or one
// whose time stamp lies outside the window gets the answer those settings give; `reading`
// receives what they learnt of the frame.
PlannedAnswer planAnswer(Station& station, const std::string& message, ScriptCursor& cursor,
                         Dc09Reading& reading, std::string* liveStep = nullptr);

// The current UTC time as a DC-09 time stamp, "_HH:MM:SS,MM-DD-YYYY".
std::string dc09TimeStamp();

}  // namespace corvane::answer
