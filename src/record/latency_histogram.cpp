#include "record/latency_histogram.h"

#include <bit>

namespace corvane {

int LatencyHistogram::bucketOf(std::int64_t us) {
    if (us < 16) {
        return us < 0 ? 0 : static_cast<int>(us);
    }
    const auto value = static_cast<std::uint64_t>(us);
    const int exponent = 63 - std::countl_zero(value);  // >= 4
    const int mantissa = static_cast<int>((value >> (exponent - 3)) & 7U);
    const int bucket = 16 + (exponent - 4) * 8 + mantissa;
    return bucket < kBuckets ? bucket : kBuckets - 1;
}

std::int64_t LatencyHistogram::lowerBound(int bucket) {
    if (bucket < 16) {
        return bucket;
    }
    const int exponent = (bucket - 16) / 8 + 4;
    const int mantissa = (bucket - 16) % 8;
    return (std::int64_t{8} + mantissa) << (exponent - 3);
}

void LatencyHistogram::add(std::int64_t us) {
    ++m_buckets[static_cast<std::size_t>(bucketOf(us))];
    ++m_count;
}

std::int64_t LatencyHistogram::percentile(double fraction) const {
    if (m_count == 0) {
        return -1;
    }
    const auto wanted = static_cast<std::uint64_t>(fraction * static_cast<double>(m_count - 1));
    std::uint64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
        seen += m_buckets[static_cast<std::size_t>(b)];
        if (seen > wanted) {
            return lowerBound(b);
        }
    }
    return lowerBound(kBuckets - 1);
}

}  // namespace corvane
