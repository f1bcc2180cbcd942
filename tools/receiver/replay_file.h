// --replay FILE: a records export (CSV or JSON Lines) turned into the messages of each recorded
// connection, in order, with their recorded times.
#pragma once

#include <string>

#include "receiver/run_options.h"

namespace corvane::sim {

// Fills options.replay (and the protocol the recording names); returns an error naming the file
// and line, or empty.
std::string loadReplay(const std::string& path, RunOptions& options);

}  // namespace corvane::sim
