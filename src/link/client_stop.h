// Stopping pieces shared by the client link and connection control (UI thread only).
#pragma once

#include "platform/vexo.h"
#include "station/station.h"

namespace corvane {

// Waits for a thread whose handle is set, then clears the handle.
inline void joinThread(Vexo_Thread& thread) {
    if (thread != nullptr) {
        Vexo_Thread_Wait(thread);
        thread = nullptr;
    }
}

// Ends the msg thread: shuts the connection down through the copied descriptor (a syscall, not a
// call on the socket object the thread is using), which fails its blocked read, then joins it.
void endMsgThread(Station& station);

// Closes m_socket once no thread uses it; a failing close is ignored.
void closeClientSocket(Station& station);

}  // namespace corvane
