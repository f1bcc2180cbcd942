#include "station_cli/latency_histogram.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace corvane::cli {

std::size_t LatencyHistogram::bucketOf(std::uint64_t value) {
    constexpr std::uint64_t kExact = std::uint64_t{1} << kSubBits;
    if (value < kExact) {
        return static_cast<std::size_t>(value);  // small values have a bucket each
    }
    const int shift = static_cast<int>(std::bit_width(value)) - 1 - kSubBits;
    const std::uint64_t top = value >> shift;  // kExact .. 2 * kExact - 1
    return static_cast<std::size_t>((static_cast<std::uint64_t>(shift + 1) << kSubBits) + top -
                                    kExact);
}

std::uint64_t LatencyHistogram::middleOf(std::size_t bucket) {
    constexpr std::size_t kExact = std::size_t{1} << kSubBits;
    if (bucket < kExact) {
        return bucket;
    }
    const int shift = static_cast<int>(bucket >> kSubBits) - 1;
    const std::uint64_t top = (bucket & (kExact - 1)) + kExact;
    const std::uint64_t low = top << shift;
    return low + ((std::uint64_t{1} << shift) >> 1);
}

void LatencyHistogram::add(std::uint64_t micros) {
    ++m_buckets[bucketOf(micros)];
    ++m_count;
}

std::optional<std::uint64_t> LatencyHistogram::percentile(double p) const {
    if (m_count == 0) {
        return std::nullopt;
    }
    const auto rank = static_cast<std::uint64_t>(
        std::max(1.0, std::ceil(p / 100.0 * static_cast<double>(m_count))));
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i < kBuckets; ++i) {
        seen += m_buckets[i];
        if (seen >= rank) {
            return middleOf(i);
        }
    }
    return middleOf(kBuckets - 1);
}

}  // namespace corvane::cli
