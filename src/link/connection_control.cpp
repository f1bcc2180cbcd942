// Connection control: the Connect button starts or stops the link to the receiver (client or
// server), with the msgPro worker, and keeps the captions, status, mode selector and logs in step.
#include <cstdint>
#include <mutex>
#include <string>

#include "link/client_stop.h"
#include "link/peer_set.h"
#include "link/server_link.h"
#include "platform/quillet.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr const char* kConnectFunction = "CCorvaneDlg::doConnect";
constexpr const char* kDisconnectFunction = "CCorvaneDlg::doDisconnect";

Vexo_Thread startThread(Vexo_ThreadProc entry, Station* station) {
    return Vexo_Thread_Create(entry, station, 0, 0, 0, 0);
}

void closeRuntimeSocket(Vexo_Socket& socket) {
    if (socket != Vexo_InvalidSocket) {
        Vexo_CloseSocket(socket, 0);
        socket = Vexo_InvalidSocket;
    }
}

// The socket of the most recent receiver, if still open. It is also in the peer set: taking it out
// first keeps closeServerPeers from closing the same descriptor a second time.
void closePeerSocket(Station& station) {
    const Vexo_Socket peer = station.m_peerSocket.exchange(Vexo_InvalidSocket);
    if (peer != Vexo_InvalidSocket) {
        g_peerSet.remove(peer);
        Vexo_CloseSocket(peer, 0);
    }
}

void logDisconnected(Station& station) {
    const std::string time = Station::getTimeStamp();
    QUILLET(2, kDisconnectFunction, "%s  -  Disconnected", time.c_str());
    station.appendLogLine(time, "  -  Disconnected\r\n");
    station.updateLogView();
}

}  // namespace

void Station::OnConnectButton() {
    if (m_running) {
        doDisconnect();
    } else {
        doConnect();
    }
}

void Station::doConnect() {
    // A refused field has already been reported to the operator; starting with the values the
    // transfer left behind would connect somewhere the operator did not ask for.
    if (!window().saveTransfer()) {
        return;
    }
    m_reconnectDueTick = 0;  // the operator's own start replaces a waiting reconnect
    startLink(true);
}

void Station::startLink(bool interactive) {
    // A start that failed half-way (a thread that could not be created) leaves the rest of that
    // link up; a new start, perhaps in the other mode, begins from a clean slate.
    if (!m_running) {
        shutdownLink();
    }
    const bool client = m_mode == "Client";
    if (client) {
        if (!connect()) {
            if (interactive) {
                window().showMessageBox("Connect failed, please check the parameters!");
            }
            return;
        }
        joinThread(m_msgThread);
        m_clientLinkEnded = 0;
        m_msgThread = startThread(msgThreadEntry, this);
        if (m_msgThread == nullptr) {
            QUILLET(2, kConnectFunction, "create msg thread fail");
            return;
        }
    } else {
        if (!startServer()) {
            window().showMessageBox("startServer failed, please check the parameters!");
            return;
        }
        m_selectStop = false;
        if (m_selectThread == nullptr) {
            m_selectThread = startThread(selectThreadEntry, this);
            if (m_selectThread == nullptr) {
                QUILLET(2, kConnectFunction, "create select thread fail");
                return;
            }
        }
    }
    window().enableControl(kModeCombo, false);
    m_stopFlag = false;
    if (m_msgProThread == nullptr) {
        m_msgProThread = startThread(msgProThreadEntry, this);
        if (m_msgProThread == nullptr) {
            QUILLET(2, kConnectFunction, "create msgPro thread fail");
            return;
        }
    }
    if (client) {
        setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
        const std::string time = getTimeStamp();
        QUILLET(2, kConnectFunction, "%s  - Client Connected!", time.c_str());
        m_connected = true;
        m_running = true;
        window().setControlText(kConnectButton, "Disconnect");
        window().setControlText(kLinkStatusEdit, "TCP Client Connected");
        appendLogLine(time, "  -  Connected!\r\n");
    } else {
        const std::string time = getTimeStamp();
        QUILLET(2, kConnectFunction, "%s  - Server start!", time.c_str());
        m_running = true;
        window().setControlText(kConnectButton, "Close");
        window().setControlText(kLinkStatusEdit, "TCP Server Start");
        appendLogLine(time, "  -  Server Start!\r\n");
    }
    updateLogView();
}

