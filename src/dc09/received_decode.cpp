#include "dc09/received_decode.h"

#include "dc09/frame_quirks.h"
#include "platform/quillet.h"
#include "protocol/delimited_text.h"
#include "protocol/parse_line.h"

namespace corvane {

Decoded decodeReceived(std::string_view message, const Dc09Reading& reading, Protocol protocol,
                       ReceiverType type) {
    using Outcome = Dc09Reading::Outcome;
    if (protocol == Protocol::SiaDcs) {
        dc09::noteFrameQuirks(untilFirstZero(message));
        if (reading.stampOutside) {
            QUILLET(2, kParseLineFunction, "time stamp outside the window, answered NAK: %.*s",
                    static_cast<int>(message.size()), message.data());
        }
    }
    Decoded decoded;
    switch (reading.outcome) {
        case Outcome::Plain:
            return decodeMessage(message, protocol, type);
        case Outcome::Decrypted:
            decoded = decodeMessage(reading.text, protocol, type);
            decoded.decrypted = true;
            return decoded;
        case Outcome::NoKey:
            decoded.description = "no key for account " + reading.account;
            break;
        case Outcome::Undecryptable:
            decoded.description = "cannot decrypt: wrong key?";
            break;
    }
    decoded.kind = MessageKind::CannotDecrypt;
    decoded.note = Decoded::Note::CannotDecrypt;
    return decoded;
}

}  // namespace corvane
