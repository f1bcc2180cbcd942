// corvane-receiver --suite dc09: a fixed set of awkward but legal DC-09 frames (sequence numbers
// and their wrap, receiver fields, account lengths, extended data, the receiver tolerances), each
// sent whole and then split at every byte boundary, with a verdict per frame.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "receiver/run_options.h"

namespace corvane::sim {

struct SuiteFrame {
    std::string name;
    std::string bytes;  // as written on the wire
    std::string echo;   // what the answer must copy
};

// The suite's frames, in the order they are sent.
std::vector<SuiteFrame> dc09SuiteFrames();

// Runs the suite against the station at options.host:options.port; prints one verdict line a
// frame and a summary. Returns 0 when every frame got a good answer every time, 1 otherwise.
int runDc09Suite(const RunOptions& options, std::ostream& out);

}  // namespace corvane::sim
