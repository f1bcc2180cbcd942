// The metrics and control service a front end starts beside the link: /metrics for Prometheus and
// the control API, each on its own port or both on one. corvane-station starts it from
// --metrics/--control, the window from its "Remote control..." window; both hand it the link's
// reports (through a LinkWatch) and say what a stop and a change mean to them.
#pragma once

#include <prometheus/collectable.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"
#include "remote/control_api.h"
#include "remote/endpoint.h"
#include "remote/event_feed.h"
#include "remote/http_server.h"
#include "remote/link_watch.h"
#include "station/station.h"

namespace corvane::remote {

struct RemoteOptions {
    std::optional<Endpoint> metrics;
    std::optional<Endpoint> control;
    std::string tokenFile;  // required for control on an address other than loopback
    // A quiet event stream's keepalive comment comes this often.
    std::chrono::milliseconds eventsKeepalive{3000};

    bool any() const { return metrics || control; }
};

// Why these options cannot be served (control off loopback without a token file); empty when
// they can.
std::string refusalOf(const RemoteOptions& options);

class RemoteService {
  public:
    // `watch` hears the link's reports from the front end's window and outlives the service.
    RemoteService(Station& station, const LinkWatch& watch, ControlHooks hooks);
    ~RemoteService();
    RemoteService(const RemoteService&) = delete;
    RemoteService& operator=(const RemoteService&) = delete;

    // Reads the token file and starts listening; on a failure nothing listens.
    Result<void> start(const RemoteOptions& options);
    void stop();
    bool running() const { return !m_servers.empty(); }

    // The ports listened on (0: not served), known once started.
    int metricsPort() const { return m_metricsPort; }
    int controlPort() const { return m_controlPort; }

    // Where the front end's event lines go, for clients that listen (any thread).
    EventFeed& events() { return m_events; }

    // The /metrics text now.
    std::string metricsText() const;

  private:
    EventFeed m_events;
    ControlApi m_control;
    std::vector<std::shared_ptr<prometheus::Collectable>> m_collectables;
    std::vector<std::unique_ptr<HttpServer>> m_servers;
    int m_metricsPort = 0;
    int m_controlPort = 0;
};

}  // namespace corvane::remote
