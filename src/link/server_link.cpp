// Start of the server link: the listening socket, the accept token and the Accept thread; and the
// release of the receivers' sockets once the server threads have ended.
#include "link/server_link.h"

#include <cstdint>

#include "link/peer_set.h"
#include "platform/quillet.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr const char* kStartServer = "CCorvaneDlg::startServer";
constexpr const char* kAnyInterface = "0.0.0.0";
// A burst of receivers reconnecting at once (after a receiver restart) must not overflow the
// queue of pending connections: room for every receiver the server takes.
constexpr int kBacklog = Vexo_SetSize;

}  // namespace

bool Station::startServer() {
    // Already serving: a second listening socket on the port could only fail, and would race the
    // running Accept thread over m_listenSocket, so the server goes on as it is. doConnect never
    // gets here (it first clears what a half-failed start left running); direct callers such as
    // the benchmark or a test harness may, and the guard keeps their server intact.
    if (m_acceptThread != nullptr && m_listenSocket != Vexo_InvalidSocket) {
        return true;
    }

    g_peerSet.empty();

    m_listenSocket = Vexo_CreateSocket(2, 1, 0);
    if (m_listenSocket == Vexo_InvalidSocket) {
        QUILLET(5, kStartServer, "create socket fail");
        return false;
    }
    // Every failure from here on closes the socket again instead of leaking it.
    const auto fail = [this] {
        Vexo_CloseSocket(m_listenSocket, 0);
        m_listenSocket = Vexo_InvalidSocket;
        return false;
    };

    // A restart right after a stop must bind while the old connections linger in TIME_WAIT;
    // another socket still listening on the port keeps the bind failing. If the option cannot
    // be set, the bind below tells whether the port is usable.
    Vexo_SetReuseAddr(m_listenSocket);

    Vexo_Addr address;
    const auto port = static_cast<std::uint16_t>(m_port & 0xFFFF);
    if (Vexo_MakeIPv4Addr(&address, kAnyInterface, port) == -1 ||
        Vexo_Bind(m_listenSocket, &address) == -1) {
        QUILLET(5, kStartServer, "bind fail");
        return fail();
    }
    if (Vexo_Listen(m_listenSocket, kBacklog) == -1) {
        QUILLET(5, kStartServer, "listen fail");
        return fail();
    }
    if (Vexo_SemCreate(&m_acceptSem, 1) == -1) {
        QUILLET(5, kStartServer, "Vexo_SemCreate failed");
        return fail();
    }

    m_acceptStop = false;
    if (m_acceptThread == nullptr) {
        m_acceptThread = Vexo_Thread_Create(acceptThreadEntry, this, 0, 0, 0, 0);
        if (m_acceptThread == nullptr) {
            QUILLET(5, kStartServer, "create Accept thread fail");
            return fail();
        }
    }
    return true;
}

void closeServerPeers() {
    const Vexo_FdSet peers = g_peerSet.snapshot();
    g_peerSet.empty();
    for (std::uint32_t i = 0; i < peers.fd_count; ++i) {
        Vexo_CloseSocket(peers.fd_array[i], 0);
    }
}

}  // namespace corvane
