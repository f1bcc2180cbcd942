// corvane-receiver --suite surgard: each Sur-Gard line type of the receivers' automation output
// once, in the layout of the receiver type (heartbeat, basic signals, pulse, line card status,
// two-way audio, internal status, SIA protocols 1 and 2, Contact ID with letter and digit
// qualifiers and a hex account, 10-character Contact ID, caller ID, BFSK, Ademco high speed, and
// lines with the receivers' clock), with a verdict for each. The verdict is what a receiver sees:
// one answer byte, the expected one, nothing more; how the station decodes a line is its own
// business, so a station that does not know a type yet still gets a fair verdict.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "receiver/run_options.h"

namespace corvane::sim {

struct SuiteLine {
    std::string name;
    std::string bytes;  // as written on the wire, 0x14 included
};

// The suite's lines for the receiver type, in the order they are sent.
std::vector<SuiteLine> surGardSuiteLines(ReceiverType type);

// Runs the suite against the station (connecting, or listening for it: `onListening` gets the
// port); prints one verdict line a line and a summary. Returns 0 when every line got the expected
// answer, 1 otherwise.
int runSurGardSuite(const RunOptions& options, std::ostream& out,
                    const std::function<void(std::uint16_t)>& onListening = {});

}  // namespace corvane::sim
