#include "links_floor.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "receiver/latency_stats.h"
#include "receiver/receiver_run.h"
#include "receiver/sim_socket.h"

namespace corvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

void receiveTimeout(int fd, int seconds) {
    timeval tv{seconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

// Receives exactly `size` bytes on a blocking socket; false on close, failure or time-out.
bool receiveExactly(int fd, char* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// The floor's peer: answers each 23-byte message with one byte, on blocking sockets.
class BarePeer {
  public:
    BarePeer() {
        std::string error;
        m_listener = sim::listenTcp("127.0.0.1", 0, error);
        m_port = sim::localPort(m_listener.get());
        m_thread = std::thread([this] { serve(); });
    }
    ~BarePeer() { m_thread.join(); }  // ends when the client closes (or after 5 s of silence)
    BarePeer(const BarePeer&) = delete;
    BarePeer& operator=(const BarePeer&) = delete;
    std::uint16_t port() const { return m_port; }

  private:
    void serve() {
        std::string error;
        sim::Fd fd = sim::acceptTcp(m_listener.get(), 5000, error);
        if (!fd.valid()) {
            return;
        }
        receiveTimeout(fd.get(), 5);
        char message[23];
        while (receiveExactly(fd.get(), message, sizeof message)) {
            if (::send(fd.get(), "\x06", 1, MSG_NOSIGNAL) != 1) {
                return;
            }
        }
    }

    sim::Fd m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

// The many-receiver floor's peer: accepts `connections` receivers and serves them all on one
// thread with poll(), answering each 0x14-terminated message with one byte.
class BareManyPeer {
  public:
    explicit BareManyPeer(int connections) : m_connections(connections) {
        std::string error;
        m_listener = sim::listenTcp("127.0.0.1", 0, error);
        m_port = sim::localPort(m_listener.get());
        m_thread = std::thread([this] { serve(); });
    }
    ~BareManyPeer() { m_thread.join(); }  // ends when every receiver has closed (or is silent)
    BareManyPeer(const BareManyPeer&) = delete;
    BareManyPeer& operator=(const BareManyPeer&) = delete;
    std::uint16_t port() const { return m_port; }

  private:
    void serve() {
        std::vector<sim::Fd> peers;
        std::vector<pollfd> watched;
        std::string error;
        while (static_cast<int>(peers.size()) < m_connections) {
            sim::Fd fd = sim::acceptTcp(m_listener.get(), 5000, error);
            if (!fd.valid()) {
                return;
            }
            watched.push_back({fd.get(), POLLIN, 0});
            peers.push_back(std::move(fd));
        }
        char buffer[4096];
        std::size_t open = watched.size();
        while (open > 0 && ::poll(watched.data(), watched.size(), 5000) > 0) {
            for (pollfd& p : watched) {
                if (p.fd < 0 || p.revents == 0) {
                    continue;
                }
                const ssize_t n = ::recv(p.fd, buffer, sizeof buffer, MSG_DONTWAIT);
                if (n <= 0) {
                    p.fd = -1;  // closed: poll passes it over from now on
                    --open;
                    continue;
                }
                const std::string answers(
                    static_cast<std::size_t>(std::count(buffer, buffer + n, '\x14')), '\x06');
                if (!answers.empty() &&
                    ::send(p.fd, answers.data(), answers.size(), MSG_NOSIGNAL) < 0) {
                    p.fd = -1;
                    --open;
                }
            }
        }
    }

    const int m_connections;
    sim::Fd m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

}  // namespace

Floor measureManyFloor(int connections, std::uint64_t perReceiver, Row& row) {
    BareManyPeer peer(connections);
    sim::RunOptions o;
    o.port = peer.port();
    o.count = perReceiver;
    o.connections = connections;
    o.kinds = {sim::Kind::Cid};
    const sim::RunResult r = sim::runReceiver(o);
    row.name = "floor: " + std::to_string(connections) + " bare ping-pongs, one thread";
    row.messages = r.expected;
    row.rate = r.messagesPerSecond();
    row.median = r.total.latency.median();
    row.p99 = r.total.latency.p99();
    row.failed = !r.allGood();
    row.check = row.failed ? "FAIL " + r.error : "OK";
    return measuredBy(row);
}

Floor measureFloor(std::uint64_t messages, Row& row) {
    BarePeer peer;
    std::string error;
    sim::Fd fd = sim::connectTcp("127.0.0.1", peer.port(), 5000, error);
    sim::LatencyStats latency;
    std::uint64_t answered = 0;
    const auto start = Clock::now();
    if (fd.valid()) {
        receiveTimeout(fd.get(), 5);
        const std::string message = "501001 181234113001015\x14";
        for (std::uint64_t i = 0; i < messages; ++i) {
            const auto sent = Clock::now();
            char answer = 0;
            if (::send(fd.get(), message.data(), message.size(), MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(message.size()) ||
                !receiveExactly(fd.get(), &answer, 1)) {
                break;
            }
            latency.add(static_cast<std::uint64_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent)
                    .count()));
            ++answered;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    fd.reset();

    Floor floor;
    floor.rate = seconds > 0 ? static_cast<double>(answered) / seconds : 0;
    floor.median = latency.median();
    floor.p99 = latency.p99();
    row.name = "floor: bare loopback ping-pong";
    row.messages = messages;
    row.rate = floor.rate;
    row.median = floor.median;
    row.p99 = floor.p99;
    row.failed = answered != messages;
    row.check = row.failed ? "FAIL " + error : "OK";
    return floor;
}

Row measureSimulatorFloor(std::uint64_t messages) {
    BarePeer peer;
    sim::RunOptions o;
    o.port = peer.port();
    o.count = messages;
    o.kinds = {sim::Kind::Cid};
    const sim::RunResult r = sim::runReceiver(o);
    Row row;
    row.name = "floor: simulator vs bare peer";
    row.messages = r.expected;
    row.rate = r.messagesPerSecond();
    row.median = r.total.latency.median();
    row.p99 = r.total.latency.p99();
    row.versus = Row::Versus::OneFloor;
    row.failed = !r.allGood();
    row.check = row.failed ? "FAIL " + r.error : "OK";
    return row;
}

}  // namespace corvane::bench
