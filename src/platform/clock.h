// The two clocks the station stamps with: wall time for records and logs, the steady clock for
// due times and latencies (it never moves with the wall clock).
#pragma once

#include <chrono>
#include <cstdint>

namespace corvane {

// UTC microseconds since the epoch.
inline std::int64_t utcMicrosecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Microseconds of the steady clock.
inline std::int64_t steadyMicrosecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace corvane
