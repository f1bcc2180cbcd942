// One corvane-station run: starts the link as the Connect button does, answers until a stop
// (a signal, --duration, --max-messages, the link going down), stops it as Disconnect does,
// counts what was still queued, writes --export's file, prints the summary and returns the exit
// status.
#pragma once

#include "station_cli/station_options.h"

namespace corvane::cli {

// Exit statuses besides 0 and the usage error's 2.
inline constexpr int kExpectationMissedExit = 1;
inline constexpr int kLinkFailedExit = 3;
// The final --export could not be written (it wins over a missed expectation: the file a rig
// reads is missing).
inline constexpr int kExportFailedExit = 4;

int runStation(const StationOptions& options);

}  // namespace corvane::cli
