#include "link/connection_control.h"

#include <string>

#include "platform/clock.h"
#include "platform/quillet.h"
#include "record/tally.h"

namespace corvane {

namespace {

constexpr const char* kConnectFunction = "CCorvaneDlg::doConnect";
constexpr const char* kDisconnectFunction = "CCorvaneDlg::doDisconnect";

}  // namespace

void ConnectionControl::report(LinkState state, StopCause cause, LinkLoss loss) {
    m_station.window()->linkChanged({m_station.m_mode, state, cause, false, loss});
}

void ConnectionControl::logDisconnected() {
    const std::string time = ActivityLog::getTimeStamp();
    QUILLET(2, kDisconnectFunction, "%s  -  Disconnected", time.c_str());
    m_log.appendLogLine(time, "  -  Disconnected\r\n");
    m_log.updateLogView();
}

void ConnectionControl::OnConnectButton() {
    if (m_station.m_running) {
        doDisconnect();
    } else {
        doConnect();
    }
}

void ConnectionControl::doConnect() {
    // A refused field has already been reported to the operator; starting with the values the
    // transfer left behind would connect somewhere the operator did not ask for.
    if (!m_station.window()->saveTransfer()) {
        return;
    }
    m_reconnectDueTick = 0;  // the operator's own start replaces a waiting reconnect
    startLink(true);
}

void ConnectionControl::startLink(bool interactive) {
    // A start that failed half-way (a thread that could not be created) leaves the rest of that
    // link up; a new start, perhaps in the other mode, begins from a clean slate.
    if (!m_station.m_running) {
        shutdownLink();
    }
    const bool client = m_station.m_mode == LinkMode::Client;
    if (client) {
        if (const Result<void> connected = m_client.connect(); !connected) {
            if (interactive) {
                m_station.window()->startFailed(LinkMode::Client, connected.error());
            }
            return;
        }
        if (!m_client.startThread()) {
            QUILLET(2, kConnectFunction, "create msg thread fail");
            return;
        }
    } else {
        if (const Result<void> started = m_server.startServer(); !started) {
            m_station.window()->startFailed(LinkMode::Server, started.error());
            return;
        }
        if (!m_server.startSelectThread()) {
            QUILLET(2, kConnectFunction, "create select thread fail");
            return;
        }
    }
    report(LinkState::Starting);
    if (!m_worker.start()) {
        QUILLET(2, kConnectFunction, "create msgPro thread fail");
        return;
    }
    const std::string time = ActivityLog::getTimeStamp();
    if (client) {
        m_station.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
        QUILLET(2, kConnectFunction, "%s  - Client Connected!", time.c_str());
        m_station.m_connected = true;
        m_station.m_running = true;
        report(LinkState::Connected);
        m_log.appendLogLine(time, "  -  Connected!\r\n");
    } else {
        QUILLET(2, kConnectFunction, "%s  - Server start!", time.c_str());
        m_station.m_running = true;
        report(LinkState::Listening);
        m_log.appendLogLine(time, "  -  Server Start!\r\n");
    }
    m_log.updateLogView();
}

void ConnectionControl::doDisconnect(StopCause cause, LinkLoss loss) {
    m_station.m_connected = false;
    m_station.m_running = false;
    m_worker.stop();
    if (m_station.m_mode == LinkMode::Server) {
        m_server.stopThreads();
        logDisconnected();
        m_server.closeListening();
        report(LinkState::Stopped, cause);
        m_log.logEvent("  -  Server Close!\r\n");
    } else {
        m_client.stop();
        report(LinkState::Stopped, cause, loss);
        // An orderly close needs no line of its own: "Disconnected" says it.
        if (loss != LinkLoss::None && loss != LinkLoss::EndOfFile) {
            m_log.logEvent(std::string("  -  Link lost: ") + linkLossName(loss) + "\r\n");
        }
        logDisconnected();
    }
    // Receivers still connected at the stop are lost now.
    m_station.tally().lostAll(utcMicrosecondsNow());
}

void ConnectionControl::checkClientLink() {
    const ClientLink::Ended ended = m_client.takeEnded();
    if (ended != ClientLink::Ended::No && m_station.m_running &&
        m_station.m_mode == LinkMode::Client) {
        // The msg thread has ended: the stop finds the socket to close and the thread to join.
        doDisconnect(StopCause::LinkLost, m_client.loss());
        if (ended == ClientLink::Ended::Lost && m_station.m_reconnectSeconds.load() > 0) {
            m_reconnectDueTick = Vexo_GetTimeTick() + m_station.m_reconnectSeconds.load() * 1000ULL;
        }
    }
    if (m_reconnectDueTick != 0 && !m_station.m_running) {
        if (m_station.m_reconnectSeconds.load() <= 0 || m_station.m_mode != LinkMode::Client) {
            m_reconnectDueTick = 0;  // switched off, or another mode chosen, meanwhile
        } else if (Vexo_GetTimeTick() >= m_reconnectDueTick) {
            tryReconnect();
        }
    }
}

void ConnectionControl::tryReconnect() {
    m_log.logEvent("  -  Reconnecting...\r\n");
    QUILLET(2, kConnectFunction, "reconnect attempt");
    startLink(false);
    if (m_station.m_running) {
        m_reconnectDueTick = 0;
        return;
    }
    m_log.logEvent("  -  Reconnect failed\r\n");
    m_reconnectDueTick = Vexo_GetTimeTick() + m_station.m_reconnectSeconds.load() * 1000ULL;
}

void ConnectionControl::shutdownLink() {
    if (m_station.m_running) {
        doDisconnect();
    }
    // A start that failed half-way leaves threads and sockets up while m_running is false.
    m_worker.stop();
    const bool serverHeld = m_server.held();
    m_server.stopThreads();
    m_client.stop();
    if (serverHeld) {
        m_server.closeListening();
    }
    m_station.m_connected = false;
}

}  // namespace corvane
