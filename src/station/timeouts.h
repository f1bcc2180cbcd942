// The link's waits, in one place so a test can shorten them instead of sitting them out. The
// defaults are the station's own; set them before a link starts (its threads read them).
#pragma once

#include <chrono>

namespace corvane {

struct Timeouts {
    // The client's connect attempt: a wrong address must not hold the link up for minutes. The
    // receiver's host name is looked up first, within a time-out of its own.
    std::chrono::milliseconds lookUp{5000};
    std::chrono::milliseconds connect{5000};
    // One answer handed to a receiver that does not read, and one receive that waits for data.
    std::chrono::milliseconds send{3000};
    std::chrono::milliseconds receive{3000};
    // SIA-DCS "NACK All": the NACK leaves this long after the message.
    std::chrono::milliseconds nackPause{2000};
    // The Accept thread waits in slices of this, so a stop is seen at once.
    std::chrono::milliseconds acceptSlice{200};
};

}  // namespace corvane
