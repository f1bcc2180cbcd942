// The "Answer by script" switch, turned the same way by every front end: the window's switch and
// Apply, the command line's --script and the control API's PUT /v1/answers. Each start and stop
// leaves its line in the activity log.
#pragma once

#include <string>

#include "platform/result.h"
#include "station/station.h"

namespace corvane {

// Puts `main` and `heartbeat` in force under the station's protocol and switches the scripts on
// (a running one starts again), with the log line "  -  Answer script started: <main>". Scripts
// that do not parse change nothing: the failure names the field ("Main script, ...").
Result<void> startAnswerScripts(Station& station, const std::string& main,
                                const std::string& heartbeat);

// Switches the scripts off, with the log line "  -  Answer script stopped"; nothing when they are
// off already.
void stopAnswerScripts(Station& station);

}  // namespace corvane
