// The lockstep rows against the corvane-station program, to compare with the same rows against
// the station in-process (the station behind the window) in the same run.
#pragma once

#include <cstdint>
#include <vector>

#include "links_table.h"

namespace corvane::bench {

// One receiver in lockstep against `program` started in `mode` ("Client" or "Server") for
// `protocol` ("Sur-Gard" or "SIA-DCS"). The row's name is the in-process row's plus kProgramSuffix.
Row lockstepAgainstProgram(const char* program, const char* mode, const char* protocol,
                           std::uint64_t messages);

inline constexpr const char* kProgramSuffix = ", corvane-station";

// Adds to each program row's check its rate and latencies against the in-process row of the same
// name, with the verdict on the 5% target.
void compareProgramRows(std::vector<Row>& rows);

}  // namespace corvane::bench
