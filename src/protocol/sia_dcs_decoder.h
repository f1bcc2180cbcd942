// The "SIA-DCS" branch of parseLine: DC-09 frames holding an SIA event or a link test.
#pragma once

#include <string>

namespace corvane {

class Station;

// Counts `message` as an SIA event or a link test and stamps the heartbeat tick; an SIA event
// also gets its description. Unknown and malformed frames are only logged.
void decodeSiaDcs(Station& station, const std::string& message, std::string& description);

}  // namespace corvane
