// The answer to one message, planned on its receiving thread: the Reply of the answer script's
// next step when scripts are on, else of the response policy. The DC-09 settings take part under
// either: an encrypted frame gets an encrypted ACK, an undecryptable one or one whose time stamp
// lies outside the window gets the answer those settings give.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "answer/answer_scripts.h"
#include "dc09/dc09_reading.h"
#include "dc09/dc09_settings.h"
#include "protocol/reply.h"
#include "station/settings.h"

namespace corvane::answer {

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

// What an answer is planned from.
struct AnswerSources {
    const Settings& settings;
    const Dc09Settings& dc09;
    const AnswerScripts& scripts;
};

// Plans the Reply to `message`; `reading` receives what the DC-09 settings learnt of the frame,
// `liveStep` (when given) the script step taken, as the window shows it.
Reply planAnswer(std::string_view message, const AnswerSources& sources, ScriptCursor& cursor,
                 Dc09Reading& reading, std::string* liveStep = nullptr);

}  // namespace corvane::answer
