#include "dc09/received_decode.h"

#include "dc09/frame_quirks.h"
#include "platform/quillet.h"
#include "protocol/delimited_text.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr const char* kFunction = "CCorvaneDlg::parseLine";

}  // namespace

void decodeReceived(Station& station, const ReceivedMessage& received, const std::string& message,
                    std::string& description, DecodeNote& note) {
    using Outcome = Dc09Reading::Outcome;
    const Dc09Reading& dc09 = received.dc09;
    if (station.m_protocol == "SIA-DCS") {
        dc09::noteFrameQuirks(untilFirstZero(message));
        if (dc09.stampOutside) {
            QUILLET(2, kFunction, "time stamp outside the window, answered NAK: %s",
                    message.c_str());
        }
    }
    switch (dc09.outcome) {
        case Outcome::Plain:
            station.parseLine(message, description, note);
            return;
        case Outcome::Decrypted:
            station.parseLine(dc09.text, description, note);
            description.insert(0, description.empty() ? "(decrypted)" : "(decrypted) ");
            return;
        case Outcome::NoKey:
            description = "no key for account " + dc09.account;
            break;
        case Outcome::Undecryptable:
            description = "cannot decrypt: wrong key?";
            break;
    }
    note.kind = MessageKind::CannotDecrypt;
    ++station.m_undecryptableCount;
    QUILLET(2, kFunction, "%s: %s", description.c_str(), message.c_str());
}

}  // namespace corvane
