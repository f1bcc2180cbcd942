// PUT /v1/answers: the policy, the custom answer and the answer scripts, changed as the window's
// controls and its Apply change them. Every field is checked before anything changes, so a refused
// request leaves the running answers as they were; an accepted one answers from the next message.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

#include "platform/result.h"
#include "station/station.h"

namespace corvane::remote {

struct AnswersChange {
    std::optional<ResponseMode> policy;
    std::optional<std::string> custom;
    // The main script: text switches scripts on with it, "" switches them off.
    std::optional<std::string> script;
    std::optional<std::string> heartbeatScript;
};

// Reads and checks the body ({"policy", "custom", "script", "heartbeat_script"}) against the
// station's protocol and settings; the failure's `why` is the parser's or the check's message.
Result<AnswersChange> readAnswersChange(std::string_view body, const Station& station);
void applyAnswersChange(Station& station, const AnswersChange& change);

// What is in force now, in the body's own fields.
nlohmann::ordered_json answersNow(const Station& station);

}  // namespace corvane::remote
