// A whole simulator run: opens the connections (listening or connecting), runs one receiver on
// each at once, and sums their results.
#pragma once

#include <cstdint>
#include <functional>

#include "receiver/run_options.h"

namespace corvane::sim {

// Called once the listening socket is open, with its port, before waiting for the station.
using ListeningCallback = std::function<void(std::uint16_t port)>;

RunResult runReceiver(const RunOptions& options, const ListeningCallback& onListening = {});

}  // namespace corvane::sim
