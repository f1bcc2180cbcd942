// Answer latencies of a run of any length in a fixed amount of memory: log-linear buckets (32 per
// power of two), so a percentile is read to within about 3% of its value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace corvane::cli {

class LatencyHistogram {
  public:
    void add(std::uint64_t micros);
    std::uint64_t count() const { return m_count; }
    // Nearest-rank percentile (0 < p <= 100), as the middle of its bucket; nullopt when empty.
    std::optional<std::uint64_t> percentile(double p) const;

  private:
    static constexpr int kSubBits = 5;  // 32 buckets per power of two
    static constexpr std::size_t kBuckets = (64 - kSubBits + 1) << kSubBits;
    static std::size_t bucketOf(std::uint64_t value);
    static std::uint64_t middleOf(std::size_t bucket);

    std::array<std::uint64_t, kBuckets> m_buckets{};
    std::uint64_t m_count = 0;
};

}  // namespace corvane::cli
