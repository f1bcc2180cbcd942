#include "station_cli/station_run.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "platform/vexo.h"
#include "record/record_export.h"
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

std::atomic<bool> g_exportAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStopSignal(int signal) {
    g_stopSignal.store(signal);
}

// The handler only raises the flag: the main loop writes the file.
extern "C" void onExportSignal(int) {
    g_exportAsked.store(true);
}

// SIGINT and SIGTERM stop the run; SIGUSR1 asks for an export (ignored without --export).
void catchSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = onExportSignal;
    sigaction(SIGUSR1, &action, nullptr);
}

// Writes the records to --export's file; false (and a line on standard error) when it failed.
bool exportNow(const Station& station, const StationOptions& o) {
    const std::string error = exportRecords(station.records(), o.exportPath);
    if (!error.empty()) {
        std::fprintf(stderr, "corvane-station: %s\n", error.c_str());
    }
    return error.empty();
}

// The command line's settings into the station record, as the window's save transfer would.
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
    if (o.dc09Given) {
        station.m_dc09.replace(o.dc09);
    }
}

// Scripts, checked when the line was read, switched on as the window's switch does (with its
// log line). Before the link starts, after the tap is set: the line reaches the terminal.
void startScripts(Station& station, const StationOptions& o) {
    if (o.script.empty()) {
        return;
    }
    if (const auto error =
            station.answerScripts().apply(o.script, o.heartbeatScript, o.protocol == "SIA-DCS")) {
        std::fprintf(stderr, "corvane-station: %s\n", error->c_str());
        return;
    }
    station.answerScripts().setEnabled(true);
    station.appendLogLine(Station::getTimeStamp(),
                          "  -  Answer script started: " + o.script + "\r\n");
}

// Runs the link until something stops it; returns what did.
std::string answerUntilStopped(Station& station, const StationOptions& o, const RunTally& tally) {
    const auto start = Clock::now();
    auto nextTimer = start + kTimerPeriod;
    bool goneOnce = false;
    for (;;) {
        std::this_thread::sleep_for(kTick);
        if (g_exportAsked.exchange(false) && !o.exportPath.empty()) {
            exportNow(station, o);
        }
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
            // The timer also ends a client link whose receiver closed it: not a time-out.
            const bool closed = o.client && clientConnectionGone(station.m_socketFd.load());
            station.OnTimer();  // drops a silent link as the window's timer does
            if (!station.m_running) {
                return closed ? "link drop" : "heartbeat time-out";
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
    startScripts(station, o);
    catchSignals();

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
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool exported = o.exportPath.empty() || exportNow(station, o);
    const RunSummary summary = makeSummary(station, tally, o.expectations, seconds, stoppedBy);
    const std::string text = o.json ? summaryJson(summary) : summaryText(summary);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!exported) {
        return kExportFailedExit;
    }
    return summary.allMet() ? 0 : kExpectationMissedExit;
}

}  // namespace corvane::cli
