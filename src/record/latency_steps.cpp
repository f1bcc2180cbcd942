#include "record/latency_steps.h"

#include <algorithm>

namespace corvane {

void LatencySteps::add(std::int64_t us) {
    const auto step = std::lower_bound(kBoundsUs.begin(), kBoundsUs.end(), us) - kBoundsUs.begin();
    ++m_within[static_cast<std::size_t>(step)];
    ++m_count;
}

std::array<std::uint64_t, LatencySteps::kBoundsUs.size()> LatencySteps::atMost() const {
    std::array<std::uint64_t, kBoundsUs.size()> out{};
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        sum += m_within[i];
        out[i] = sum;
    }
    return out;
}

}  // namespace corvane
