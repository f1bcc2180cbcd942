// The bytes of a message still open when its connection closed or the link stopped: they are
// never answered or decoded, but they must not vanish without a trace.
#pragma once

#include <string>

#include "link/frame_reader.h"
#include "pipeline/activity_log.h"

namespace corvane {

// Notes `left` (nothing when it is empty): one diagnostic line with the count and the first
// bytes in hexadecimal, and one activity log line. Any thread.
void noteUnfinishedMessage(ActivityLog& log, const std::string& peer,
                           const FrameReader::Unfinished& left);

}  // namespace corvane
