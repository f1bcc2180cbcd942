#include "remote/http_server.h"

#include <httplib.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "remote/bearer_token.h"

namespace corvane::remote {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kPendingConnections = 64;
// How long stop() lets the event streams send what waits for them.
constexpr auto kStreamsEnding = 2s;
constexpr std::string_view kKeepalive = ": keepalive\n\n";

// A fixed set of threads over a bounded queue of accepted connections: when every thread is busy
// and the queue is full, the accepting thread waits and new clients wait in the listen backlog.
// Nothing grows without bound however many clients poll at once.
class BoundedPool final : public httplib::TaskQueue {
  public:
    explicit BoundedPool(std::size_t threads) {
        for (std::size_t i = 0; i < threads; ++i) {
            m_threads.emplace_back([this] { work(); });
        }
    }
    ~BoundedPool() override { shutdown(); }

    void enqueue(std::function<void()> fn) override {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_done || m_jobs.size() < kPendingConnections; });
        m_jobs.push_back(std::move(fn));
        m_ready.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard lock(m_mutex);
            if (m_done) {
                return;
            }
            m_done = true;
        }
        m_ready.notify_all();
        m_room.notify_all();
        for (std::thread& thread : m_threads) {
            thread.join();
        }
    }

  private:
    void work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return m_done || !m_jobs.empty(); });
                if (m_jobs.empty()) {
                    return;  // done, and every accepted connection was served
                }
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
                m_room.notify_one();
            }
            job();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::deque<std::function<void()>> m_jobs;
    bool m_done = false;
    std::vector<std::thread> m_threads;
};

void answer(httplib::Response& res, const ApiResponse& api) {
    res.status = api.status;
    if (!api.allow.empty()) {
        res.set_header("Allow", api.allow);
    }
    res.set_content(api.body, api.contentType.c_str());
}

}  // namespace

HttpServer::HttpServer(ServerRole role)
    : m_role(std::move(role)), m_server(std::make_unique<httplib::Server>()) {
    httplib::Server& server = *m_server;
    // A thread for each event stream there may be, so streams never hold up the other requests.
    const std::size_t threads = kThreads + (m_role.events != nullptr ? kMaxStreams : 0);
    server.new_task_queue = [threads] { return new BoundedPool(threads); };
    server.set_payload_max_length(kMaxBodyBytes);
    // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, which would let a second
    // station share a port that is already taken instead of failing to start.
    server.set_socket_options([](int sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // A client that stalls mid-request or keeps its connection idle lets its thread go soon.
    server.set_read_timeout(5s);
    server.set_write_timeout(5s);
    // Few requests per kept connection: a client that polls without pause hands its thread on
    // soon, so a PUT or a scrape waits behind a handful of requests, not behind a poller.
    server.set_keep_alive_timeout(1);
    server.set_keep_alive_max_count(5);

    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!m_role.token.empty() &&
            !bearerMatches(req.get_header_value("Authorization"), m_role.token)) {
            res.set_header("WWW-Authenticate", "Bearer");
            answer(res, errorResponse(401, "a valid \"Authorization: Bearer TOKEN\" is needed"));
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto route = [this](const httplib::Request& req, httplib::Response& res) {
        if (m_role.metrics && req.path == "/metrics") {
            if (req.method != "GET" && req.method != "HEAD") {
                ApiResponse refused = errorResponse(405, "/metrics takes GET");
                refused.allow = "GET";
                answer(res, refused);
                return;
            }
            res.set_content(m_role.metrics(), "text/plain; version=0.0.4; charset=utf-8");
            return;
        }
        if (m_role.control != nullptr && m_role.events != nullptr && req.path == "/v1/events") {
            streamEvents(req.method, res);
            return;
        }
        if (m_role.control != nullptr && req.path.rfind("/v1/", 0) == 0) {
            ApiRequest request{req.method, req.path, {}, req.body};
            for (const auto& [key, value] : req.params) {
                request.query.emplace(key, value);
            }
            answer(res, m_role.control->handle(request));
            return;
        }
        answer(res, errorResponse(404, "no such endpoint: " + req.path));
    };
    server.Get(".*", route);
    server.Put(".*", route);
    server.Post(".*", route);
    server.Delete(".*", route);
    server.Patch(".*", route);
    server.Options(".*", route);
    // Too large a body (413) and the like come here with their status and no body yet.
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty()) {
            const char* why = res.status == 413   ? "the body is larger than 64 KiB"
                              : res.status == 400 ? "the request could not be read (a POST or PUT "
                                                    "needs a body, or Content-Length: 0)"
                                                  : "the request was refused";
            answer(res, errorResponse(res.status, why));
        }
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            answer(res, errorResponse(500, "the request failed inside the station"));
        });
}

