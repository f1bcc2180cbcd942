// The "SIA-DCS" branch of parseLine: DC-09 frames holding an SIA event or a link test.
#pragma once

#include <string>

#include "protocol/decode_note.h"

namespace corvane {

class Station;

// Counts `message` as an SIA event or a link test and stamps the heartbeat tick; an SIA event
// also gets its description. Unknown and malformed frames are only logged. `note` gets the kind.
void decodeSiaDcs(Station& station, const std::string& message, std::string& description,
                  DecodeNote& note);

}  // namespace corvane
