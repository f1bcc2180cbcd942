// The single decoding entry: one received message in, counters, tick and description out.
#include "protocol/sia_dcs_decoder.h"
#include "protocol/sur_gard_decoder.h"
#include "station/station.h"

namespace corvane {

void Station::parseLine(const std::string& message, std::string& description) {
    DecodeNote ignored;
    parseLine(message, description, ignored);
}

void Station::parseLine(const std::string& message, std::string& description, DecodeNote& note) {
    note = DecodeNote{};
    if (m_protocol == "Sur-Gard") {
        decodeSurGard(*this, message, description, note);
    } else if (m_protocol == "SIA-DCS") {
        decodeSiaDcs(*this, message, description, note);
    }
}

const char* messageKindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::Cid:
            return "CID";
        case MessageKind::Sia:
            return "SIA";
        case MessageKind::Heartbeat:
            return "heartbeat";
        case MessageKind::Private:
            return "private";
        case MessageKind::DeviceHeart:
            return "device heart";
        case MessageKind::LinkTest:
            return "link test";
        case MessageKind::Unknown:
            return "unknown";
        case MessageKind::FormatError:
            return "format error";
        case MessageKind::CannotDecrypt:
            return "cannot decrypt";
    }
    return "unknown";
}

}  // namespace corvane