void Station::doDisconnect() {
    m_connected = false;
    m_running = false;
    m_stopFlag = true;
    joinThread(m_msgProThread);
    if (m_mode == "Server") {
        m_selectStop = true;
        joinThread(m_selectThread);
        m_acceptStop = true;
        joinThread(m_acceptThread);
        // The Accept thread may have announced a receiver while it was being joined.
        {
            std::lock_guard lock(m_linkEventMutex);
            m_connected = false;
        }
        Vexo_SemDestroy(&m_acceptSem);
        closePeerSocket(*this);
        closeServerPeers();
        logDisconnected(*this);
        closeRuntimeSocket(m_listenSocket);
        window().setControlText(kConnectButton, "Start");
        window().setControlText(kLinkStatusEdit, "TCP Server Close");
        appendLogLine(getTimeStamp(), "  -  Server Close!\r\n");
        updateLogView();
    } else {
        endMsgThread(*this);
        closeClientSocket(*this);
        window().setControlText(kConnectButton, "Connect");
        window().setControlText(kLinkStatusEdit, "TCP Client Disconnected");
        logDisconnected(*this);
    }
    if (m_protocol == "Sur-Gard") {
        window().enableControl(kModeCombo, true);
    }
}

void Station::checkClientLink() {
    const int ended = m_clientLinkEnded.exchange(0);
    if (ended != 0 && m_running && m_mode == "Client") {
        // The msg thread has ended: the stop finds the socket to close and the thread to join.
        doDisconnect();
        if (ended == 1 && m_reconnectSeconds.load() > 0) {
            m_reconnectDueTick = Vexo_GetTimeTick() + m_reconnectSeconds.load() * 1000ULL;
        }
    }
    if (m_reconnectDueTick != 0 && !m_running) {
        if (m_reconnectSeconds.load() <= 0 || m_mode != "Client") {
            m_reconnectDueTick = 0;  // switched off, or another mode chosen, meanwhile
        } else if (Vexo_GetTimeTick() >= m_reconnectDueTick) {
            tryReconnect();
        }
    }
}

void Station::tryReconnect() {
    appendLogLine(getTimeStamp(), "  -  Reconnecting...\r\n");
    updateLogView();
    QUILLET(2, kConnectFunction, "reconnect attempt");
    startLink(false);
    if (m_running) {
        m_reconnectDueTick = 0;
        return;
    }
    appendLogLine(getTimeStamp(), "  -  Reconnect failed\r\n");
    updateLogView();
    m_reconnectDueTick = Vexo_GetTimeTick() + m_reconnectSeconds.load() * 1000ULL;
}

void Station::shutdownLink() {
    if (m_running) {
        doDisconnect();
    }
    // A start that failed half-way leaves threads and sockets up while m_running is false.
    const bool serverHeld = m_acceptThread != nullptr || m_selectThread != nullptr ||
                            m_listenSocket != Vexo_InvalidSocket ||
                            m_peerSocket != Vexo_InvalidSocket;
    if (m_msgProThread != nullptr) {
        m_stopFlag = true;
        joinThread(m_msgProThread);
    }
    if (m_selectThread != nullptr) {
        m_selectStop = true;
        joinThread(m_selectThread);
    }
    if (m_acceptThread != nullptr) {
        m_acceptStop = true;
        joinThread(m_acceptThread);
    }
    endMsgThread(*this);
    closeClientSocket(*this);
    if (serverHeld) {
        closePeerSocket(*this);
        closeServerPeers();
        closeRuntimeSocket(m_listenSocket);
    }
    Vexo_SemDestroy(&m_acceptSem);
    m_connected = false;
}

}  // namespace corvane
