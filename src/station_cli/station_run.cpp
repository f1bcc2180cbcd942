#include "station_cli/station_run.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "link/station_core.h"
#include "pipeline/script_switch.h"
#include "platform/clock.h"
#include "platform/quillet.h"
#include "platform/vexo.h"
#include "record/record_export.h"
#include "record/station_events.h"
#include "remote/event_fan_out.h"
#include "remote/remote_service.h"
#include "station_cli/run_summary.h"
#include "station_cli/terminal_log.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often the main loop looks at its stop conditions, and the station's one-second timer.
constexpr auto kTick = 50ms;
constexpr auto kTimerPeriod = 1000ms;

std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Raised by the control API's POST /v1/stop (an HTTP thread); the main loop stops the run.
std::atomic<bool> g_stopAsked{false};

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

// What the station reports, as a run without a window needs it: why the link stopped, why it
// could not start, and that the client link wants checking. The main thread plays the UI thread.
class RunView final : public Window {
  public:
    explicit RunView(remote::LinkWatch& watch) : m_watch(watch) {}

    void linkChanged(const LinkReport& report) override {
        m_watch.linkChanged(report);
        if (report.state == LinkState::Stopped) {
            m_stopLoss = report.loss;  // before the cause, which the main thread looks at first
            m_stopCause = report.cause;
        }
    }
    void refreshLogView() override {}
    void requestLinkCheck() override { m_checkAsked = true; }
    void showCounts(const Counts&) override {}
    void startFailed(LinkMode, const Failure& why) override { m_startFailure = why; }
    bool saveTransfer() override { return true; }  // the settings came from the command line

    bool takeCheckRequest() { return m_checkAsked.exchange(false); }
    StopCause stopCause() const { return m_stopCause.load(); }
    LinkLoss stopLoss() const { return m_stopLoss.load(); }
    const std::optional<Failure>& startFailure() const { return m_startFailure; }

  private:
    remote::LinkWatch& m_watch;
    std::atomic<bool> m_checkAsked{false};
    std::atomic<StopCause> m_stopCause{StopCause::None};
    std::atomic<LinkLoss> m_stopLoss{LinkLoss::None};
    std::optional<Failure> m_startFailure;  // main thread
};

// Writes the records to --export's file; false (and a line on standard error) when it failed.
bool exportNow(const StationCore& core, const StationOptions& o) {
    const Result<void> written = exportRecords(core.station().records(), o.exportPath);
    if (!written) {
        std::fprintf(stderr, "corvane-station: %s\n", written.error().why.c_str());
    }
    return written.has_value();
}

// The command line's settings into the station record, as the window's save transfer would.
void configure(Station& station, const StationOptions& o) {
    station.m_protocol = o.protocol;
    station.m_mode = o.client ? LinkMode::Client : LinkMode::Server;
    station.m_receiverIp = o.host;
    station.m_bindAddress = o.bindAddress;
    station.m_port = o.port;
    station.m_heartbeatInterval = o.heartbeatInterval;
    station.m_receiverType = o.receiverType;
    station.m_responseMode = o.responseMode;
    station.setCustomResponse(o.custom);
    // The box is never shown: the log keeps to its line limit without building a view.
    station.m_showLog = 0;
    station.records().setByteLimit(static_cast<std::size_t>(o.recordsMemoryMiB) * 1024 * 1024);
    if (o.dc09Given) {
        station.dc09().replace(o.dc09);
    }
}

// Scripts, checked when the line was read, switched on as the window's switch does (with its
// log line). Before the link starts, after the listener is set: the line reaches the terminal.
void startScripts(StationCore& core, const StationOptions& o) {
    if (o.script.empty()) {
        return;
    }
    if (const Result<void> started =
            startAnswerScripts(core.station(), o.script, o.heartbeatScript);
        !started) {
        std::fprintf(stderr, "corvane-station: %s\n", started.error().why.c_str());
    }
}

// What the control API does in a run without a window: its status is the --json summary so far,
// and a stop ends the run as a signal would.
remote::ControlHooks controlHooks(const StationOptions& o) {
    remote::ControlHooks hooks;
    hooks.summary = [expectations = o.expectations](const TallyTotals& totals, double seconds) {
        nlohmann::ordered_json fields =
            summaryFields(makeSummary(totals, expectations, seconds, ""));
        fields.erase("stopped_by");
        return fields;
    };
    hooks.stop = [] { g_stopAsked.store(true); };
    return hooks;
}

// "heartbeat time-out", or "link drop" with how the link was lost: "link drop (overflow)".
std::string stoppedBy(StopCause cause, LinkLoss loss) {
    if (cause == StopCause::TimeOut) {
        return "heartbeat time-out";
    }
    return loss == LinkLoss::None ? "link drop"
                                  : std::string("link drop (") + linkLossName(loss) + ")";
}

