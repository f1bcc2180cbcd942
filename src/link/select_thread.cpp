// The select thread: waits until receivers have data (or an answer is due), reads only those,
// and hands each receiver's bytes to its session, which answers and queues every message in them.
// A receiver whose connection fails, whose stream overflows the framing limit, that does not take
// its answers, or whose answer script closes it, is dropped.
//
// Back-pressure: a receiver whose session does not want to be read (the queue to the worker is
// full, or too many of its answers wait) is left out of the wait; its bytes stay in TCP's buffers
// and its sender slows down. The loop keeps sending the answers that come due meanwhile, and a
// full queue's space signal ends the wait once the worker has caught up.
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <queue>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "link/peer_address.h"
#include "link/peer_set.h"
#include "link/server_link.h"
#include "platform/clock.h"

namespace corvane {

namespace {

// Short enough that a receiver accepted while select waits on the earlier set is read promptly
// (its first message must not wait for the previous set's time-out), and a stop is seen quickly.
constexpr std::int64_t kSelectLimitMicroseconds = 100'000;
// While no receiver is connected the thread sleeps on the set instead of spinning.
constexpr std::chrono::milliseconds kIdleWait{100};
// A failing select is retried after a pause, not in a tight loop.
constexpr int kSelectFailurePauseMs = 50;
constexpr std::size_t kReceiveBufferSize = 4096;

// A receiver's answers go out with the runtime's timed send.
class ServerWire final : public Wire {
  public:
    ServerWire(Vexo_Socket socket, std::chrono::milliseconds timeout)
        : m_socket(socket), m_timeoutMs(static_cast<int>(timeout.count())) {}
    Delivery::Reason send(std::string_view bytes) override {
        const int size = static_cast<int>(bytes.size());
        if (Vexo_Sendn(m_socket, bytes.data(), size, m_timeoutMs) == size) {
            return Delivery::Reason::None;
        }
        if (errno == ETIMEDOUT) {
            return Delivery::Reason::TimedOut;
        }
        return errno == EPIPE || errno == ECONNRESET ? Delivery::Reason::ConnectionLost
                                                     : Delivery::Reason::SendFailed;
    }

  private:
    Vexo_Socket m_socket;
    int m_timeoutMs;
};

class SelectLoop {
  public:
    SelectLoop(ServerLink& link, SessionContext context, std::chrono::milliseconds receiveTimeout,
               std::chrono::milliseconds sendTimeout)
        : m_link(link),
          m_context(context),
          m_receiveTimeoutMs(static_cast<int>(receiveTimeout.count())),
          m_sendTimeout(sendTimeout) {}

    ~SelectLoop() {
        // A stop: whatever still waits is not sent.
        for (auto& [socket, connection] : m_connections) {
            connection.session->end(Delivery::Reason::StationStopped, LinkLoss::Stopped);
        }
        m_context.scripts.forgetAll();
    }

    void run() {
        while (!m_link.m_selectStop) {
            sendDueAnswers();
            if (!g_peerSet.waitNonEmpty(kIdleWait)) {
                continue;
            }
            waitAndServe();
        }
        finishPauses();
    }

  private:
    // What this thread knows of one receiver connection.
    struct Connection {
        std::unique_ptr<ServerWire> wire;
        std::unique_ptr<Session> session;
        std::optional<std::int64_t> scheduledUs;  // the due time last put in the heap
    };
    // One entry of the due-time heap: the earliest due time of one connection's session.
    struct Due {
        std::int64_t dueUs;
        Vexo_Socket socket;
        std::uint64_t serial;
        bool operator>(const Due& other) const { return dueUs > other.dueUs; }
    };

    // Whether `socket` may be read now: its session (a new receiver has none yet) wants it.
    bool mayRead(Vexo_Socket socket) const {
        const auto found = m_connections.find(socket);
        return found == m_connections.end() ? !m_context.queue.full()
                                            : found->second.session->wantsToRead();
    }

