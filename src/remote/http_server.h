// One HTTP server (cpp-httplib) on its own threads: /metrics, the control API under /v1, or both
// when the two options name one port. It checks what every request must pass before a handler
// sees it: the bearer token, the body's size, the method.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/result.h"
#include "remote/control_api.h"
#include "remote/endpoint.h"

namespace httplib {
class Server;
}

namespace corvane::remote {

struct ServerRole {
    std::function<std::string()> metrics;  // set: serves GET /metrics with this text
    ControlApi* control = nullptr;         // set: serves /v1
    std::string token;                     // not empty: every request needs "Bearer TOKEN"
};

class HttpServer {
  public:
    static constexpr std::size_t kMaxBodyBytes = 64 * 1024;
    static constexpr std::size_t kThreads = 4;

    explicit HttpServer(ServerRole role);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds `endpoint` (port 0: a free one) and starts serving; a failure says why ("listen on
    // 127.0.0.1:9100: Address already in use").
    Result<void> start(const Endpoint& endpoint);
    // The port it listens on, once started.
    int port() const { return m_port; }
    // Stops serving and joins its threads (requests being answered finish first).
    void stop();

  private:
    ServerRole m_role;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_listener;
    int m_port = 0;
};

}  // namespace corvane::remote
