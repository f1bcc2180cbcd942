// The one-second timer: shows the five counters and drops a link that has been silent for longer
// than the heartbeat interval (in Server mode: any one of its receivers).
#include <cstdint>
#include <mutex>
#include <optional>

#include "link/connection_control.h"
#include "platform/quillet.h"

namespace corvane {

namespace {

// A silence (ticks taken modulo 2^32) against the interval in milliseconds.
bool silentTooLong(std::uint32_t elapsed, int intervalSeconds) {
    return static_cast<std::int64_t>(elapsed) > static_cast<std::int64_t>(intervalSeconds) * 1000;
}

}  // namespace

void ConnectionControl::OnTimer() {
    m_station.window()->showCounts(m_station.counts());
    // A client link that ended on its own, or a reconnect that is due.
    checkClientLink();
    if (!m_station.m_connected) {
        return;
    }
    bool timedOut = false;
    {
        // The server link changes its receivers' watch and m_connected together under this lock,
        // so the check sees the two as one.
        std::lock_guard lock(m_station.m_linkEventMutex);
        if (m_station.m_connected && m_station.m_mode == LinkMode::Server) {
            // Every receiver on its own: the one silent for longest decides.
            const std::optional<std::uint32_t> silence = m_station.m_receiverWatch.longestSilence();
            timedOut = silence && silentTooLong(*silence, m_station.m_heartbeatInterval);
        } else if (m_station.m_connected) {
            // The last tick first: a renewal between the two reads then cannot wrap the
            // difference around into a time-out.
            const std::uint32_t lastTick = m_station.getLastHeartbeatTick();
            const auto now = static_cast<std::uint32_t>(Vexo_GetTimeTick());
            timedOut = silentTooLong(now - lastTick, m_station.m_heartbeatInterval);
        }
    }
    if (!timedOut) {
        return;
    }
    QUILLET(2, "CCorvaneDlg::OnTimer", "HeartBeatCheck Timeout");
    // No refresh here: the stop appends its own line and refreshes.
    m_log.appendLogLine(ActivityLog::getTimeStamp(), "  -  Heartbeat timeout\r\n");
    doDisconnect(StopCause::TimeOut);
}

}  // namespace corvane
