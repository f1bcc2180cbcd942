#include "receiver/latency_stats.h"

#include <algorithm>
#include <cmath>

namespace corvane::sim {

void LatencyStats::merge(const LatencyStats& other) {
    m_samples.insert(m_samples.end(), other.m_samples.begin(), other.m_samples.end());
}

std::uint64_t LatencyStats::percentile(double p) const {
    if (m_samples.empty()) {
        return 0;
    }
    const auto n = static_cast<double>(m_samples.size());
    auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * n));
    rank = std::clamp<std::size_t>(rank, 1, m_samples.size());
    std::vector<std::uint64_t> sorted = m_samples;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank - 1),
                     sorted.end());
    return sorted[rank - 1];
}

}  // namespace corvane::sim
