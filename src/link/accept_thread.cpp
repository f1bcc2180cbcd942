// The Accept thread: takes the accept token, waits for a receiver, admits it to the peer set and
// gives the token back, until its stop flag is set.
#include <algorithm>
#include <cstdint>

#include "link/peer_set.h"
#include "link/server_link.h"
#include "platform/quillet.h"

namespace corvane {

namespace {

constexpr int kTokenWaitMs = 1000;
constexpr int kAcceptWaitMs = 3000;

}  // namespace

// One accept attempt of at most kAcceptWaitMs. Returns the new socket, or -1.
Vexo_Socket ServerLink::acceptReceiver() {
    const int sliceMs = static_cast<int>(m_station.m_timeouts.acceptSlice.count());
    const std::uint64_t start = Vexo_GetTimeTick();
    for (;;) {
        const std::uint64_t elapsed = Vexo_GetTimeTick() - start;
        if (m_acceptStop || elapsed >= kAcceptWaitMs) {
            return Vexo_InvalidSocket;
        }
        // The wait is cut into slices so a stop is seen at once, not after up to 3 s: the UI
        // thread is waiting for this thread while it stops the server.
        const int slice = std::min(sliceMs, kAcceptWaitMs - static_cast<int>(elapsed));
        const std::uint64_t sliceStart = Vexo_GetTimeTick();
        Vexo_Addr peer;
        const Vexo_Socket socket = Vexo_Accept(m_listenSocket, &peer, slice);
        if (socket != Vexo_InvalidSocket) {
            return socket;
        }
        // A failure (no descriptor left, for instance) returns at once: wait out the slice
        // rather than spin on it.
        const auto spent = static_cast<int>(Vexo_GetTimeTick() - sliceStart);
        if (spent < slice) {
            Vexo_Sleep(slice - spent);
        }
    }
}

void ServerLink::admitReceiver(Vexo_Socket socket) {
    // Only this thread adds to the set, so it cannot fill up between this test and the add.
    if (g_peerSet.count() >= static_cast<std::uint32_t>(Vexo_SetSize)) {
        // A receiver that would never be read must not be left connected and unanswered.
        QUILLET(2, "CCorvaneDlg::acceptThreadEntry",
                "receiver limit reached (%d), connection closed", Vexo_SetSize);
        Vexo_CloseSocket(socket, 0);
        return;
    }
    // Announced before it enters the set, so its loss can never be announced before its arrival.
    isConnected(socket);
    m_peerSocket = socket;
    g_peerSet.add(socket);
}

void ServerLink::acceptLoop() {
    while (!m_acceptStop) {
        if (Vexo_SemTimedWait(&m_acceptSem, kTokenWaitMs) != 0) {
            continue;
        }
        const Vexo_Socket socket = acceptReceiver();
        if (socket != Vexo_InvalidSocket) {
            admitReceiver(socket);
        }
        Vexo_SemPost(&m_acceptSem);
    }
}

std::intptr_t acceptThreadEntry(void* link) {
    if (link == nullptr) {
        return 0;
    }
    static_cast<ServerLink*>(link)->acceptLoop();
    return 0;
}

}  // namespace corvane