// Where the server listens, on standard output even with --quiet: a rig that asked for any free
// port (--server 0) reads it there. Through the log's writer when there is one, so that it keeps
// its place among the lines. The event streams (`feed`, when served) hear it too.
void announceListening(const std::string& where, bool json, TerminalLog* log,
                       events::EventSink* feed) {
    std::string event;
    if (json || feed != nullptr) {
        const auto colon = where.rfind(':');
        std::string address = where.substr(0, colon);
        if (address.size() > 2 && address.front() == '[') {
            address = address.substr(1, address.size() - 2);
        }
        event = events::eventJson(
            events::Listening{utcMicrosecondsNow(), address, std::stoi(where.substr(colon + 1))});
    }
    if (feed != nullptr) {
        feed->publish("listening", event);
    }
    std::string line = json ? std::move(event) : "listening on " + where;
    if (log != nullptr) {
        log->publish("listening", std::move(line));
        return;
    }
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// Runs the link until something stops it; returns what did.
std::string answerUntilStopped(StationCore& core, RunView& view, const StationOptions& o) {
    Station& station = core.station();
    const auto start = Clock::now();
    auto nextTimer = start + kTimerPeriod;
    for (;;) {
        std::this_thread::sleep_for(kTick);
        if (g_exportAsked.exchange(false) && !o.exportPath.empty()) {
            exportNow(core, o);
        }
        if (const int signal = g_stopSignal.load(); signal != 0) {
            return signal == SIGINT ? "SIGINT" : "SIGTERM";
        }
        if (g_stopAsked.exchange(false)) {
            return "control";
        }
        const auto now = Clock::now();
        if (o.durationSeconds > 0 &&
            now - start >= std::chrono::duration<double>(o.durationSeconds)) {
            return "duration";
        }
        if (o.maxMessages > 0 && core.tally().messages() >= o.maxMessages) {
            return "max-messages";
        }
        // A client link its receiver closed (asked for by the msg thread once it has queued its
        // last message), or a heartbeat time-out: the link reports why it stopped.
        if (view.takeCheckRequest()) {
            core.control().checkClientLink();
        }
        if (o.heartbeatInterval > 0 && now >= nextTimer) {
            nextTimer += kTimerPeriod;
            core.control().OnTimer();  // drops a silent link as the window's timer does
        }
        if (!station.m_running) {
            return stoppedBy(view.stopCause(), view.stopLoss());
        }
    }
}

}  // namespace

int runStation(const StationOptions& o) {
    Vexo_InitEx();
    if (o.verbose) {
        quillet_setLowestLevel(kQuilletDefaultLowestLevel - 1);
    }
    std::unique_ptr<TerminalLog> log;
    if (!o.quiet) {
        log = std::make_unique<TerminalLog>(stdout);
    }
    remote::LinkWatch watch;
    RunView view(watch);
    StationCore core(&view);
    configure(core.station(), o);
    // Text: the activity log's lines. JSON: the station's events instead.
    if (!o.json) {
        core.log().setListener(log.get());
    }
    startScripts(core, o);
    catchSignals();
    // Declared after the core: its threads end before the station they read goes.
    remote::RemoteService service(core.station(), watch, controlHooks(o));
    if (o.remote.any()) {
        if (const Result<void> started = service.start(o.remote); !started) {
            core.log().setListener(nullptr);
            if (log) {
                log->finish();
            }
            std::fprintf(stderr, "corvane-station: cannot %s\n", started.error().text().c_str());
            return kLinkFailedExit;
        }
    }
    // The station's events go to the terminal (--json) and to the control API's event streams.
    events::EventSink* feed = o.remote.control ? &service.events() : nullptr;
    remote::EventFanOut eventSinks;
    eventSinks.add(o.json ? log.get() : nullptr);
    eventSinks.add(feed);
    if (!eventSinks.empty()) {
        core.worker().setEventSink(&eventSinks);
    }

    const auto start = Clock::now();
    core.control().doConnect();
    if (!core.station().m_running) {
        core.control().shutdownLink();
        core.log().setListener(nullptr);
        core.worker().setEventSink(nullptr);
        if (log) {
            log->finish();
        }
        if (view.startFailure()) {
            std::fprintf(stderr, "corvane-station: cannot %s\n",
                         view.startFailure()->text().c_str());
        } else {
            std::fprintf(stderr, "corvane-station: the link could not start (%s %s:%d)\n",
                         o.client ? "connecting to" : "listening on",
                         o.client ? o.host.c_str() : "*", o.port);
        }
        return kLinkFailedExit;
    }
    if (!o.client) {
        announceListening(core.server().listeningAddress(), o.json, log.get(), feed);
    }
    const std::string stopped = answerUntilStopped(core, view, o);
    if (core.station().m_running) {
        core.control().doDisconnect();
    }
    // Every thread has ended: what the worker had not taken yet was answered all the same.
    while (core.worker().processQueuedMessages()) {
    }
    core.log().setListener(nullptr);
    core.worker().setEventSink(nullptr);
    eventSinks.publish("stopped",
                       events::eventJson(events::Stopped{utcMicrosecondsNow(), stopped}));
    if (log) {
        log->finish();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool exported = o.exportPath.empty() || exportNow(core, o);
    RunSummary summary = makeSummary(core.tally().totals(), o.expectations, seconds, stopped);
    summary.recordsHeld = core.station().records().span().size();
    summary.recordsDropped = core.station().records().usage().dropped;
    const std::string json = summaryJson(summary, utcMicrosecondsNow());
    if (feed != nullptr) {
        feed->publish("summary", json);  // the streams end with it as the service stops
    }
    const std::string text = o.json ? json : summaryText(summary);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    if (!exported) {
        return kExportFailedExit;
    }
    return summary.allMet() ? 0 : kExpectationMissedExit;
}

}  // namespace corvane::cli
