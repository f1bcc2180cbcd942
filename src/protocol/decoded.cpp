#include "protocol/decoded.h"

namespace corvane {

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
        case MessageKind::Signal:
            return "signal";
        case MessageKind::LineStatus:
            return "line status";
        case MessageKind::Audio:
            return "audio";
        case MessageKind::Sia1:
            return "SIA 1";
        case MessageKind::CallerId:
            return "caller ID";
        case MessageKind::Bfsk:
            return "BFSK";
        case MessageKind::Ademco:
            return "Ademco";
        case MessageKind::OtherFormat:
            return "other format";
        case MessageKind::Unknown:
            return "unknown";
        case MessageKind::FormatError:
            return "format error";
        case MessageKind::CannotDecrypt:
            return "cannot decrypt";
    }
    return "unknown";
}

std::vector<SiaEvent> Decoded::events() const {
    return kind == MessageKind::Sia || kind == MessageKind::Private ? readSiaEvents(siaBlock)
                                                                    : std::vector<SiaEvent>{};
}

}  // namespace corvane
