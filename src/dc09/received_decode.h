// The msgPro worker's decoding of one queued message, DC-09 decryption taken into account: a
// decrypted frame is decoded from its plain text and marked as decrypted, one that could not be
// decrypted is described as such, and the quirks of a SIA-DCS frame are noted.
#pragma once

#include <string_view>

#include "dc09/dc09_reading.h"
#include "protocol/decoded.h"
#include "station/choices.h"

namespace corvane {

// `message` is the received bytes up to their first zero byte; `reading` what the receiving
// thread learnt of the frame while it answered it.
Decoded decodeReceived(std::string_view message, const Dc09Reading& reading, Protocol protocol,
                       ReceiverType type);

}  // namespace corvane
