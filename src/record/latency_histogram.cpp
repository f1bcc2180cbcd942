#include "record/latency_histogram.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace corvane {

int LatencyHistogram::bucketOf(std::int64_t us) {
    if (us < kExact) {
        return us < 0 ? 0 : static_cast<int>(us);
    }
    const auto value = static_cast<std::uint64_t>(us);
    const int shift = static_cast<int>(std::bit_width(value)) - 1 - kSubBits;  // >= 0
    const int top = static_cast<int>(value >> shift);  // kExact .. 2 * kExact - 1
    const int bucket = (shift + 1) * kExact + top - kExact;
    return std::min(bucket, kBuckets - 1);
}

std::int64_t LatencyHistogram::middleOf(int bucket) {
    if (bucket < kExact) {
        return bucket;
    }
    const int shift = bucket / kExact - 1;
    const std::int64_t low = static_cast<std::int64_t>(bucket % kExact + kExact) << shift;
    return low + ((std::int64_t{1} << shift) >> 1);
}

void LatencyHistogram::add(std::int64_t us) {
    ++m_buckets[static_cast<std::size_t>(bucketOf(us))];
    ++m_count;
}

std::int64_t LatencyHistogram::percentile(double fraction) const {
    if (m_count == 0) {
        return -1;
    }
    // Nearest rank: the smallest value with at least `fraction` of the answers at or below it.
    const auto rank = static_cast<std::uint64_t>(
        std::max(1.0, std::ceil(fraction * static_cast<double>(m_count))));
    std::uint64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
        seen += m_buckets[static_cast<std::size_t>(b)];
        if (seen >= rank) {
            return middleOf(b);
        }
    }
    return middleOf(kBuckets - 1);
}

}  // namespace corvane
