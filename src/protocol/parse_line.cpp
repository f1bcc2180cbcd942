#include "protocol/parse_line.h"

#include <cstdint>

#include "platform/quillet.h"
#include "platform/vexo.h"
#include "protocol/delimited_text.h"
#include "protocol/sia_dcs_decoder.h"
#include "protocol/sur_gard_decoder.h"

namespace corvane {

namespace {

void writeDiagnostic(const Decoded& decoded, std::string_view message) {
    const std::string_view text = untilFirstZero(message);
    const int length = static_cast<int>(text.size());
    const char* const bytes = text.data();
    switch (decoded.note) {
        case Decoded::Note::None:
            return;
        case Decoded::Note::Description:
            QUILLET(3, kParseLineFunction, "%s", decoded.description.c_str());
            return;
        case Decoded::Note::Private:
            QUILLET(3, kParseLineFunction, "SG Private-%.*s", length, bytes);
            return;
        case Decoded::Note::Cid10FormatError:
            QUILLET(3, kParseLineFunction, "CID 10 format error: %.*s", length, bytes);
            return;
        case Decoded::Note::Cid4FormatError:
            QUILLET(3, kParseLineFunction, "CID 4 format error: %.*s", length, bytes);
            return;
        case Decoded::Note::Unknown:
            QUILLET(2, kParseLineFunction, "Unknown msg: %.*s", length, bytes);
            return;
        case Decoded::Note::Error:
            QUILLET(2, kParseLineFunction, "Error msg: %.*s", length, bytes);
            return;
        case Decoded::Note::FormatError:
            QUILLET(3, kParseLineFunction, "%s: %.*s", decoded.description.c_str(), length, bytes);
            return;
        case Decoded::Note::CannotDecrypt:
            QUILLET(2, kParseLineFunction, "%s: %.*s", decoded.description.c_str(), length, bytes);
            return;
    }
}

std::atomic<std::int64_t>* counterOf(MessageKind kind, Counters& counters) {
    switch (kind) {
        case MessageKind::Cid:
            return &counters.m_cidCount;
        case MessageKind::Sia:
        case MessageKind::Sia1:
            return &counters.m_siaCount;
        case MessageKind::Heartbeat:
        case MessageKind::LinkTest:
            return &counters.m_sgHeartbeatCount;
        case MessageKind::Private:
            return &counters.m_sgPrivateCount;
        case MessageKind::DeviceHeart:
            return &counters.m_deviceHeartCount;
        // Signals, statuses and the other Sur-Gard line types are neither Contact ID nor SIA:
        // the records and the tally count them by their own kinds.
        case MessageKind::Signal:
        case MessageKind::LineStatus:
        case MessageKind::Audio:
        case MessageKind::CallerId:
        case MessageKind::Bfsk:
        case MessageKind::Ademco:
        case MessageKind::OtherFormat:
        case MessageKind::Unknown:
        case MessageKind::FormatError:
        case MessageKind::CannotDecrypt:
            break;
    }
    return nullptr;
}

}  // namespace

Decoded decodeMessage(std::string_view message, Protocol protocol, ReceiverType type) {
    switch (protocol) {
        case Protocol::SurGard:
            return decodeSurGard(message, type);
        case Protocol::SiaDcs:
            return decodeSiaDcs(message);
        case Protocol::None:
            break;
    }
    return {};
}

void parseLine(const Decoded& decoded, std::string_view message, Counters& counters) {
    if (decoded.stampsTick) {
        counters.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
    }
    if (std::atomic<std::int64_t>* counter = counterOf(decoded.kind, counters)) {
        ++*counter;
    }
    writeDiagnostic(decoded, message);
}

}  // namespace corvane
