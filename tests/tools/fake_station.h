// A tiny stand-in for the station, for the simulator's loopback tests: it accepts connections on
// 127.0.0.1 (port 0) or adopts connected sockets, cuts each stream into messages by the protocol's
// framing and answers every message with what `answer` returns for it (nullopt closes that
// connection). One thread with bounded polls; the destructor stops and joins it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "receiver/message_kinds.h"
#include "receiver/sim_socket.h"

namespace corvane::sim::test {

class FakeStation {
  public:
    // `message` is one complete message with its framing; `number` counts from 1 per connection.
    using Answer =
        std::function<std::optional<std::string>(const std::string& message, int number)>;

    FakeStation(Protocol protocol, Answer answer, bool listen = true);
    ~FakeStation();
    FakeStation(const FakeStation&) = delete;
    FakeStation& operator=(const FakeStation&) = delete;

    std::uint16_t port() const { return m_port; }
    // Takes over an already connected socket (the station as a TCP client).
    void adopt(Fd fd);
    int messagesSeen() const { return m_seen.load(); }

    // The ACK frame a correct station sends for a DC-09 message.
    static std::string ackFor(const std::string& frame);

  private:
    struct Connection {
        Fd fd;
        std::string pending;
        int count = 0;
    };
    void loop();
    bool serve(Connection& connection);

    Protocol m_protocol;
    Answer m_answer;
    Fd m_listener;
    std::uint16_t m_port = 0;
    std::mutex m_adoptMutex;  // guards m_adopted
    std::vector<Fd> m_adopted;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_seen{0};
    std::thread m_thread;
};

}  // namespace corvane::sim::test
