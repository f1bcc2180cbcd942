// A tiny alarm receiver for link tests: listens on 127.0.0.1 (ephemeral port), accepts the
// station's connection, sends bytes and reads the answers. Every wait is bounded.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace corvane::test {

using namespace std::chrono_literals;

class FakeReceiver {
  public:
    // Listening at once, or not at all (then the port is bound but refuses connections).
    explicit FakeReceiver(bool listening = true);
    ~FakeReceiver();
    FakeReceiver(const FakeReceiver&) = delete;
    FakeReceiver& operator=(const FakeReceiver&) = delete;

    int port() const { return m_port; }
    // True when a connection waits to be accepted, checked without waiting.
    bool connectionPending() const;
    // Accepts the next connection (closing the previous one). False on time-out.
    bool accept(std::chrono::milliseconds timeout = 10s);
    void send(std::string_view bytes);
    // Reads until `count` bytes have come or the time is up; returns what came.
    std::string receive(std::size_t count, std::chrono::milliseconds timeout = 10s);
    // Whatever has already arrived, without waiting for more.
    std::string receiveAvailable();
    // Waits until the station has closed or shut down its side (bytes before are discarded).
    bool waitForClose(std::chrono::milliseconds timeout = 10s);
    // Closes the accepted connection in order (the station's read sees end of file).
    void closeConnection();

  private:
    int m_listen = -1;
    int m_peer = -1;
    int m_port = 0;
};

}  // namespace corvane::test
