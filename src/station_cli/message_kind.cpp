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
        case CountedKind::Signal:
            return "signal";
        case CountedKind::LineStatus:
            return "line-status";
        case CountedKind::Audio:
            return "audio";
        case CountedKind::CallerId:
            return "caller-id";
        case CountedKind::Bfsk:
            return "bfsk";
        case CountedKind::Ademco:
            return "ademco";
        case CountedKind::OtherFormat:
            return "other-format";
        case CountedKind::Unknown:
            return "unknown";
        case CountedKind::Error:
            return "error";
        case CountedKind::Undecryptable:
            return "undecryptable";
    }
    return "";
}

std::optional<CountedKind> kindNamed(std::string_view name) {
    for (const CountedKind kind : kAllKinds) {
        if (kindName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

bool shownWhenNone(CountedKind kind) {
    switch (kind) {
        case CountedKind::Signal:
        case CountedKind::LineStatus:
        case CountedKind::Audio:
        case CountedKind::CallerId:
        case CountedKind::Bfsk:
        case CountedKind::Ademco:
        case CountedKind::OtherFormat:
            return false;
        default:
            return true;
    }
}

std::int64_t countOf(const TallyTotals& totals, CountedKind kind) {
    switch (kind) {
        case CountedKind::Cid:
            return counted(totals, MessageKind::Cid);
        case CountedKind::Sia:
            return counted(totals, MessageKind::Sia) + counted(totals, MessageKind::Sia1);
        case CountedKind::Heartbeat:
            return counted(totals, MessageKind::Heartbeat) + counted(totals, MessageKind::LinkTest);
        case CountedKind::Private:
            return counted(totals, MessageKind::Private);
        case CountedKind::DeviceHeart:
            return counted(totals, MessageKind::DeviceHeart);
        case CountedKind::Signal:
            return counted(totals, MessageKind::Signal);
        case CountedKind::LineStatus:
            return counted(totals, MessageKind::LineStatus);
        case CountedKind::Audio:
            return counted(totals, MessageKind::Audio);
        case CountedKind::CallerId:
            return counted(totals, MessageKind::CallerId);
        case CountedKind::Bfsk:
            return counted(totals, MessageKind::Bfsk);
        case CountedKind::Ademco:
            return counted(totals, MessageKind::Ademco);
        case CountedKind::OtherFormat:
            return counted(totals, MessageKind::OtherFormat);
        case CountedKind::Unknown:
            return counted(totals, MessageKind::Unknown);
        case CountedKind::Error:
            return counted(totals, MessageKind::FormatError);
        case CountedKind::Undecryptable:
            return counted(totals, MessageKind::CannotDecrypt);
    }
    return 0;
}

}  // namespace corvane::cli
