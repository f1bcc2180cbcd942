#include "links_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "receiver/receiver_run.h"
#include "receiver/sim_socket.h"

extern char** environ;

namespace corvane::bench {

namespace {

namespace sim = corvane::sim;
using namespace std::chrono_literals;

// A started corvane-station whose standard output is read when it has ended.
class Program {
  public:
    Program(const char* path, std::vector<std::string> args) {
        args.insert(args.begin(), path);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&m_pid, path, &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_out = out[0];
    }
    bool started() const { return m_pid > 0; }
    void stop() const { kill(m_pid, SIGTERM); }
    // Waits for the end; the summary it printed (quiet: nothing else).
    std::string finish() {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = read(m_out, buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        close(m_out);
        int status = 0;
        waitpid(m_pid, &status, 0);
        return text;
    }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
};

std::uint16_t freePort() {
    std::string error;
    const sim::Fd probe = sim::listenTcp("127.0.0.1", 0, error);
    return probe.valid() ? sim::localPort(probe.get()) : 0;
}

// The program's server is up once a connection is accepted (the probe closes at once).
bool waitForServer(std::uint16_t port) {
    for (int i = 0; i < 500; ++i) {
        std::string error;
        if (sim::connectTcp("127.0.0.1", port, 100, error).valid()) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

std::uint64_t countedIn(const std::string& summary) {
    const auto at = summary.find("summary: ");
    return at == std::string::npos ? 0 : std::stoull(summary.substr(at + 9));
}

}  // namespace

Row lockstepAgainstProgram(const char* program, const char* mode, const char* protocol,
                           std::uint64_t messages) {
    Row row;
    row.name = std::string("1 receiver, lockstep: ") + mode + "/" + protocol + kProgramSuffix;
    std::printf("running: %s\n", row.name.c_str());
    std::fflush(stdout);
    sim::RunOptions o;
    o.protocol =
        std::string(protocol) == "SIA-DCS" ? sim::Protocol::SiaDcs : sim::Protocol::SurGard;
    o.count = messages;
    o.connectTimeoutMs = 10000;
    const std::vector<std::string> common = {
        "--protocol", o.protocol == sim::Protocol::SiaDcs ? "sia-dcs" : "sur-gard", "--quiet",
        "--heartbeat-interval", "0"};
    sim::RunResult r;
    std::string summary;
    if (std::string(mode) == "Client") {
        o.listen = true;
        auto listening = std::make_shared<std::promise<std::uint16_t>>();
        auto port = listening->get_future();
        auto run = std::async(std::launch::async, [o, listening] {
            return sim::runReceiver(o, [&](std::uint16_t p) { listening->set_value(p); });
        });
        std::unique_ptr<Program> station;
        if (port.wait_for(10s) == std::future_status::ready) {
            std::vector<std::string> args = common;
            args.insert(args.end(), {"--client", "127.0.0.1:" + std::to_string(port.get())});
            station = std::make_unique<Program>(program, args);
        }
        r = run.get();
        // The receiver's close ends the program.
        summary = station && station->started() ? station->finish() : "";
    } else {
        o.port = freePort();
        std::vector<std::string> args = common;
        args.insert(args.end(), {"--server", std::to_string(o.port)});
        Program station(program, args);
        if (station.started() && waitForServer(o.port)) {
            r = sim::runReceiver(o);
        } else {
            r.error = "corvane-station did not start";
        }
        station.stop();
        summary = station.finish();
    }
    row.messages = r.expected;
    row.rate = r.messagesPerSecond();
    row.median = r.total.latency.median();
    row.p99 = r.total.latency.p99();
    row.versus = Row::Versus::OneFloor;
    const std::uint64_t counted = countedIn(summary);
    row.failed = !r.allGood() || counted != r.expected;
    row.check = (row.failed ? "FAIL answered " : "OK answered ") + std::to_string(r.total.good) +
                "/" + std::to_string(r.expected) + ", counted " + std::to_string(counted);
    if (!r.error.empty()) {
        row.check += " (" + r.error + ")";
    }
    return row;
}

void compareProgramRows(std::vector<Row>& rows) {
    const std::string suffix = kProgramSuffix;
    for (Row& program : rows) {
        if (program.name.size() <= suffix.size() ||
            program.name.compare(program.name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        const std::string inProcess = program.name.substr(0, program.name.size() - suffix.size());
        for (const Row& station : rows) {
            if (station.name != inProcess || station.rate <= 0 || program.rate <= 0) {
                continue;
            }
            const double rate = program.rate / station.rate;
            const double median =
                static_cast<double>(program.median) / static_cast<double>(station.median);
            const double p99 = static_cast<double>(program.p99) / static_cast<double>(station.p99);
            const bool within = rate >= 0.95 && median <= 1.05 && p99 <= 1.05;
            char text[128];
            std::snprintf(text, sizeof text, "; vs in-process %3.0f%% %4.2fx %4.2fx %s", rate * 100,
                          median, p99, within ? "(within 5%)" : "(outside 5%)");
            program.check += text;
        }
    }
}

}  // namespace corvane::bench
