// SIGINT and SIGTERM stop a corvane-receiver run as its end would: the connections see the flag
// within their bounded waits, and the report is printed, marked with the signal. A second signal
// ends the program at once.
#pragma once

#include <atomic>
#include <string>

namespace corvane::sim {

// Installs the handlers; returns the flag they set.
const std::atomic<bool>& watchStopSignals();

// The signal that stopped the run (0: none).
int stopSignal();
// "SIGINT", "SIGTERM"; empty for 0.
std::string signalName(int signal);

}  // namespace corvane::sim
