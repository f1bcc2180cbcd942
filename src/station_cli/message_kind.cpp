#include "station_cli/message_kind.h"

namespace corvane::cli {

namespace {

std::int64_t counted(const TallyTotals& totals, MessageKind kind) {
    return static_cast<std::int64_t>(totals.byKind[static_cast<std::size_t>(kind)]);
}

}  // namespace

std::string_view kindName(CountedKind kind) {
    switch (kind) {
        case CountedKind::Cid:
            return "cid";
        case CountedKind::Sia:
            return "sia";
        case CountedKind::Heartbeat:
            return "heartbeat";
        case CountedKind::Private:
            return "private";
        case CountedKind::DeviceHeart:
            return "device-heart";
        case CountedKind::Unknown:
            return "unknown";
        case CountedKind::Error:
            return "error";
        case CountedKind::Undecryptable:
            return "undecryptable";
        case CountedKind::Unsent:
            return "unsent";
    }
    return "";
}

std::optional<CountedKind> kindNamed(std::string_view name) {
    for (const CountedKind kind : kAllKinds) {
        if (kindName(kind) == name) {
            return kind;
        }
    }
    return name == kindName(CountedKind::Unsent) ? std::optional(CountedKind::Unsent)
                                                 : std::nullopt;
}

std::int64_t countOf(const TallyTotals& totals, CountedKind kind) {
    switch (kind) {
        case CountedKind::Cid:
            return counted(totals, MessageKind::Cid);
        case CountedKind::Sia:
            return counted(totals, MessageKind::Sia);
        case CountedKind::Heartbeat:
            return counted(totals, MessageKind::Heartbeat) + counted(totals, MessageKind::LinkTest);
        case CountedKind::Private:
            return counted(totals, MessageKind::Private);
        case CountedKind::DeviceHeart:
            return counted(totals, MessageKind::DeviceHeart);
        case CountedKind::Unknown:
            return counted(totals, MessageKind::Unknown);
        case CountedKind::Error:
            return counted(totals, MessageKind::FormatError);
        case CountedKind::Undecryptable:
            return counted(totals, MessageKind::CannotDecrypt);
        case CountedKind::Unsent:
            return static_cast<std::int64_t>(totals.answers.unsent());
    }
    return 0;
}

}  // namespace corvane::cli
