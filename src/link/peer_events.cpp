// The announcements of an accepted and a lost receiver: station state, diagnostic log, status
// text and activity log. They run on the server threads; none of them waits for the UI thread.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/quillet.h"
#include "station/station.h"

namespace corvane {

void Station::isConnected() {
    {
        // The heartbeat check takes the same lock, so it sees the tick and the flag together.
        std::lock_guard lock(m_linkEventMutex);
        m_lastHeartbeatTick = static_cast<std::uint32_t>(Vexo_GetTimeTick());
        m_connected = true;
    }
    const std::string time = getTimeStamp();
    QUILLET(2, "CCorvaneDlg::isConnected", "%s  -  Client Connected!", time.c_str());
    window().setControlText(kLinkStatusEdit, "TCP Client Connected");
    appendLogLine(time, "  -  Connected!\r\n");
    updateLogView();
}

void Station::isDisconnect() {
    {
        std::lock_guard lock(m_linkEventMutex);
        m_lastHeartbeatTick = 0;
        m_connected = false;
    }
    const std::string time = getTimeStamp();
    QUILLET(2, "CCorvaneDlg::isDisconnect", "%s  -  Client DisConnected!", time.c_str());
    window().setControlText(kLinkStatusEdit, "TCP Client DisConnected");
    appendLogLine(time, "  -  DisConnect!\r\n");
    updateLogView();
    Vexo_SemPost(&m_acceptSem);
}

}  // namespace corvane
