// The "Sur-Gard" branch of parseLine: MLR2000 and MLR2 automation lines (private messages,
// heartbeats, SIA events and the four Contact ID forms).
#pragma once

#include <string>

#include "protocol/decode_note.h"

namespace corvane {

class Station;

// Counts `message` by kind, stamps the heartbeat tick for recognised kinds, writes the diagnostic
// lines and assigns `description` where the kind has one (it is left alone otherwise). `note`
// gets the kind it found.
void decodeSurGard(Station& station, const std::string& message, std::string& description,
                   DecodeNote& note);

}  // namespace corvane
