// One HTTP server (cpp-httplib) on its own threads: /metrics, the control API under /v1, or both
// when the two options name one port. It checks what every request must pass before a handler
// sees it: the bearer token, the body's size, the method. It streams GET /v1/events itself: each
// stream holds a thread of its own, beside the threads that answer the other requests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/result.h"
#include "remote/control_api.h"
#include "remote/endpoint.h"
#include "remote/event_feed.h"

namespace httplib {
class Server;
struct Response;
}  // namespace httplib

namespace corvane::remote {

struct ServerRole {
    std::function<std::string()> metrics;  // set: serves GET /metrics with this text
    ControlApi* control = nullptr;         // set: serves /v1
    std::string token;                     // not empty: every request needs "Bearer TOKEN"
    EventFeed* events = nullptr;           // set (with control): serves GET /v1/events
    // How long a quiet event stream waits before a ": keepalive" comment, which also tells a
    // client that went away from one that listens.
    std::chrono::milliseconds keepalive{3000};
};

class HttpServer {
  public:
    static constexpr std::size_t kMaxBodyBytes = 64 * 1024;
    static constexpr std::size_t kThreads = 4;
    // Event streams at once; one more is refused with 503. Each has a thread on top of kThreads.
    static constexpr std::size_t kMaxStreams = 8;

    explicit HttpServer(ServerRole role);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds `endpoint` (port 0: a free one) and starts serving; a failure says why ("listen on
    // 127.0.0.1:9100: Address already in use").
    Result<void> start(const Endpoint& endpoint);
    // The port it listens on, once started.
    int port() const { return m_port; }
    // Ends the event streams (each sends what waits first), stops serving and joins its threads
    // (requests being answered finish first).
    void stop();

  private:
    void streamEvents(const std::string& method, httplib::Response& res);
    bool takeStream();
    void releaseStream();

    ServerRole m_role;
    std::mutex m_streamMutex;
    std::condition_variable m_streamEnded;
    std::size_t m_streams = 0;  // guarded by m_streamMutex
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_listener;
    int m_port = 0;
};

}  // namespace corvane::remote
