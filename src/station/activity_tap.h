// What a listener other than the window (corvane-station's terminal and summary) learns of the
// station's activity, on the thread where it happens. The window itself never needs it: it paints
// from the station's view text and counters.
#pragma once

#include <string_view>

#include "pipeline/received_message.h"

namespace corvane {

class ActivityTap {
  public:
    virtual ~ActivityTap() = default;

    // One activity log line as appended (`rest` ends with CR LF). Called with the log lock held,
    // so lines arrive in log order; may be a receiving thread: must not block.
    virtual void logLineAppended(std::string_view timeText, std::string_view rest) = 0;
    // One queued message after the msgPro worker decoded, counted and logged it.
    virtual void messageDecoded(const ReceivedMessage& message) = 0;
};

}  // namespace corvane
