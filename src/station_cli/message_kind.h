// The kinds a corvane-station run counts, by their command-line names, each over the decoded
// kinds it takes in ("heartbeat" holds the SIA-DCS link tests too, as the SG Heartbeat counter;
// "sia" the Sur-Gard SIA protocol 1 lines, as the SIA counter).
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
    // Sur-Gard line types counted by no counter of the window.
    Signal,
    LineStatus,
    Audio,
    CallerId,
    Bfsk,
    Ademco,
    OtherFormat,
    Unknown,
    Error,
    Undecryptable,
};

inline constexpr std::array kAllKinds = {
    CountedKind::Cid,        CountedKind::Sia,         CountedKind::Heartbeat,
    CountedKind::Private,    CountedKind::DeviceHeart, CountedKind::Signal,
    CountedKind::LineStatus, CountedKind::Audio,       CountedKind::CallerId,
    CountedKind::Bfsk,       CountedKind::Ademco,      CountedKind::OtherFormat,
    CountedKind::Unknown,    CountedKind::Error,       CountedKind::Undecryptable,
};

// "cid", "sia", "heartbeat", "private", "device-heart", "signal", "line-status", "audio",
// "caller-id", "bfsk", "ademco", "other-format", "unknown", "error", "undecryptable".
std::string_view kindName(CountedKind kind);
std::optional<CountedKind> kindNamed(std::string_view name);

// Whether a summary shows `kind` when nothing of it was counted: the Sur-Gard line types show
// only once counted, so a run that meets none reads as it always did.
bool shownWhenNone(CountedKind kind);

// How many messages of `kind` the tally counted.
std::int64_t countOf(const TallyTotals& totals, CountedKind kind);

}  // namespace corvane::cli
