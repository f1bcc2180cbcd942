#include "station_cli/message_kind.h"

#include "station/station.h"

namespace corvane::cli {

std::string_view kindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::Cid:
            return "cid";
        case MessageKind::Sia:
            return "sia";
        case MessageKind::Heartbeat:
            return "heartbeat";
        case MessageKind::Private:
            return "private";
        case MessageKind::DeviceHeart:
            return "device-heart";
        case MessageKind::Unknown:
            return "unknown";
        case MessageKind::Error:
            return "error";
        case MessageKind::Undecryptable:
            return "undecryptable";
    }
    return "";
}

std::optional<MessageKind> kindNamed(std::string_view name) {
    for (const MessageKind kind : kAllKinds) {
        if (kindName(kind) == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::int64_t countOf(const Station& station, MessageKind kind) {
    switch (kind) {
        case MessageKind::Cid:
            return station.m_cidCount.load();
        case MessageKind::Sia:
            return station.m_siaCount.load();
        case MessageKind::Heartbeat:  // SG heartbeats, and the link tests of SIA-DCS
            return station.m_sgHeartbeatCount.load();
        case MessageKind::Private:
            return station.m_sgPrivateCount.load();
        case MessageKind::DeviceHeart:
            return station.m_deviceHeartCount.load();
        case MessageKind::Unknown:
            return station.m_unknownCount.load();
        case MessageKind::Error:
            return station.m_errorCount.load();
        case MessageKind::Undecryptable:
            return station.m_undecryptableCount.load();
    }
    return 0;
}

}  // namespace corvane::cli
