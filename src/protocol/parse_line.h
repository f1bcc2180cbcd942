// The single decoding entry, in two steps: decodeMessage says what a message is (the decoder of
// the protocol, reading only the message), parseLine applies that to the station's counters and
// heartbeat tick in one place and writes the diagnostic line. The msgPro worker runs both, once
// per message.
#pragma once

#include <string_view>

#include "protocol/decoded.h"
#include "station/choices.h"
#include "station/counters.h"

namespace corvane {

// The qualified name every decoding diagnostic line shows.
inline constexpr const char* kParseLineFunction = "CCorvaneDlg::parseLine";

// What `message` is under `protocol` (Sur-Gard lines read with `type`); a protocol of None
// recognises nothing and asks for no diagnostic line.
Decoded decodeMessage(std::string_view message, Protocol protocol, ReceiverType type);

// Raises the counter of the decoded kind, renews the tick for a sign of life and writes the
// decoded message's diagnostic line (with `message`, read up to its first zero byte).
void parseLine(const Decoded& decoded, std::string_view message, Counters& counters);

}  // namespace corvane
