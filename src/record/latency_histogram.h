// Answer latencies of one receiver in logarithmic buckets (8 per power of two, so a percentile
// is right to within 12.5%), in constant memory however many answers come.
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

class LatencyHistogram {
  public:
    void add(std::int64_t us);
    std::uint64_t count() const { return m_count; }
    // The latency below which `fraction` (0..1) of the answers lie; -1 when there are none.
    std::int64_t percentile(double fraction) const;

  private:
    static constexpr int kBuckets = 16 + 40 * 8;
    static int bucketOf(std::int64_t us);
    static std::int64_t lowerBound(int bucket);
    std::array<std::uint32_t, kBuckets> m_buckets{};
    std::uint64_t m_count = 0;
};

}  // namespace corvane
