// Connection control: the Connect button starts or stops the link to the receiver (client or
// server) with the msgPro worker, notes each start and stop in the activity log and the diagnostic
// log, and reports the link's state to the window; and the one-second timer, which shows the
// counts and drops a link that has been silent for longer than the heartbeat interval. UI thread.
#pragma once

#include <cstdint>

#include "link/client_link.h"
#include "link/server_link.h"
#include "pipeline/activity_log.h"
#include "pipeline/msg_worker.h"
#include "station/station.h"

namespace corvane {

class ConnectionControl {
  public:
    ConnectionControl(Station& station, ActivityLog& log, MsgWorker& worker, ClientLink& client,
                      ServerLink& server)
        : m_station(station), m_log(log), m_worker(worker), m_client(client), m_server(server) {}

    // Click on the Connect button: stops a running link, starts an idle one.
    void OnConnectButton();
    void doConnect();
    // Stops the link as the operator's Disconnect does, or for `cause` (a heartbeat time-out, a
    // lost client link, with how it was lost: the activity log names it).
    void doDisconnect(StopCause cause = StopCause::Operator, LinkLoss loss = LinkLoss::None);
    // The one-second timer: shows the counts, checks the client link, drops a silent link.
    void OnTimer();
    // Stops a client link whose msg thread ended on its own (a lost connection or an answer
    // script's CLOSE) as Disconnect does, and connects again when reconnecting is on. The msg
    // thread asks for it through the window; the timer checks too.
    void checkClientLink();
    // Stops whatever link runs and joins every thread; does nothing when all is idle. Used when
    // the station goes away.
    void shutdownLink();

    // Whether a client start leaves its connect attempt to run on a thread of its own while the
    // caller goes on (the window's thread must never wait for the network; the link check
    // finishes the start once the attempt is over), or waits for it (the default).
    void connectInBackground(bool on) { m_background = on; }
    // A client connect attempt is under way.
    bool connecting() const { return m_client.connecting(); }

  private:
    // Starts the link; `interactive` reports a failed client connect to the window.
    void startLink(bool interactive);
    // Finishes a client start once its connect attempt is over (or waits for it).
    void finishClientStart();
    // What every start does once the link is up: the worker, the flags, the reports and the logs.
    void completeStart(bool client);
    void tryReconnect();
    void report(LinkState state, StopCause cause = StopCause::None, LinkLoss loss = LinkLoss::None);
    void logDisconnected();

    Station& m_station;
    ActivityLog& m_log;
    MsgWorker& m_worker;
    ClientLink& m_client;
    ServerLink& m_server;
    std::uint64_t m_reconnectDueTick = 0;  // 0 when no reconnect waits
    bool m_background = false;
    bool m_attemptInteractive = false;  // the connect under way is the operator's own
};

}  // namespace corvane
