// Answer latencies counted against fixed round bounds, 10 us to 10 s in 1-2-5 steps, so a reader
// that needs exact counts at those values (a metrics scrape) gets them; the histogram beside it
// reads percentiles, to within its buckets' width.
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

class LatencySteps {
  public:
    static constexpr std::array<std::int64_t, 19> kBoundsUs = {
        10,     20,     50,      100,     200,     500,     1'000,   2'000,     5'000,     10'000,
        20'000, 50'000, 100'000, 200'000, 500'000, 1000000, 2000000, 5'000'000, 10'000'000};

    void add(std::int64_t us);
    // Answers at most kBoundsUs[i] long, for each i; then all of them.
    std::array<std::uint64_t, kBoundsUs.size()> atMost() const;
    std::uint64_t count() const { return m_count; }

  private:
    // Answers above the previous bound and at most this one; the last entry holds those above
    // every bound.
    std::array<std::uint64_t, kBoundsUs.size() + 1> m_within{};
    std::uint64_t m_count = 0;
};

}  // namespace corvane
