#include "station_cli/station_run.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "platform/vexo.h"
#include "station/station.h"
#include "station_cli/console_window.h"
#include "station_cli/link_watch.h"
#include "station_cli/run_summary.h"
#include "station_cli/station_tap.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often the main loop looks at its stop conditions, and the station's one-second timer.
constexpr auto kTick = 50ms;
constexpr auto kTimerPeriod = 1000ms;

std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onStopSignal(int signal) {
    g_stopSignal.store(signal);
}

// SIGINT and SIGTERM stop the run; an export on SIGUSR1 (--export) joins them here.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The command line's settings into the station record, as the window's save transfer would. The
// capabilities that have options of their own (DC-09 keys, answer scripts) are given to the
// station here as well, before the link starts.
void configure(Station& station, const StationOptions& o) {
    station.m_protocol = o.protocol;
    station.m_mode = o.client ? "Client" : "Server";
    station.m_receiverIp = o.host;
    station.m_port = o.port;
    station.m_heartbeatInterval = o.heartbeatInterval;
    station.setReceiverType(o.receiverType);
    station.m_responseMode = o.responseMode;
    station.setCustomResponse(o.custom);
    // The box is never shown: the log keeps to its line limit without building a view.
    station.m_showLog = 0;
}

// Runs the link until something stops it; returns what did.
std::string answerUntilStopped(Station& station, const StationOptions& o, const RunTally& tally) {
    const auto start = Clock::now();
    auto nextTimer = start + kTimerPeriod;
    bool goneOnce = false;
    for (;;) {
        std::this_thread::sleep_for(kTick);
        if (const int signal = g_stopSignal.load(); signal != 0) {
            return signal == SIGINT ? "SIGINT" : "SIGTERM";
        }
        const auto now = Clock::now();
        if (o.durationSeconds > 0 &&
            now - start >= std::chrono::duration<double>(o.durationSeconds)) {
            return "duration";
        }
        if (o.maxMessages > 0 && tally.messages() >= o.maxMessages) {
            return "max-messages";
        }
        if (o.heartbeatInterval > 0 && now >= nextTimer) {
            nextTimer += kTimerPeriod;
            station.OnTimer();  // drops a silent link as the window's timer does
            if (!station.m_running) {
                return "heartbeat time-out";
            }
        }
        if (o.client) {
            // Seen on two ticks in a row: the link thread has queued the last answered message.
            const bool gone = clientConnectionGone(station.m_socketFd.load());
            if (gone && goneOnce) {
                return "link drop";
            }
            goneOnce = gone;
        }
    }
}

}  // namespace

int runStation(const StationOptions& o) {
    Vexo_InitEx();
    RunTally tally(o.protocol);
    std::unique_ptr<TerminalLog> log;
    if (!o.quiet) {
        log = std::make_unique<TerminalLog>(stdout, o.json);
    }
    StationTap tap(log.get(), tally);
    ConsoleWindow window;
    Station station(&window);
    configure(station, o);
    station.setActivityTap(&tap);
    catchStopSignals();

    const auto start = Clock::now();
    station.doConnect();
    if (!station.m_running) {
        station.shutdownLink();
        station.setActivityTap(nullptr);
        if (log) {
            log->finish();
        }
        std::fprintf(stderr, "corvane-station: the link could not start (%s %s:%d)\n",
                     o.client ? "connecting to" : "listening on", o.client ? o.host.c_str() : "*",
                     o.port);
        return kLinkFailedExit;
    }
    const std::string stoppedBy = answerUntilStopped(station, o, tally);
    if (station.m_running) {
        station.doDisconnect();
    }
    // Every thread has ended: what the worker had not taken yet was answered all the same.
    while (station.processQueuedMessages()) {
    }
    station.setActivityTap(nullptr);
    if (log) {
        log->finish();
    }
    // Everything is counted now: the place for the final export of the message records.
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const RunSummary summary = makeSummary(station, tally, o.expectations, seconds, stoppedBy);
    const std::string text = o.json ? summaryJson(summary) : summaryText(summary);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return summary.allMet() ? 0 : kExpectationMissedExit;
}

}  // namespace corvane::cli
