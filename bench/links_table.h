// The link benchmark's table: one row per scenario, with the loopback floor beside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::bench {

struct Row {
    // The floor a row is judged against: the one-receiver ping-pong, or 64 of them at once.
    enum class Versus { None, OneFloor, ManyFloor };

    std::string name;
    std::uint64_t messages = 0;
    double rate = 0;  // answered messages per second; 0 when not timed
    std::uint64_t median = 0;
    std::uint64_t p99 = 0;
    Versus versus = Versus::None;  // judged against that floor's targets
    std::string versusFloor;       // ratios to the floor (filled in once the reference is known)
    double stopMs = -1;            // how long doDisconnect took; -1 when not measured
    std::string check;             // what the correctness check found
    bool failed = false;           // a correctness check failed
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

// What a row must reach against its floor: a share of its rate, at most a multiple of its median
// and p99 latencies (0: not judged).
struct Targets {
    double rate = 0;
    double median = 0;
    double p99 = 0;
};
// One receiver in lockstep: >= 90% of the floor's rate, <= 1.2x its median, <= 1.5x its p99.
inline constexpr Targets kLockstepTargets{0.9, 1.2, 1.5};
// 64 receivers: >= 80% of the 64-pair floor's rate.
inline constexpr Targets kManyTargets{0.8, 0, 0};

// Rate, median and p99 of `measured` against the floor ("84% 1.10x 1.20x"), with the verdict on
// `targets` unless they are all 0.
std::string versusFloor(const Floor& floor, const Floor& measured, const Targets& targets = {});

}  // namespace corvane::bench
