// Answer latencies of a run, in microseconds, with the median and the 99th percentile.
#pragma once

#include <cstdint>
#include <vector>

namespace corvane::sim {

class LatencyStats {
  public:
    void add(std::uint64_t micros) { m_samples.push_back(micros); }
    void merge(const LatencyStats& other);
    std::size_t count() const { return m_samples.size(); }
    // Nearest-rank percentile (0 < p <= 100); 0 when there are no samples.
    std::uint64_t percentile(double p) const;
    std::uint64_t median() const { return percentile(50.0); }
    std::uint64_t p99() const { return percentile(99.0); }

  private:
    std::vector<std::uint64_t> m_samples;
};

}  // namespace corvane::sim
