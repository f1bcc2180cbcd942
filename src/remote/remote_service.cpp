#include "remote/remote_service.h"

#include <chrono>

#include "remote/bearer_token.h"
#include "remote/station_metrics.h"

namespace corvane::remote {

namespace {

double unixSecondsNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::string refusalOf(const RemoteOptions& options) {
    if (options.control && !options.control->loopback() && options.tokenFile.empty()) {
        return "--control on " + options.control->host +
               " (not loopback) needs --control-token-file FILE";
    }
    return {};
}

RemoteService::RemoteService(Station& station, const LinkWatch& watch, ControlHooks hooks)
    : m_control(station, watch, std::move(hooks)) {
    m_collectables.push_back(std::make_shared<StationMetrics>(station, watch, unixSecondsNow()));
}

RemoteService::~RemoteService() {
    stop();
}

std::string RemoteService::metricsText() const {
    return remote::metricsText(m_collectables);
}

Result<void> RemoteService::start(const RemoteOptions& options) {
    stop();
    if (const std::string why = refusalOf(options); !why.empty()) {
        return fail("", "", why);
    }
    std::string token;
    if (!options.tokenFile.empty()) {
        Result<std::string> read = readTokenFile(options.tokenFile);
        if (!read) {
            return Unexpected<Failure>(read.error());
        }
        token = std::move(*read);
    }
    const auto metricsText = [this] { return this->metricsText(); };
    const bool shared = options.metrics && options.control && *options.metrics == *options.control;
    const auto serve = [this](ServerRole role, const Endpoint& endpoint) -> Result<int> {
        auto server = std::make_unique<HttpServer>(std::move(role));
        if (Result<void> started = server->start(endpoint); !started) {
            return Unexpected<Failure>(started.error());
        }
        const int port = server->port();
        m_servers.push_back(std::move(server));
        return port;
    };
    if (options.control) {
        ServerRole role{shared ? std::function<std::string()>(metricsText) : nullptr, &m_control,
                        token, &m_events, options.eventsKeepalive};
        const Result<int> port = serve(std::move(role), *options.control);
        if (!port) {
            stop();
            return Unexpected<Failure>(port.error());
        }
        m_controlPort = *port;
        m_metricsPort = shared ? *port : 0;
    }
    if (options.metrics && !shared) {
        const Result<int> port = serve(ServerRole{metricsText, nullptr, {}}, *options.metrics);
        if (!port) {
            stop();
            return Unexpected<Failure>(port.error());
        }
        m_metricsPort = *port;
    }
    return {};
}

void RemoteService::stop() {
    // The control server ends its event streams as it stops.
    for (auto& server : m_servers) {
        server->stop();
    }
    m_servers.clear();
    m_metricsPort = 0;
    m_controlPort = 0;
}

}  // namespace corvane::remote
