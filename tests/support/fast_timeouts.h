// Link waits short enough that no test sits out a production time-out; each test that needs one
// to pass sets it lower still.
#pragma once

#include "station/timeouts.h"

namespace corvane::test {

inline Timeouts fastTimeouts() {
    using std::chrono::milliseconds;
    Timeouts t;
    t.connect = milliseconds(2000);
    t.acceptSlice = milliseconds(5);
    t.nackPause = milliseconds(300);
    return t;
}

}  // namespace corvane::test