HttpServer::~HttpServer() {
    stop();
}

Result<void> HttpServer::start(const Endpoint& endpoint) {
    errno = 0;
    int port = endpoint.port;
    if (port == 0) {
        port = m_server->bind_to_any_port(endpoint.host);
    } else if (!m_server->bind_to_port(endpoint.host, port)) {
        port = -1;
    }
    if (port <= 0) {
        const int error = errno;
        return fail("listen on", endpoint.text(),
                    error != 0 ? std::strerror(error) : "the address cannot be bound");
    }
    m_port = port;
    m_listener = std::thread([this] { m_server->listen_after_bind(); });
    // stop() only reaches a server that runs: wait (briefly) until it does.
    for (int i = 0; i < 2000 && !m_server->is_running(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    return {};
}

bool HttpServer::takeStream() {
    std::lock_guard lock(m_streamMutex);
    if (m_streams >= kMaxStreams) {
        return false;
    }
    ++m_streams;
    return true;
}

void HttpServer::releaseStream() {
    {
        std::lock_guard lock(m_streamMutex);
        --m_streams;
    }
    m_streamEnded.notify_all();
}

void HttpServer::streamEvents(const std::string& method, httplib::Response& res) {
    if (method != "GET") {
        ApiResponse refused = errorResponse(405, "/v1/events takes GET");
        refused.allow = "GET";
        answer(res, refused);
        return;
    }
    if (!takeStream()) {
        answer(res, errorResponse(
                        503, "at most " + std::to_string(kMaxStreams) + " event streams at once"));
        return;
    }
    std::shared_ptr<EventFeed::Subscription> subscription = m_role.events->subscribe();
    if (!subscription) {
        releaseStream();
        answer(res, errorResponse(503, "too many event listeners"));
        return;
    }
    res.set_header("Cache-Control", "no-cache");
    // Called again and again on this request's thread until it returns false (the client went
    // away: a write failed) or the sink is done (the feed dropped or ended the subscription).
    const auto provide = [this, subscription](std::size_t, httplib::DataSink& sink) {
        std::optional<std::string> frame = subscription->next(m_role.keepalive);
        if (!frame && !subscription->closed()) {
            return sink.write(kKeepalive.data(), kKeepalive.size());
        }
        for (; frame; frame = subscription->next(0ms)) {
            if (!sink.write(frame->data(), frame->size())) {
                return false;
            }
        }
        if (subscription->closed()) {
            sink.done();
        }
        return true;
    };
    // However the stream ended, even before its first byte: the subscriber and the slot go.
    const auto release = [this, subscription](bool) {
        m_role.events->unsubscribe(subscription);
        releaseStream();
    };
    res.set_chunked_content_provider("text/event-stream", provide, release);
}

void HttpServer::stop() {
    if (m_listener.joinable()) {
        if (m_role.events != nullptr) {
            m_role.events->closeAll();
            std::unique_lock lock(m_streamMutex);
            m_streamEnded.wait_for(lock, kStreamsEnding, [this] { return m_streams == 0; });
        }
        m_server->stop();
        m_listener.join();
    }
}

}  // namespace corvane::remote
