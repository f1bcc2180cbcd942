// --replay FILE: a records export (CSV or JSON Lines) turned into the messages of each recorded
// connection, in order, with their recorded times. The file is read one record at a time (it
// may be a pipe), and a record longer than kMaxReplayRecord is refused with its line number.
#pragma once

#include <cstddef>
#include <string>

#include "receiver/run_options.h"

namespace corvane::sim {

inline constexpr std::size_t kMaxReplayRecord = 1 << 20;

// Fills options.replay (and the protocol the recording names); returns an error naming the file
// and line, or empty.
std::string loadReplay(const std::string& path, RunOptions& options);

}  // namespace corvane::sim
