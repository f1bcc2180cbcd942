// One simulated receiver on one connected socket: sends its messages (paced, glued, waiting for
// each answer or pipelined), reads and checks the answers in order, and times them.
#pragma once

#include "receiver/run_options.h"

namespace corvane::sim {

// Runs to the end of the messages (or the close of the connection) and closes `fd`.
ConnectionResult runConnection(int fd, const RunOptions& options, int index);

}  // namespace corvane::sim
