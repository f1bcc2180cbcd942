// Test helpers for the server link: a station core serving on an ephemeral port with its server
// threads started and stopped the way connection control does it (no msgPro worker: what the
// sessions queue stays for the test to read), and a receiver that connects to it. Every wait is
// bounded.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/station_core.h"
#include "platform/vexo.h"
#include "support/recording_window.h"

namespace corvane::test {

using namespace std::chrono_literals;

// What the server tests send: a Contact ID line (MLR2) and a plain SIA-DCS frame.
inline const std::string kCid = "5011 18112345E13001003\x14";
inline const std::string kSiaEvent = "\n0000002E\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";

// Polls `condition` until it holds or `timeout` passes, for state that announces no event.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

// A port nobody listens on right now (bound to port 0, then released).
int freePort();

// Open descriptors of this process, to see sockets leak.
int openDescriptorCount();
// The same, once the diagnostic log has opened its file (which the server's first entry does).
int descriptorBaseline();

class ServerHarness {
  public:
    explicit ServerHarness(std::string protocol = "Sur-Gard");
    ~ServerHarness();
    ServerHarness(const ServerHarness&) = delete;
    ServerHarness& operator=(const ServerHarness&) = delete;

    // Starts the server on a free port (another on a rare collision) and its select thread.
    bool start();
    // Starts on a given port.
    bool startOn(int port);
    // Joins the select and the Accept thread, then closes the receivers and the listening socket.
    void stop();

    StationCore& core() { return m_core; }
    Station& station() { return m_core.station(); }
    RecordingWindow& window() { return m_window; }
    int port() const { return m_core.station().m_port; }

    // The raw bytes of every message queued so far, in order.
    std::vector<std::string> queued();
    // Everything queued so far (messages and events), in order.
    std::vector<ReceivedMessage> items();
    // The Replies of the messages queued so far, in order.
    std::vector<Reply> replies();
    bool waitForQueued(std::size_t count, std::chrono::milliseconds timeout = 10s);
    bool waitForPeers(std::uint32_t count, std::chrono::milliseconds timeout = 10s);
    // Occurrences of `text` in the activity log.
    int logCount(std::string_view text);

  private:
    RecordingWindow m_window;
    StationCore m_core{&m_window};
    std::vector<ReceivedMessage> m_taken;  // taken from the queue so far
};

// A receiver connected to the server on 127.0.0.1.
class TestReceiver {
  public:
    // `receiveBuffer` > 0 shrinks the receive buffer before connecting.
    explicit TestReceiver(int port, int receiveBuffer = 0);
    ~TestReceiver();
    TestReceiver(const TestReceiver&) = delete;
    TestReceiver& operator=(const TestReceiver&) = delete;

    bool connected() const { return m_socket != Vexo_InvalidSocket; }
    bool send(std::string_view bytes, int timeoutMs = 10000);
    // Reads until `count` bytes have come or the time is up; returns what came.
    std::string receive(std::size_t count, std::chrono::milliseconds timeout = 10s);
    // True once the server has closed the connection (unread answers are discarded).
    bool waitForClose(std::chrono::milliseconds timeout = 10s);
    // Closes in order, or with a reset (RST) when `reset` is set.
    void close(bool reset = false);

  private:
    Vexo_Socket m_socket = Vexo_InvalidSocket;
};

}  // namespace corvane::test
