// The msgPro worker's decoding of one queued message, DC-09 decryption taken into account: a
// decrypted frame is decoded from its plain text and marked as decrypted, one that could not be
// decrypted is described and logged, and the quirks of a SIA-DCS frame are noted.
#pragma once

#include <string>

#include "pipeline/received_message.h"
#include "protocol/decode_note.h"

namespace corvane {

class Station;

// `message` is the received bytes up to their first zero byte; `note` receives the kind.
void decodeReceived(Station& station, const ReceivedMessage& received, const std::string& message,
                    std::string& description, DecodeNote& note);

}  // namespace corvane
