// The bytes of a message still open when its connection closed or the link stopped: they are
// never answered or decoded, but they must not vanish without a trace.
#pragma once

#include <string>

#include "link/frame_reader.h"

namespace corvane {

class Station;

// Notes `left` (nothing when it is empty): one diagnostic line with the count and the first
// bytes in hexadecimal, and one activity log line. Any thread.
void noteUnfinishedMessage(Station& station, const std::string& peer,
                           const FrameReader::Unfinished& left);

}  // namespace corvane
