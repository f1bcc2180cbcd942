// The Sur-Gard decoder: MLR2000 and MLR2 automation lines, by their first character: private
// messages ("0"), heartbeats and signals ("1"), SIA protocol 1 ("3") and 2 ("S"), caller ID ("4"),
// Contact ID ("5", "Q"), BFSK ("6"), Ademco high speed ("8"), and the other line types of the
// receivers, named but not read.
#pragma once

#include <string_view>

#include "protocol/decoded.h"
#include "station/choices.h"

namespace corvane {

// What `message` is, read up to its first zero byte with the line formats of `type`.
Decoded decodeSurGard(std::string_view message, ReceiverType type);

}  // namespace corvane
