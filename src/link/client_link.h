// The client link: connects to the receiver's automation port and, on the msg thread, answers and
// queues every message the receiver sends, framed by the Sur-Gard terminator 0x14 whatever the
// protocol. Its one session's answers that must wait are kept by the session; the thread waits in
// poll() for the sooner of new data and the due answer, so a stop (which shuts the socket down)
// ends any wait at once.
#pragma once

#include <atomic>
#include <boost/asio/io_service.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <functional>
#include <string>

#include "link/connect_attempt.h"
#include "link/session.h"
#include "platform/result.h"
#include "platform/vexo.h"
#include "station/window.h"

namespace corvane {

class ClientLink {
  public:
    enum class Ended : int { No = 0, Lost = 1, ClosedByScript = 2 };

    ClientLink(const SessionContext& context, WindowSlot& window);
    ~ClientLink();
    ClientLink(const ClientLink&) = delete;
    ClientLink& operator=(const ClientLink&) = delete;

    // Starts connecting to the receiver host and port of the settings, on a thread of its own (UI
    // thread): a host name is looked up first. `ended` (may be empty) is called on that thread
    // once the attempt is over; it must not wait for anyone. It first ends what is left of an
    // earlier link.
    Result<void> beginConnect(std::function<void()> ended);
    // An attempt begun and not yet finished, and whether it is over.
    bool connecting() const { return m_attempt.started(); }
    bool connectEnded() const { return m_attempt.ended(); }
    // Takes the attempt's outcome, waiting for it if need be: the connection, ready for the msg
    // thread, or the failure naming the address and the reason ("Connection refused").
    Result<void> finishConnect();
    // Both: connects and waits for it.
    Result<void> connect();
    // The msg thread's loop: receives, answers and queues until the connection fails or is shut.
    void MessageProc();
    // Starts the msg thread (after a good connect), joining the previous one first.
    Result<void> startThread();
    // Ends the msg thread: shuts the connection down through the copied descriptor (a syscall,
    // not a call on the socket object the thread is using), which fails its blocked read, then
    // joins it. Then closes the socket. A connect attempt under way is cancelled.
    void stop();

    // 1 once the msg thread ended on a loss, 2 on an answer script's CLOSE; read and cleared by
    // the UI thread, cleared at each start.
    Ended takeEnded() { return static_cast<Ended>(m_clientLinkEnded.exchange(0)); }
    // How the msg thread's connection ended, once takeEnded() has said it did.
    LinkLoss loss() const { return m_loss.load(); }
    // The connection's descriptor while connected, -1 otherwise.
    int descriptor() const { return m_socketFd.load(); }
    bool threadRunning() const { return m_msgThread != nullptr; }

    boost::asio::io_service m_ioService;  // owner of m_socket; never run
    boost::asio::ip::tcp::socket m_socket{m_ioService};
    Vexo_Thread m_msgThread = nullptr;  // UI thread

  private:
    void closeSocket();

    SessionContext m_context;
    WindowSlot& m_window;
    ConnectAttempt m_attempt;
    std::string m_target;  // "HOST:PORT" of the attempt under way
    // Native descriptor of m_socket while connected, so a stop can shut the connection down.
    std::atomic<int> m_socketFd{-1};
    std::atomic<int> m_clientLinkEnded{0};
    std::atomic<LinkLoss> m_loss{LinkLoss::None};  // written before m_clientLinkEnded
    std::atomic<bool> m_stopping{false};
};

// The msg thread's entry: the client link pointer; returns 0 at once for null.
std::intptr_t msgThreadEntry(void* link);

}  // namespace corvane
