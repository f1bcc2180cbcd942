// The link benchmark's table: one row per scenario, with the loopback floor beside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::bench {

struct Row {
    std::string name;
    std::uint64_t messages = 0;
    double rate = 0;  // answered messages per second; 0 when not timed
    std::uint64_t median = 0;
    std::uint64_t p99 = 0;
    bool compared = false;    // judged against the floor's targets
    std::string versusFloor;  // ratios to the floor (filled in once the reference is known)
    double stopMs = -1;       // how long doDisconnect took; -1 when not measured
    std::string check;        // what the correctness check found
    bool failed = false;      // a correctness check failed
};

// Rate and latencies of a bare ping-pong (or of anything measured like one).
struct Floor {
    double rate = 0;
    std::uint64_t median = 0;
    std::uint64_t p99 = 0;
};

void printTable(const std::vector<Row>& rows);

// The floor a row measured (its rate and latencies).
inline Floor measuredBy(const Row& row) {
    return {row.rate, row.median, row.p99};
}

// Rate, median and p99 of `measured` against the floor ("84% 1.10x 1.20x"), with the verdict on
// the targets (>= 80% of the rate, <= 1.5x each latency) if asked.
std::string versusFloor(const Floor& floor, const Floor& measured, bool verdict = true);

}  // namespace corvane::bench
