// The response policy: the answer the operator's radio buttons give one received message. Runs on
// the receiving thread, before the message is queued.
#pragma once

#include <string>
#include <string_view>

#include "protocol/reply.h"
#include "station/settings.h"

namespace corvane {

// The Reply `message` gets under the policy and the custom text of `settings`. Under SIA-DCS the
// DC-09 settings' verdict on the frame takes part: an answer it decided stands whatever the
// policy, and its ACK or NACK replaces the plain one; "NACK All" leaves after the NACK pause.
Reply makeResponse(std::string_view message, const Settings& settings,
                   const FrameVerdict& verdict = {});

// The ACK and the NACK frame for a message (read up to its first zero byte).
std::string makeAck(std::string_view message);
std::string makeNack(std::string_view message);

// A frame answer of `word` naming `message` (the text after its ID token, up to "[").
Reply frameReply(AnswerWord word, std::string_view message);
// A custom answer: the custom text; its word is None when it makes no byte to send.
Reply customReply(Protocol protocol, std::string text);

// A Sur-Gard heartbeat (by its shape: isSurGardHeartbeat) or a SIA-DCS link test (the NULL
// token).
bool isHeartbeat(std::string_view message, Protocol protocol);

}  // namespace corvane
