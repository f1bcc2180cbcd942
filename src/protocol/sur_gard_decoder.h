// The Sur-Gard decoder: MLR2000 and MLR2 automation lines (private messages, heartbeats, SIA
// events and the four Contact ID forms).
#pragma once

#include <string_view>

#include "protocol/decoded.h"
#include "station/choices.h"

namespace corvane {

// What `message` is, read up to its first zero byte with the line formats of `type`.
Decoded decodeSurGard(std::string_view message, ReceiverType type);

}  // namespace corvane
