#include "link/client_link.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <boost/asio/error.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/system_error.hpp>
#include <exception>
#include <optional>
#include <string>

#include "link/peer_address.h"
#include "platform/clock.h"
#include "platform/quillet.h"
#include "station/link_loss.h"

namespace corvane {

namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kFinalReadSize = 128;

// Waits until the socket has data (when it may be read), a full queue has room again (when it
// may not), or `dueUs` (steady clock) has come. A stop shuts the socket down, which ends the wait
// either way (a shut-down socket reports a hang-up even when no data is asked for). True when the
// socket should be read.
bool waitForDataOrDue(int fd, bool reading, const MessageQueue& queue,
                      std::optional<std::int64_t> dueUs) {
    constexpr int kNoSignalLookMs = 10;  // without a space signal, look at the queue this often
    int timeoutMs = -1;
    if (dueUs) {
        const std::int64_t left = *dueUs - steadyMicrosecondsNow();
        timeoutMs = left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
    }
    std::array<pollfd, 2> wanted{pollfd{fd, static_cast<short>(reading ? POLLIN : 0), 0},
                                 pollfd{queue.spaceSignal(), POLLIN, 0}};
    const bool forSpace = !reading && queue.full();
    if (forSpace && queue.spaceSignal() < 0) {
        timeoutMs = timeoutMs < 0 ? kNoSignalLookMs : std::min(timeoutMs, kNoSignalLookMs);
    }
    const nfds_t count = forSpace && queue.spaceSignal() >= 0 ? 2 : 1;
    if (::poll(wanted.data(), count, timeoutMs) <= 0) {
        return false;
    }
    if (count == 2 && wanted[1].revents != 0) {
        queue.clearSpaceSignal();
    }
    return (wanted[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

// How a failed read lost the link, named as the server's reads name it: the end of the stream is
// the receiver's orderly close, any other failure comes from the system with its errno.
LinkLoss lossOf(const boost::system::error_code& error) {
    return lossOfReadError(error == boost::asio::error::eof ? 0 : error.value());
}

// The connection's answers go out with a blocking write on the socket object.
class ClientWire final : public Wire {
  public:
    explicit ClientWire(boost::asio::ip::tcp::socket& socket) : m_socket(socket) {}
    Delivery::Reason send(std::string_view bytes) override {
        boost::system::error_code error;
        boost::asio::write(m_socket, boost::asio::buffer(bytes.data(), bytes.size()), error);
        if (!error) {
            return Delivery::Reason::None;
        }
        const bool lost = error == boost::asio::error::broken_pipe ||
                          error == boost::asio::error::connection_reset ||
                          error == boost::asio::error::eof;
        return lost ? Delivery::Reason::ConnectionLost : Delivery::Reason::SendFailed;
    }

  private:
    boost::asio::ip::tcp::socket& m_socket;
};

}  // namespace

ClientLink::ClientLink(const SessionContext& context, WindowSlot& window)
    : m_context(context), m_window(window) {
    m_context.framing = FrameReader::Framing::SurGard;
    m_context.stopping = &m_stopping;
}

ClientLink::~ClientLink() {
    stop();
}

Result<void> ClientLink::beginConnect(std::function<void()> ended) {
    // A msg thread left by a start that failed half-way may still read the old connection: end
    // it before the socket object changes hands.
    stop();
    const Settings& settings = m_context.settings;
    const auto port = static_cast<unsigned short>(settings.m_port & 0xFFFF);
    m_target = hostPortText(settings.m_receiverIp, port);
    const ConnectAttempt::Target target{settings.m_receiverIp, port, settings.m_timeouts.lookUp,
                                        settings.m_timeouts.connect};
    if (!m_attempt.start(target, std::move(ended))) {
        QUILLET(2, "CCorvaneDlg::connect", "create connect thread fail");
        return fail("connect to", m_target, "the system refused a new thread");
    }
    return {};
}

Result<void> ClientLink::finishConnect() {
    ConnectAttempt::Outcome outcome = m_attempt.take();
    boost::system::error_code& ec = outcome.error;
    if (!ec) {
        m_socket.assign(outcome.protocol, outcome.fd, ec);
        if (ec) {
            ::close(outcome.fd);
        }
    }
    if (ec) {
        QUILLET(2, "CCorvaneDlg::connect", "connect failed: %s", ec.message().c_str());
        return fail("connect to", m_target, ec.message());
    }
    // One-byte answers must leave at once, not wait for Nagle's algorithm.
    boost::system::error_code ignored;
    m_socket.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
    m_socketFd = m_socket.native_handle();
    return {};
}

Result<void> ClientLink::connect() {
    if (Result<void> begun = beginConnect({}); !begun) {
        return begun;
    }
    return finishConnect();
}

Result<void> ClientLink::startThread() {
    if (m_msgThread != nullptr) {
        Vexo_Thread_Wait(m_msgThread);
        m_msgThread = nullptr;
    }
    m_clientLinkEnded = 0;
    m_stopping = false;
    m_msgThread = Vexo_Thread_Create(msgThreadEntry, this, 0, 0, 0, 0);
    if (m_msgThread == nullptr) {
        return fail("create", "msg thread", "the system refused a new thread");
    }
    return {};
}

void ClientLink::MessageProc() {
    std::string failure;
    LinkLoss loss = LinkLoss::ReadFailed;
    try {
        ClientWire wire(m_socket);
        Session session(m_context, peerAddressText(m_socketFd.load()), wire);
        std::array<char, kReadChunk> buffer{};
        while (true) {
            // With nothing waiting and room to read, the read blocks as before; otherwise the
            // wait ends in time for the earliest answer, and a session held back by a full
            // queue or too many waiting answers is not read meanwhile.
            const bool reading = session.wantsToRead();
            const std::optional<std::int64_t> due = session.nextDueUs();
            if (due || !reading) {
                const bool readable =
                    waitForDataOrDue(m_socketFd.load(), reading, m_context.queue, due);
                // A failed send shows at the next read, as the link has always done.
                if (due && session.sendDue(steadyMicrosecondsNow()) == Session::Outcome::Close) {
                    loss = LinkLoss::ClosedByScript;
                    failure = "closed by the answer script";
                    session.end(Delivery::Reason::ConnectionClosing, loss);
                    break;
                }
                if (!readable) {
                    continue;  // the wait ended for a due answer or for room in the queue
                }
            }
            boost::system::error_code ec;
            const std::size_t received = m_socket.read_some(boost::asio::buffer(buffer), ec);
            if (ec) {
                failure = boost::system::system_error(ec, "read_until").what();
                loss = m_stopping ? LinkLoss::Stopped : lossOf(ec);
                session.end(m_stopping ? Delivery::Reason::StationStopped
                                       : Delivery::Reason::ConnectionLost,
                            loss);
                break;
            }
            // The receiver waits for its answers: the session sends them before anything else.
            if (session.receive(std::string_view(buffer.data(), received), utcMicrosecondsNow(),
                                steadyMicrosecondsNow()) == Session::Outcome::Overflow) {
                // A receiver that never sends 0x14 must not make the buffer grow without bound.
                failure =
                    boost::system::system_error(boost::asio::error::message_size, "read_until")
                        .what();
                loss = LinkLoss::Overflow;
                session.end(Delivery::Reason::ConnectionLost, loss);
                break;
            }
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    QUILLET(2, "CCorvaneDlg::MessageProc", "error: %s (%s)", failure.c_str(), linkLossName(loss));
    const bool closedByScript = loss == LinkLoss::ClosedByScript;
    if (closedByScript) {
        // The receiver sees the close now; the UI thread's stop releases the socket.
        ::shutdown(m_socketFd.load(), SHUT_RDWR);
    }
    // The link is gone, but the window still shows it connected: the UI thread stops it as
    // Disconnect does (a stop in progress finds nothing left to do). Asked before the last read,
    // which waits on a live, silent socket until that stop shuts it down.
    m_loss = loss;
    m_clientLinkEnded = static_cast<int>(closedByScript ? Ended::ClosedByScript : Ended::Lost);
    m_window->requestLinkCheck();
    std::array<char, kFinalReadSize> discard{};
    boost::system::error_code ignored;
    m_socket.read_some(boost::asio::buffer(discard), ignored);
}

void ClientLink::stop() {
    m_attempt.abandon();
    const int fd = m_socketFd.load();
    if (m_msgThread != nullptr) {
        m_stopping = true;
        if (fd != -1) {
            ::shutdown(fd, SHUT_RDWR);
        }
        Vexo_Thread_Wait(m_msgThread);
        m_msgThread = nullptr;
    }
    closeSocket();
}

void ClientLink::closeSocket() {
    boost::system::error_code ignored;
    m_socket.close(ignored);
    m_socketFd = -1;
}

std::intptr_t msgThreadEntry(void* link) {
    if (link == nullptr) {
        return 0;
    }
    static_cast<ClientLink*>(link)->MessageProc();
    return 0;
}

}  // namespace corvane
