// The tally's counts as fields of a JSON object, under the names corvane-station's --json summary
// uses; the control API's status shows the same fields.
#pragma once

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "record/tally.h"

namespace corvane {

// Answers that left, by word, under their names in name order; words never used are left out.
std::map<std::string, std::uint64_t> answersByName(const TallyTotals& totals);

// "answers": answers that left, by word, in name order (words never used left out); "unsent":
// {"count", "reasons"}; "latency_us": {"p50", "p99"} (null before any timed answer);
// "receivers": {"connections", "addresses"} ("other" for addresses past the limit).
nlohmann::ordered_json tallyFields(const TallyTotals& totals);

}  // namespace corvane
