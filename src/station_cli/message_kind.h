// The kinds a corvane-station run counts, by their command-line names, each over the decoded
// kinds it takes in ("heartbeat" holds the SIA-DCS link tests too, as the SG Heartbeat counter).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "record/tally.h"

namespace corvane::cli {

enum class CountedKind {
    Cid,
    Sia,
    Heartbeat,
    Private,
    DeviceHeart,
    Unknown,
    Error,
    Undecryptable,
    Unsent,  // not a kind of message: the answers that never left, for --expect
};

inline constexpr std::array kAllKinds = {
    CountedKind::Cid,     CountedKind::Sia,           CountedKind::Heartbeat,
    CountedKind::Private, CountedKind::DeviceHeart,   CountedKind::Unknown,
    CountedKind::Error,   CountedKind::Undecryptable,
};

// "cid", "sia", "heartbeat", "private", "device-heart", "unknown", "error", "undecryptable",
// "unsent".
std::string_view kindName(CountedKind kind);
std::optional<CountedKind> kindNamed(std::string_view name);

// How many messages of `kind` the tally counted (for Unsent: answers that never left).
std::int64_t countOf(const TallyTotals& totals, CountedKind kind);

}  // namespace corvane::cli
