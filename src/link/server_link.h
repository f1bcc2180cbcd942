// The server link: listens on the port for receivers, accepts them on the Accept thread and
// serves them on the select thread, one session per connection. A receiver that connects or is
// lost is announced (isConnected, isDisconnect) in the station, the logs and the window; each
// receiver is watched for its own signs of life (the station's ReceiverWatch).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "link/session.h"
#include "pipeline/activity_log.h"
#include "platform/result.h"
#include "platform/vexo.h"
#include "station/station.h"

namespace corvane {

class ServerLink {
  public:
    // `station` gives the port, the link flags, the tick and the window; `context` the sessions'.
    ServerLink(const SessionContext& context, Station& station, ActivityLog& log);
    ~ServerLink();
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    // Opens the listening socket on the bind address and port of the settings (port 0: any free
    // one) and starts the Accept thread (UI thread). The failure names the address and the reason
    // ("Address already in use").
    Result<void> startServer();
    // Where the server listens ("0.0.0.0:1025", "[::1]:40123"), empty while it does not.
    std::string listeningAddress() const;
    // Starts the select thread unless it runs.
    Result<void> startSelectThread();
    // Joins the select thread, then the Accept thread, and closes every receiver's socket.
    void stopThreads();
    // Closes the listening socket.
    void closeListening();
    // Something of the server is still up (a start that failed half-way leaves parts of it).
    bool held() const;

    // A receiver was accepted on `socket` (Accept thread) or lost (select thread): station, logs,
    // window. The station stays connected until the last receiver is lost.
    void isConnected(Vexo_Socket socket);
    // A loss names how it came about; any but an orderly close gets a line of its own in the
    // activity log.
    void isDisconnect(Vexo_Socket socket, const std::string& peer, LinkLoss loss);
    // The receiver on `socket` got its session, numbered `connection` (select thread): its
    // recognised messages renew its own tick from now on.
    void watchConnection(Vexo_Socket socket, std::uint64_t connection);

    // The Accept and the select thread's loops.
    void acceptLoop();
    void selectLoop();

    // Runtime resources (UI thread, but m_peerSocket which the Accept thread writes).
    Vexo_Socket m_listenSocket = Vexo_InvalidSocket;
    std::atomic<Vexo_Socket> m_peerSocket{Vexo_InvalidSocket};  // the latest receiver
    Vexo_Sem m_acceptSem;
    Vexo_Thread m_acceptThread = nullptr;
    std::atomic<bool> m_acceptStop{false};
    Vexo_Thread m_selectThread = nullptr;
    std::atomic<bool> m_selectStop{false};

  private:
    Vexo_Socket acceptReceiver();
    void admitReceiver(Vexo_Socket socket);
    void closePeerSocket();

    SessionContext m_context;
    Station& m_station;
    ActivityLog& m_log;
};

std::intptr_t acceptThreadEntry(void* link);
std::intptr_t selectThreadEntry(void* link);

}  // namespace corvane
