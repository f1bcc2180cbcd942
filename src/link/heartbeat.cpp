// The one-second timer: shows the five counters and drops a link that has been silent for longer
// than the heartbeat interval.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/quillet.h"
#include "station/station.h"

namespace corvane {

namespace {

// Elapsed time since the last sign of life, modulo 2^32, against the interval in milliseconds.
bool heartbeatTimedOut(std::uint32_t lastTick, std::uint32_t now, int intervalSeconds) {
    const std::uint32_t elapsed = now - lastTick;
    return static_cast<std::int64_t>(elapsed) > static_cast<std::int64_t>(intervalSeconds) * 1000;
}

}  // namespace

void Station::OnTimer() {
    window().setControlText(kCidCountEdit, std::to_string(m_cidCount.load()));
    window().setControlText(kSiaCountEdit, std::to_string(m_siaCount.load()));
    window().setControlText(kSgHeartbeatCountEdit, std::to_string(m_sgHeartbeatCount.load()));
    window().setControlText(kSgPrivateCountEdit, std::to_string(m_sgPrivateCount.load()));
    window().setControlText(kDeviceHeartCountEdit, std::to_string(m_deviceHeartCount.load()));
    // A client link that ended on its own, or a reconnect that is due.
    checkClientLink();
    if (!m_connected) {
        return;
    }
    bool timedOut = false;
    {
        // The server link changes the tick and m_connected together under this lock, so the check
        // never sees the 0 tick of a lost receiver while m_connected still says connected.
        std::lock_guard lock(m_linkEventMutex);
        if (m_connected) {
            // The last tick first: a renewal between the two reads then cannot wrap the
            // difference around into a time-out.
            const std::uint32_t lastTick = getLastHeartbeatTick();
            const auto now = static_cast<std::uint32_t>(Vexo_GetTimeTick());
            timedOut = heartbeatTimedOut(lastTick, now, m_heartbeatInterval);
        }
    }
    if (!timedOut) {
        return;
    }
    QUILLET(2, "CCorvaneDlg::OnTimer", "HeartBeatCheck Timeout");
    // No refresh here: the stop appends its own line and refreshes.
    appendLogLine(getTimeStamp(), "  -  Heartbeat timeout\r\n");
    doDisconnect();
}

}  // namespace corvane