    // One wait for the receivers that may be read (or for the earliest answer due), then reads
    // those that have data.
    void waitAndServe() {
        const Vexo_FdSet peers = g_peerSet.snapshot();
        Vexo_FdSet ready;
        bool heldBack = false;
        for (std::uint32_t i = 0; i < peers.fd_count; ++i) {
            if (mayRead(peers.fd_array[i])) {
                ready.fd_array[ready.fd_count++] = peers.fd_array[i];
            } else {
                heldBack = true;
            }
        }
        const Vexo_Socket wake = g_peerSet.wakeSocket();
        if (wake != Vexo_InvalidSocket && ready.fd_count < Vexo_SetSize) {
            ready.fd_array[ready.fd_count++] = wake;  // a new receiver ends the wait
        }
        // A full queue leaves every receiver out of the set: there is room for its signal.
        const Vexo_Socket space = m_context.queue.spaceSignal();
        if (heldBack && m_context.queue.full() && space >= 0 && ready.fd_count < Vexo_SetSize) {
            ready.fd_array[ready.fd_count++] = space;
        }
        // Waits no longer than the earliest answer due.
        const Vexo_TimeVal limit = selectLimit();
        const int count = Vexo_Select(0, &ready, nullptr, nullptr, &limit);
        if (count <= 0) {
            if (count < 0) {
                Vexo_Sleep(kSelectFailurePauseMs);
            }
            return;
        }
        // Only the receivers with data are read: an idle one holds up nobody. One that the
        // queue filled up against meanwhile waits for the next round (its session was asked
        // above, and only reading this socket changes what it answers).
        for (std::uint32_t i = 0; i < ready.fd_count && !m_link.m_selectStop; ++i) {
            const Vexo_Socket socket = ready.fd_array[i];
            if (socket == wake) {
                g_peerSet.clearWake();
            } else if (socket == space) {
                m_context.queue.clearSpaceSignal();
            } else if (!m_context.queue.full()) {
                serve(socket);
            }
        }
    }

    // The stop: answers held by a script are dropped; those waiting out the policy's pause
    // (SIA-DCS NACK All) leave when due, as the pause itself would have held the stop; then the
    // sessions end. Nothing is read meanwhile. The heap is built again from the live pauses
    // alone: its old entries (receivers dropped, answers just dropped) would hold the stop for
    // their own times.
    void finishPauses() {
        m_due = {};
        for (auto& [socket, connection] : m_connections) {
            connection.session->stopping(steadyMicrosecondsNow());
            connection.scheduledUs.reset();
            schedule(socket, connection);
        }
        while (!m_due.empty()) {
            const std::int64_t wait = m_due.top().dueUs - steadyMicrosecondsNow();
            if (wait > 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(wait));
            }
            sendDueAnswers(true);
        }
    }

    Vexo_TimeVal selectLimit() const {
        std::int64_t wait = kSelectLimitMicroseconds;
        if (!m_due.empty()) {
            wait = std::clamp<std::int64_t>(m_due.top().dueUs - steadyMicrosecondsNow(), 0, wait);
        }
        return Vexo_TimeVal{static_cast<long>(wait / 1'000'000),
                            static_cast<long>(wait % 1'000'000)};
    }

    // Puts the session's next due time in the heap unless it is there already.
    void schedule(Vexo_Socket socket, Connection& connection) {
        const std::optional<std::int64_t> due = connection.session->nextDueUs();
        if (due && due != connection.scheduledUs) {
            m_due.push({*due, socket, connection.session->serial()});
        }
        connection.scheduledUs = due;
    }

    // Sends what has come due; `stopping` goes on once the stop flag is set.
    void sendDueAnswers(bool stopping = false) {
        const std::int64_t now = steadyMicrosecondsNow();
        while (!m_due.empty() && m_due.top().dueUs <= now && (stopping || !m_link.m_selectStop)) {
            const Due due = m_due.top();
            m_due.pop();
            auto found = m_connections.find(due.socket);
            if (found == m_connections.end() || found->second.session->serial() != due.serial ||
                found->second.scheduledUs != due.dueUs) {
                continue;  // a receiver dropped since, or a time that changed
            }
            Connection& connection = found->second;
            connection.scheduledUs.reset();
            const Session::Outcome outcome = connection.session->sendDue(now);
            if (outcome == Session::Outcome::Open) {
                schedule(due.socket, connection);
            } else if (outcome == Session::Outcome::Close) {
                drop(due.socket, Delivery::Reason::ConnectionClosing, LinkLoss::ClosedByScript);
            } else {
                drop(due.socket, Delivery::Reason::ConnectionLost, LinkLoss::SendFailed);
            }
        }
    }

