// Answer latencies in logarithmic buckets (16 per power of two, so a percentile is read to within
// about 3% of its value), in constant memory however many answers come.
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

class LatencyHistogram {
  public:
    void add(std::int64_t us);
    std::uint64_t count() const { return m_count; }
    // The latency below which `fraction` (0..1) of the answers lie, as the middle of its bucket;
    // -1 when there are none.
    std::int64_t percentile(double fraction) const;

  private:
    static constexpr int kSubBits = 4;            // 16 buckets per power of two
    static constexpr int kExact = 1 << kSubBits;  // small values have a bucket each
    static constexpr int kPowers = 40;            // up to 2^40 us (12 days)
    static constexpr int kBuckets = kExact + (kPowers - kSubBits) * kExact;
    static int bucketOf(std::int64_t us);
    static std::int64_t middleOf(int bucket);

    std::array<std::uint32_t, kBuckets> m_buckets{};
    std::uint64_t m_count = 0;
};

}  // namespace corvane
