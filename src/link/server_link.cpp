#include "link/server_link.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "link/peer_address.h"
#include "link/peer_set.h"
#include "platform/quillet.h"

namespace corvane {

namespace {

constexpr const char* kStartServer = "CCorvaneDlg::startServer";
// A burst of receivers reconnecting at once (after a receiver restart) must not overflow the
// queue of pending connections: room for every receiver the server takes.
constexpr int kBacklog = Vexo_SetSize;

// Closes every receiver socket the server still holds and empties the set.
void closeServerPeers() {
    const Vexo_FdSet peers = g_peerSet.snapshot();
    g_peerSet.empty();
    for (std::uint32_t i = 0; i < peers.fd_count; ++i) {
        Vexo_CloseSocket(peers.fd_array[i], 0);
    }
}

}  // namespace

ServerLink::ServerLink(const SessionContext& context, Station& station, ActivityLog& log)
    : m_context(context), m_station(station), m_log(log) {
    m_context.stopping = &m_selectStop;
}

ServerLink::~ServerLink() {
    stopThreads();
    closeListening();
    Vexo_SemDestroy(&m_acceptSem);
}

Result<void> ServerLink::startServer() {
    const auto port = static_cast<std::uint16_t>(m_station.m_port & 0xFFFF);
    const std::string& bindAddress = m_station.m_bindAddress;
    const std::string where = hostPortText(bindAddress, port);
    // Already serving: a second listening socket on the port could only fail, and would race the
    // running Accept thread over m_listenSocket, so the server goes on as it is. Connection
    // control never gets here (it first clears what a half-failed start left running); direct
    // callers such as a test harness may.
    if (m_acceptThread != nullptr && m_listenSocket != Vexo_InvalidSocket) {
        return {};
    }

    g_peerSet.empty();
    m_station.m_receiverWatch.clear();

    Vexo_Addr address;
    if (Vexo_MakeAddr(&address, bindAddress.c_str(), port) == -1) {
        QUILLET(5, kStartServer, "bad bind address: %s", bindAddress.c_str());
        return fail("listen on", where, "not an IPv4 or IPv6 address");
    }
    m_listenSocket = Vexo_CreateSocket(Vexo_AddrFamily(&address), 1, 0);
    if (m_listenSocket == Vexo_InvalidSocket) {
        const std::string why = std::strerror(errno);
        QUILLET(5, kStartServer, "create socket fail");
        return fail("listen on", where, why);
    }
    // Every failure from here on closes the socket again instead of leaking it.
    const auto failed = [&](const char* line, std::string why) {
        QUILLET(5, kStartServer, "%s", line);
        Vexo_CloseSocket(m_listenSocket, 0);
        m_listenSocket = Vexo_InvalidSocket;
        return fail("listen on", where, std::move(why));
    };

    // A restart right after a stop must bind while the old connections linger in TIME_WAIT;
    // another socket still listening on the port keeps the bind failing. If the option cannot
    // be set, the bind below tells whether the port is usable.
    Vexo_SetReuseAddr(m_listenSocket);

    if (Vexo_Bind(m_listenSocket, &address) == -1) {
        return failed("bind fail", std::strerror(errno));
    }
    if (Vexo_Listen(m_listenSocket, kBacklog) == -1) {
        return failed("listen fail", std::strerror(errno));
    }
    if (Vexo_SemCreate(&m_acceptSem, 1) == -1) {
        return failed("Vexo_SemCreate failed", "no semaphore for the Accept thread");
    }

    m_acceptStop = false;
    if (m_acceptThread == nullptr) {
        m_acceptThread = Vexo_Thread_Create(acceptThreadEntry, this, 0, 0, 0, 0);
        if (m_acceptThread == nullptr) {
            return failed("create Accept thread fail", "the system refused a new thread");
        }
    }
    return {};
}

Result<void> ServerLink::startSelectThread() {
    m_selectStop = false;
    if (m_selectThread == nullptr) {
        m_selectThread = Vexo_Thread_Create(selectThreadEntry, this, 0, 0, 0, 0);
        if (m_selectThread == nullptr) {
            return fail("create", "select thread", "the system refused a new thread");
        }
    }
    return {};
}

void ServerLink::stopThreads() {
    // The peer set is the program's one set: a server that holds nothing leaves it alone.
    const bool wasHeld = held();
    m_selectStop = true;
    if (m_selectThread != nullptr) {
        Vexo_Thread_Wait(m_selectThread);
        m_selectThread = nullptr;
    }
    m_acceptStop = true;
    if (m_acceptThread != nullptr) {
        Vexo_Thread_Wait(m_acceptThread);
        m_acceptThread = nullptr;
    }
    // The Accept thread may have announced a receiver while it was being joined.
    {
        std::lock_guard lock(m_station.m_linkEventMutex);
        m_station.m_connected = false;
        m_station.m_receiverWatch.clear();
    }
    Vexo_SemDestroy(&m_acceptSem);
    if (wasHeld) {
        closePeerSocket();
        closeServerPeers();
    }
}

void ServerLink::closeListening() {
    if (m_listenSocket != Vexo_InvalidSocket) {
        Vexo_CloseSocket(m_listenSocket, 0);
        m_listenSocket = Vexo_InvalidSocket;
    }
}

std::string ServerLink::listeningAddress() const {
    return m_listenSocket == Vexo_InvalidSocket
               ? std::string()
               : localAddressText(static_cast<int>(m_listenSocket));
}

bool ServerLink::held() const {
    return m_acceptThread != nullptr || m_selectThread != nullptr ||
           m_listenSocket != Vexo_InvalidSocket || m_peerSocket != Vexo_InvalidSocket;
}

// The socket of the most recent receiver, if still open. It is also in the peer set: taking it out
// first keeps closeServerPeers from closing the same descriptor a second time.
void ServerLink::closePeerSocket() {
    const Vexo_Socket peer = m_peerSocket.exchange(Vexo_InvalidSocket);
    if (peer != Vexo_InvalidSocket) {
        g_peerSet.remove(peer);
        Vexo_CloseSocket(peer, 0);
    }
}

void ServerLink::isConnected(Vexo_Socket socket) {
    {
        // The heartbeat check takes the same lock, so it sees the watch and the flag together.
        std::lock_guard lock(m_station.m_linkEventMutex);
        m_station.m_receiverWatch.arrived(socket);
        m_station.m_connected = true;
    }
    const std::string time = ActivityLog::getTimeStamp();
    QUILLET(2, "CCorvaneDlg::isConnected", "%s  -  Client Connected!", time.c_str());
    m_station.window()->linkChanged({LinkMode::Server, LinkState::Connected});
    m_log.appendLogLine(time, "  -  Connected!\r\n");
    m_log.updateLogView();
}

void ServerLink::isDisconnect(Vexo_Socket socket, const std::string& peer, LinkLoss loss) {
    bool last = false;
    {
        // Other receivers still connected keep the station connected and watched.
        std::lock_guard lock(m_station.m_linkEventMutex);
        last = m_station.m_receiverWatch.left(socket) == 0;
        if (last) {
            m_station.m_connected = false;
        }
    }
    const std::string time = ActivityLog::getTimeStamp();
    QUILLET(2, "CCorvaneDlg::isDisconnect", "%s  -  Client DisConnected!", time.c_str());
    QUILLET_ASYNC(2, "CCorvaneDlg::isDisconnect", "receiver %s lost: %s", peer.c_str(),
                  linkLossName(loss));
    m_station.window()->linkChanged(
        last ? LinkReport{LinkMode::Server, LinkState::Listening, StopCause::None, true, loss}
             : LinkReport{LinkMode::Server, LinkState::Connected});
    m_log.appendLogLine(time, "  -  DisConnect!\r\n");
    if (loss != LinkLoss::EndOfFile && loss != LinkLoss::Stopped) {
        m_log.appendLogLine(time,
                            "  -  Receiver " + peer + " lost: " + linkLossName(loss) + "\r\n");
    }
    m_log.updateLogView();
    Vexo_SemPost(&m_acceptSem);
}

void ServerLink::watchConnection(Vexo_Socket socket, std::uint64_t connection) {
    m_station.m_receiverWatch.named(socket, connection);
}

}  // namespace corvane
