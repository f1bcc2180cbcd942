// The summary a corvane-station run ends with, as text (key=value lines) or as one JSON object.
// Its format is part of the command-line contract (see corvane-station(1)).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "station_cli/run_tally.h"
#include "station_cli/station_options.h"

namespace corvane {
class Station;
}

namespace corvane::cli {

struct ExpectationResult {
    MessageKind kind;
    std::int64_t expected;
    std::int64_t counted;
    bool met() const { return expected == counted; }
};

struct RunSummary {
    double seconds = 0;
    std::string stoppedBy;  // "signal", "duration", "max-messages", "link drop", ...
    std::vector<std::pair<MessageKind, std::int64_t>> kinds;
    TallySnapshot tally;
    std::uint64_t connections = 0;
    std::vector<ExpectationResult> expectations;

    bool allMet() const;
};

RunSummary makeSummary(const Station& station, const RunTally& tally,
                       const std::vector<Expectation>& expectations, double seconds,
                       std::string stoppedBy);

// Lines ending in '\n'.
std::string summaryText(const RunSummary& summary);
// One line ending in '\n'.
std::string summaryJson(const RunSummary& summary);

}  // namespace corvane::cli
