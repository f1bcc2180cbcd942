// One corvane-station run: starts the link as the Connect button does, answers until a stop
// (a signal, --duration, --max-messages, the link going down), stops it as Disconnect does,
// counts what was still queued, prints the summary and returns the exit status.
#pragma once

#include "station_cli/station_options.h"

namespace corvane::cli {

// Exit statuses besides 0 and the usage error's 2.
inline constexpr int kExpectationMissedExit = 1;
inline constexpr int kLinkFailedExit = 3;

int runStation(const StationOptions& options);

}  // namespace corvane::cli
