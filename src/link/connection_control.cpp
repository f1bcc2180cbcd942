#include "link/connection_control.h"

#include <functional>
#include <string>
#include <utility>

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
    const bool client = m_station.m_mode == LinkMode::Client;
    if (client && m_client.connecting()) {
        // The operator's Connect during a reconnect attempt makes that attempt the operator's.
        if (interactive && !m_attemptInteractive) {
            m_attemptInteractive = true;
            m_station.window()->connecting(true);
        }
        return;
    }
    // A start that failed half-way (a thread that could not be created) leaves the rest of that
    // link up; a new start, perhaps in the other mode, begins from a clean slate.
    if (!m_station.m_running) {
        shutdownLink();
    }
    if (client) {
        // In the background the attempt asks for the link check that finishes the start.
        WindowSlot& window = m_station.window();
        std::function<void()> ended;
        if (m_background) {
            ended = [&window] { window->requestLinkCheck(); };
        }
        if (const Result<void> begun = m_client.beginConnect(std::move(ended)); !begun) {
            if (interactive) {
                window->startFailed(LinkMode::Client, begun.error());
            }
            return;
        }
        m_attemptInteractive = interactive;
        if (interactive) {
            window->connecting(true);
        }
        if (!m_background) {
            finishClientStart();
        }
        return;
    }
    if (const Result<void> started = m_server.startServer(); !started) {
        m_station.window()->startFailed(LinkMode::Server, started.error());
        return;
    }
    if (!m_server.startSelectThread()) {
        QUILLET(2, kConnectFunction, "create select thread fail");
        return;
    }
    completeStart(false);
}

void ConnectionControl::finishClientStart() {
    const bool interactive = std::exchange(m_attemptInteractive, false);
    const Result<void> connected = m_client.finishConnect();
    if (interactive) {
        m_station.window()->connecting(false);
    }
    if (!connected) {
        if (interactive) {
            m_station.window()->startFailed(LinkMode::Client, connected.error());
        } else {
            m_log.logEvent("  -  Reconnect failed\r\n");
            m_reconnectDueTick = Vexo_GetTimeTick() + m_station.m_reconnectSeconds.load() * 1000ULL;
        }
        return;
    }
    if (!m_client.startThread()) {
        QUILLET(2, kConnectFunction, "create msg thread fail");
        return;
    }
    completeStart(true);
}

void ConnectionControl::completeStart(bool client) {
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
    if (m_client.connecting() && m_client.connectEnded()) {
        if (m_station.m_mode == LinkMode::Client) {
            finishClientStart();
        } else {
            m_client.stop();  // a reconnect try that ended after Server mode was chosen
        }
    }
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
    // A failed attempt sets the next one when it is over.
    m_reconnectDueTick = 0;
    startLink(false);
}

void ConnectionControl::shutdownLink() {
    if (m_station.m_running) {
        doDisconnect();
    }
    if (std::exchange(m_attemptInteractive, false)) {
        m_station.window()->connecting(false);  // the client's stop below cancels the attempt
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