    // Reads what one receiver sent and hands it to its session.
    void serve(Vexo_Socket socket) {
        const int got = Vexo_RecvWithTimeOut(socket, m_buffer.data(),
                                             static_cast<int>(m_buffer.size()), m_receiveTimeoutMs);
        if (got < 0) {
            drop(socket, Delivery::Reason::ConnectionLost, lossOfReadError(errno));
            return;
        }
        if (got == 0) {
            return;  // nothing arrived after all: nothing to answer
        }
        const auto readUtcUs = utcMicrosecondsNow();
        const auto readSteadyUs = steadyMicrosecondsNow();
        Connection& connection = connectionFor(socket);
        const Session::Outcome outcome = connection.session->receive(
            std::string_view(m_buffer.data(), static_cast<std::size_t>(got)), readUtcUs,
            readSteadyUs);
        if (outcome == Session::Outcome::Open) {
            schedule(socket, connection);
        } else {
            drop(socket, Delivery::Reason::ConnectionLost,
                 outcome == Session::Outcome::Overflow ? LinkLoss::Overflow : LinkLoss::SendFailed);
        }
    }

    Connection& connectionFor(Vexo_Socket socket) {
        auto found = m_connections.find(socket);
        if (found == m_connections.end()) {
            Connection connection;
            connection.wire = std::make_unique<ServerWire>(socket, m_sendTimeout);
            connection.session = std::make_unique<Session>(
                m_context, peerAddressText(static_cast<int>(socket)), *connection.wire);
            m_link.watchConnection(socket, connection.session->serial());
            found = m_connections.emplace(socket, std::move(connection)).first;
        }
        return found->second;
    }

    void drop(Vexo_Socket socket, Delivery::Reason why, LinkLoss loss) {
        const auto known = m_connections.find(socket);
        m_link.isDisconnect(socket,
                            known != m_connections.end()
                                ? known->second.session->peer()
                                : peerAddressText(static_cast<int>(socket)),
                            loss);
        // Forget it as the latest peer before closing: the stop must not close the descriptor
        // number again once the Accept thread may have been given it for a new receiver.
        Vexo_Socket latest = socket;
        m_link.m_peerSocket.compare_exchange_strong(latest, Vexo_InvalidSocket);
        g_peerSet.remove(socket);
        // A new receiver given the same descriptor number starts with a fresh session.
        if (known != m_connections.end()) {
            known->second.session->end(why, loss);  // its waiting answers go with it
            m_connections.erase(known);
        }
        Vexo_CloseSocket(socket, 0);
    }

    ServerLink& m_link;
    const SessionContext m_context;  // the sessions' own, framed as the protocol is
    const int m_receiveTimeoutMs;
    const std::chrono::milliseconds m_sendTimeout;
    std::unordered_map<Vexo_Socket, Connection> m_connections;  // this thread only
    std::priority_queue<Due, std::vector<Due>, std::greater<>> m_due;
    std::array<char, kReceiveBufferSize> m_buffer{};
};

}  // namespace

void ServerLink::selectLoop() {
    SessionContext context = m_context;
    context.framing = FrameReader::framingFor(m_station.m_protocol);
    SelectLoop(*this, context, m_station.m_timeouts.receive, m_station.m_timeouts.send).run();
}

std::intptr_t selectThreadEntry(void* link) {
    if (link == nullptr) {
        return 0;
    }
    static_cast<ServerLink*>(link)->selectLoop();
    return 0;
}

}  // namespace corvane
