// One attempt to connect to the receiver, on a thread of its own: the host is looked up (unless
// it is an address), then each of its addresses is tried in turn, each phase within its time-out.
// The thread that started it never waits for the network; a cancel ends it at once.
#pragma once

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/system/error_code.hpp>
#include <chrono>
#include <functional>
#include <string>

#include "platform/vexo.h"

namespace corvane {

class ConnectAttempt {
  public:
    struct Target {
        std::string host;  // an IPv4 or IPv6 address, or a host name
        unsigned short port = 0;
        std::chrono::milliseconds lookUpTimeout{0};
        std::chrono::milliseconds connectTimeout{0};  // for all of the host's addresses together
    };
    struct Outcome {
        int fd = -1;  // the connected socket, blocking; -1 on failure
        boost::asio::ip::tcp protocol = boost::asio::ip::tcp::v4();
        boost::system::error_code error;  // why it failed
    };

    ConnectAttempt();
    ~ConnectAttempt();  // abandons an attempt under way
    ConnectAttempt(const ConnectAttempt&) = delete;
    ConnectAttempt& operator=(const ConnectAttempt&) = delete;

    // Starts the attempt; `ended` (may be empty) is called on the attempt's thread once it is over
    // and must not wait for anyone. False when no thread could be made.
    bool start(Target target, std::function<void()> ended);
    // Started and not yet taken.
    bool started() const { return m_thread != nullptr; }
    // Its thread has finished: take() will not wait.
    bool ended() const { return m_ended.load(); }
    // Waits for the attempt to end and gives its outcome; the next start may follow.
    Outcome take();
    // Ends the attempt at once: its outcome says operation_aborted, unless it had already ended.
    void cancel();
    // Cancels an attempt under way, waits for its thread and closes what it may have connected.
    void abandon();

  private:
    // The attempt itself, on the calling thread.
    static Outcome run(const Target& target, int cancelFd);
    static std::intptr_t threadEntry(void* attempt);

    int m_cancelFd = -1;  // an eventfd: readable once cancelled
    Vexo_Thread m_thread = nullptr;
    Target m_target;
    std::function<void()> m_whenEnded;
    Outcome m_outcome;  // written by the attempt's thread before m_ended is set
    std::atomic<bool> m_ended{false};
};

}  // namespace corvane
