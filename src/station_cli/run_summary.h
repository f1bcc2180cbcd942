// The summary a corvane-station run ends with, as text (key=value lines) or as one JSON object,
// from the station's tally. Its format is part of the command-line contract (corvane-station(1)).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "record/tally.h"
#include "station_cli/station_options.h"

namespace corvane::cli {

struct ExpectationResult {
    CountedKind kind;
    std::int64_t expected;
    std::int64_t counted;
    bool met() const { return expected == counted; }
};

struct RunSummary {
    double seconds = 0;
    std::string stoppedBy;  // "SIGINT", "duration", "max-messages", "link drop", ...
    std::vector<std::pair<CountedKind, std::int64_t>> kinds;
    TallyTotals tally;
    std::vector<ExpectationResult> expectations;
    // Records held at the end, and the older ones dropped to keep within the records' limits.
    std::uint64_t recordsHeld = 0;
    std::uint64_t recordsDropped = 0;

    bool allMet() const;
};

RunSummary makeSummary(const TallyTotals& tally, const std::vector<Expectation>& expectations,
                       double seconds, std::string stoppedBy);

// Lines ending in '\n'.
std::string summaryText(const RunSummary& summary);
// The summary's fields, in the order the JSON summary shows them.
nlohmann::ordered_json summaryFields(const RunSummary& summary);
// One line ending in '\n': the "summary" event at `timeUs` (UTC microseconds).
std::string summaryJson(const RunSummary& summary, std::int64_t timeUs);

}  // namespace corvane::cli
