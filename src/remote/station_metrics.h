// The station's metrics for Prometheus, read at scrape time from what the station already keeps:
// the tally's snapshot (messages by kind, answers by word, latencies, connections, bytes), the
// records held, the link's flags and the link watch. Nothing here is fed by a receiving thread.
#pragma once

#include <prometheus/collectable.h>
#include <prometheus/metric_family.h>

#include <memory>
#include <string>
#include <vector>

#include "remote/link_watch.h"
#include "station/station.h"

namespace corvane::remote {

class StationMetrics final : public prometheus::Collectable {
  public:
    // `startUnixSeconds`: when the station started, for corvane_start_time_seconds.
    StationMetrics(const Station& station, const LinkWatch& watch, double startUnixSeconds)
        : m_station(station), m_watch(watch), m_startUnixSeconds(startUnixSeconds) {}

    std::vector<prometheus::MetricFamily> Collect() const override;

  private:
    const Station& m_station;
    const LinkWatch& m_watch;
    double m_startUnixSeconds;
};

// Every family the collectables give, in the Prometheus text format.
std::string metricsText(const std::vector<std::shared_ptr<prometheus::Collectable>>& sources);

}  // namespace corvane::remote
