// Fuzzes the decoders and parseLine. The first input byte picks the protocol (Sur-Gard, SIA-DCS,
// other) and the receiver type (MLR2000, MLR2, other); the rest is the message, any bytes at all.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/quillet.h"
#include "protocol/event_meanings.h"
#include "protocol/parse_line.h"
#include "protocol/response.h"
#include "station/station.h"

namespace {

const corvane::Protocol kProtocols[] = {corvane::Protocol::SurGard, corvane::Protocol::SiaDcs,
                                        corvane::Protocol::None};
const corvane::ReceiverType kReceiverTypes[] = {
    corvane::ReceiverType::Mlr2000, corvane::ReceiverType::Mlr2, corvane::ReceiverType::Other};

corvane::Station& station() {
    // Built once; the file log would only slow the fuzzer down.
    static corvane::Station* const s = [] {
        quillet_setFileEnabled(false);
        return new corvane::Station();
    }();
    return *s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    corvane::Station& s = station();
    s.m_protocol = kProtocols[data[0] % 3];
    s.m_receiverType = kReceiverTypes[(data[0] / 3) % 3];
    const std::string message(reinterpret_cast<const char*>(data + 1), size - 1);

    const corvane::Decoded decoded =
        corvane::decodeMessage(message, s.m_protocol, s.m_receiverType);
    corvane::parseLine(decoded, message, s);
    FUZZ_CHECK(decoded.description.size() <= 255);
    FUZZ_CHECK(decoded.description.find('\0') == std::string::npos);
    FUZZ_CHECK(decoded.kind == corvane::MessageKind::Sia ||
               decoded.kind == corvane::MessageKind::Private || decoded.events().empty());
    // One test of what a heartbeat is, for the answer and for the count.
    if (s.m_protocol == corvane::Protocol::SurGard) {
        FUZZ_CHECK((decoded.kind == corvane::MessageKind::Heartbeat) ==
                   corvane::isHeartbeat(message, corvane::Protocol::SurGard));
    }
    (void)corvane::meaningOf(decoded);
    return 0;
}
