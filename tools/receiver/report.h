// The printed report of a run.
#pragma once

#include <ostream>

#include "receiver/run_options.h"

namespace corvane::sim {

void printReport(std::ostream& out, const RunOptions& options, const RunResult& result);
void printSummaryLine(std::ostream& out, const RunResult& result);

}  // namespace corvane::sim
