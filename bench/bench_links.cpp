// The links end to end on 127.0.0.1: a headless station (no window) started and stopped through
// doConnect/doDisconnect, with the receiver simulator on the other side of the wire. The machine
// is small and noisy, so the run first measures a bare loopback ping-pong floor (a peer that
// answers each 23-byte message with one byte, blocking sockets, TCP_NODELAY, one message after the
// previous answer) and reports the station against it. Two more floors run the simulator in
// SIA-DCS lockstep against a bare peer that only answers ACK, plain and encrypted (the AES work of
// a station and of the simulator, with no station): what encryption itself costs.
//   - one receiver in lockstep (Client/Sur-Gard, Server/Sur-Gard, Server/SIA-DCS, and
//     Server/SIA-DCS encrypted, also compared with the plain row): rate, median
//     and p99 answer latency, against 90% of the floor's rate, 1.2x its median and 1.5x its p99;
//     the same rows against the corvane-station program, within 5% of the in-process station's;
//   - 64 receivers at once (Server, Sur-Gard and SIA-DCS), against a floor of their own: 64 bare
//     ping-pongs driven the same way, served by one thread as the station serves them (>= 80%);
//   - a pipelined flood of glued messages (Server and Client, Sur-Gard);
//   - the time a stop (doDisconnect) takes, idle and under load, in each mode;
//   - timed answers: 64 receivers in lockstep under the answer script "DELAY 500 ACK" (every
//     answer 500 ms or later, p99 <= 510 ms), and 8 receivers under SIA-DCS "NACK All" (2000 to
//     2010 ms), with the station's CPU use over the run (it must stay near idle while it waits).
// Every run must have each message answered once with a good answer and counted once by the
// msgPro worker; the program exits 1 when one is not. The diagnostic log writes its real file, in
// a temporary directory.
//
// Options (or environment): --messages N (CORVANE_BENCH_MESSAGES) for the floor and lockstep runs,
// --per-receiver N (CORVANE_BENCH_PER_RECEIVER) for each of the 64 receivers, --flood N
// (CORVANE_BENCH_FLOOD) for the floods, --only TEXT to run only the scenarios whose key holds TEXT.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_station.h"
#include "dc09/key_table.h"
#include "link/station_core.h"
#include "links_dc09_floor.h"
#include "links_floor.h"
#include "links_program.h"
#include "links_table.h"
#include "platform/quillet.h"
#include "platform/vexo.h"
#include "receiver/dc09_crypto.h"
#include "receiver/receiver_run.h"
#include "receiver/sim_socket.h"
#include "temporary_state_dir.h"

namespace {

namespace sim = corvane::sim;
using corvane::bench::Floor;
using corvane::bench::measuredBy;
using corvane::bench::measureFloor;
using corvane::bench::measureManyFloor;
using corvane::bench::measureSimulatorFloor;
using corvane::bench::Row;
using corvane::bench::versusFloor;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// ---- settings ---------------------------------------------------------------------------------

struct Settings {
    std::uint64_t messages = 20000;
    std::uint64_t perReceiver = 200;
    std::uint64_t flood = 100000;
    int glue = 16;
    std::string only;  // run only the scenarios whose name holds this text (the floor always runs)
};

std::uint64_t numberFrom(const char* text, std::uint64_t fallback) {
    if (text == nullptr || *text == '\0') {
        return fallback;
    }
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    return *end == '\0' && value > 0 ? value : fallback;
}

bool readSettings(int argc, char** argv, Settings& s) {
    s.messages = numberFrom(std::getenv("CORVANE_BENCH_MESSAGES"), s.messages);
    s.perReceiver = numberFrom(std::getenv("CORVANE_BENCH_PER_RECEIVER"), s.perReceiver);
    s.flood = numberFrom(std::getenv("CORVANE_BENCH_FLOOD"), s.flood);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--only" && i + 1 < argc) {
            s.only = argv[++i];
            continue;
        }
        std::uint64_t* target = arg == "--messages"       ? &s.messages
                                : arg == "--per-receiver" ? &s.perReceiver
                                : arg == "--flood"        ? &s.flood
                                                          : nullptr;
        if (target == nullptr || i + 1 >= argc) {
            std::fprintf(stderr,
                         "usage: bench_links [--messages N] [--per-receiver N] [--flood N] "
                         "[--only TEXT]\n");
            return false;
        }
        *target = numberFrom(argv[++i], *target);
    }
    return true;
}

// ---- the station ------------------------------------------------------------------------------

std::int64_t counted(const corvane::Station& s) {
    return s.m_cidCount.load() + s.m_siaCount.load() + s.m_sgHeartbeatCount.load() +
           s.m_sgPrivateCount.load() + s.m_deviceHeartCount.load();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Starts the simulator against the link: connecting to a server, or listening for a client. The
// link is started here, on the calling thread (the one that stops it later); the simulator runs
// on its own thread.
std::future<sim::RunResult> startAgainst(BenchStation& link, sim::RunOptions options) {
    options.connectTimeoutMs = 10000;
    if (!link.client()) {
        options.listen = false;
        options.port = link.startServer();
        if (options.port == 0) {
            std::promise<sim::RunResult> failed;
            sim::RunResult r;
            r.error = "the server did not start";
            failed.set_value(r);
            return failed.get_future();
        }
        return std::async(std::launch::async, [options] { return sim::runReceiver(options); });
    }
    options.listen = true;
    options.port = 0;
    auto listening = std::make_shared<std::promise<std::uint16_t>>();
    auto port = listening->get_future();
    auto run = std::async(std::launch::async, [options, listening] {
        return sim::runReceiver(options, [&](std::uint16_t p) { listening->set_value(p); });
    });
    // Without a port the simulator failed to listen and returns at once with its error.
    if (port.wait_for(10s) == std::future_status::ready && !link.connectTo(port.get())) {
        std::fprintf(stderr, "the client did not connect\n");
    }
    return run;
}

// Every message answered once with a good answer, and counted once by the worker.
void checkExactlyOnce(BenchStation& link, const sim::RunResult& r, Row& row) {
    const auto sent = static_cast<std::int64_t>(r.total.sent);
    waitUntil([&] { return counted(link.station) >= sent; }, 30s);
    // Two polling periods of the worker more: a message counted twice would show by now.
    std::this_thread::sleep_for(120ms);
    const std::int64_t seen = counted(link.station);
    char text[200];
    std::snprintf(
        text, sizeof text, "answered %llu/%llu, bad %llu, missing %llu, extra %llu, counted %lld",
        static_cast<unsigned long long>(r.total.good), static_cast<unsigned long long>(r.expected),
        static_cast<unsigned long long>(r.total.bad),
        static_cast<unsigned long long>(r.total.missing),
        static_cast<unsigned long long>(r.total.extra), static_cast<long long>(seen));
    row.failed = !r.allGood() || seen != static_cast<std::int64_t>(r.expected);
    row.check = (row.failed ? "FAIL " : "OK ") + std::string(text);
    if (!r.error.empty()) {
        row.check += " (" + r.error + ")";
    }
    for (std::size_t i = 0; i < r.total.badSamples.size() && i < 3; ++i) {
        std::fprintf(stderr, "  %s: connection %d, message %llu: %s\n", row.name.c_str(),
                     r.total.badSamples[i].connection + 1,
                     static_cast<unsigned long long>(r.total.badSamples[i].message),
                     r.total.badSamples[i].text.c_str());
    }
}

sim::Protocol protocolOf(const char* protocol) {
    return std::string(protocol) == "SIA-DCS" ? sim::Protocol::SiaDcs : sim::Protocol::SurGard;
}

// The figures every measured run reports: count, rate, median and p99.
Row rowOf(const std::string& name, const sim::RunResult& r) {
    Row row;
    row.name = name;
    row.messages = r.expected;
    row.rate = r.messagesPerSecond();
    row.median = r.total.latency.median();
    row.p99 = r.total.latency.p99();
    return row;
}

Row measured(const std::string& name, const char* mode, const char* protocol,
             const sim::RunOptions& options, Row::Versus versus,
             const corvane::Dc09Config* dc09 = nullptr) {
    std::printf("running: %s\n", name.c_str());
    std::fflush(stdout);
    BenchStation link(mode, protocol);
    if (dc09 != nullptr) {
        link.station.dc09().replace(*dc09);
    }
    const sim::RunResult r = startAgainst(link, options).get();
    Row row = rowOf(name, r);
    row.versus = versus;
    checkExactlyOnce(link, r, row);
    link.stop();
    return row;
}

Row lockstep(const char* mode, const char* protocol, std::uint64_t messages) {
    sim::RunOptions o;
    o.protocol = protocolOf(protocol);
    o.count = messages;
    return measured(std::string("1 receiver, lockstep: ") + mode + "/" + protocol, mode, protocol,
                    o, Row::Versus::OneFloor);
}

// The same as the plain SIA-DCS lockstep run, with every frame encrypted (AES-128) and answered
// with an encrypted ACK.
const char* const kEncryptedLockstep = "1 receiver, lockstep: Server/SIA-DCS encrypted";

Row encryptedLockstep(std::uint64_t messages) {
    sim::RunOptions o;
    o.protocol = sim::Protocol::SiaDcs;
    o.count = messages;
    const std::string key = "000102030405060708090A0B0C0D0E0F";
    sim::addSimKey(key, o.keys);
    corvane::Dc09Config config;
    config.keys.set("*", *corvane::dc09::readKey(key));
    return measured(kEncryptedLockstep, "Server", "SIA-DCS", o, Row::Versus::OneFloor, &config);
}

const Row* rowNamed(const std::vector<Row>& rows, const std::string& name) {
    for (const Row& row : rows) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

// Encrypted against plain SIA-DCS lockstep in this run (targets >= 90% of the rate and at most
// 1.2x the median latency), and against the encrypted floor: how much of the gap is the
// encryption itself, simulator included.
void compareEncrypted(const std::vector<Row>& rows) {
    const Row* plain = rowNamed(rows, "1 receiver, lockstep: Server/SIA-DCS");
    const Row* encrypted = rowNamed(rows, kEncryptedLockstep);
    const Row* plainFloor = rowNamed(rows, "floor: simulator vs bare SIA-DCS peer");
    const Row* encryptedFloor = rowNamed(rows, "floor: simulator vs bare SIA-DCS peer, encrypted");
    const auto ratios = [](const Row& of, const Row& to) {
        return std::make_pair(of.rate / to.rate,
                              static_cast<double>(of.median) / static_cast<double>(to.median));
    };
    const auto usable = [](const Row* row) {
        return row != nullptr && row->rate > 0 && row->median > 0;
    };
    if (usable(plainFloor) && usable(encryptedFloor)) {
        const auto [rate, median] = ratios(*encryptedFloor, *plainFloor);
        std::printf(
            "encryption in the floors alone (simulator and bare peer): %.0f%% of the plain "
            "floor's rate, %.2fx its median latency\n",
            rate * 100, median);
    }
    if (usable(plain) && usable(encrypted)) {
        const auto [rate, median] = ratios(*encrypted, *plain);
        std::printf(
            "encrypted vs plain SIA-DCS lockstep: %.0f%% of the rate, %.2fx the median "
            "latency (targets >= 90%%, <= 1.2x): %s\n",
            rate * 100, median, rate >= 0.9 && median <= 1.2 ? "met" : "MISSED");
    }
    if (usable(encrypted) && usable(encryptedFloor)) {
        const auto [rate, median] = ratios(*encrypted, *encryptedFloor);
        std::printf(
            "encrypted lockstep vs the encrypted floor: %.0f%% of the rate, %.2fx the median "
            "latency\n",
            rate * 100, median);
    }
}

Row lockstepProgram(const char* mode, const char* protocol, std::uint64_t messages) {
    return corvane::bench::lockstepAgainstProgram(CORVANE_STATION_PROGRAM, mode, protocol,
                                                  messages);
}

Row manyReceivers(const char* protocol, std::uint64_t perReceiver) {
    sim::RunOptions o;
    o.protocol = protocolOf(protocol);
    o.count = perReceiver;
    o.connections = 64;
    return measured(std::string("64 receivers: Server/") + protocol, "Server", protocol, o,
                    Row::Versus::ManyFloor);
}

Row flood(const char* mode, std::uint64_t messages, int glue) {
    sim::RunOptions o;
    o.count = messages;
    o.pipeline = true;
    o.glue = glue;
    o.answerTimeoutMs = 30000;  // a flood queues up: a late answer is still an answer
    return measured(
        std::string("flood, pipelined x") + std::to_string(glue) + ": " + mode + "/Sur-Gard", mode,
        "Sur-Gard", o, Row::Versus::None);
}

// Receivers in lockstep whose every answer the station holds back by `delayMs`: none may come
// early, p99 at most `delayMs` + 10 ms.
Row timedAnswers(const std::string& name, const char* protocol, int connections,
                 std::uint64_t perReceiver, const char* script, sim::Expect expect,
                 std::uint64_t delayMs) {
    std::printf("running: %s\n", name.c_str());
    std::fflush(stdout);
    BenchStation link("Server", protocol);
    if (script != nullptr) {
        if (!link.station.answerScripts().apply(script, "", std::string(protocol) == "SIA-DCS")) {
            std::fprintf(stderr, "the script %s is refused\n", script);
        }
        link.station.answerScripts().setEnabled(true);
    } else {
        link.station.m_responseMode = corvane::ResponseMode::NackAll;
    }
    sim::RunOptions o;
    o.protocol = protocolOf(protocol);
    o.count = perReceiver;
    o.connections = connections;
    o.expectation.expect = expect;
    o.answerTimeoutMs = static_cast<int>(delayMs) + 3000;
    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = Clock::now();
    const sim::RunResult r = startAgainst(link, o).get();
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = processCpuSeconds() - cpuBefore;
    Row row = rowOf(name, r);
    checkExactlyOnce(link, r, row);
    const std::uint64_t earliest = r.total.latency.percentile(1e-9);
    const bool onTime = earliest >= delayMs * 1000 && row.p99 <= (delayMs + 10) * 1000;
    char text[160];
    std::snprintf(text, sizeof text, "; earliest %.1f ms, p99 %.1f ms, CPU %.1f%% of one core",
                  static_cast<double>(earliest) / 1000.0, static_cast<double>(row.p99) / 1000.0,
                  wall > 0 ? 100.0 * cpu / wall : 0.0);
    row.check += text;
    if (!onTime) {
        row.check += " FAIL: outside " + std::to_string(delayMs) + "..+10 ms";
        row.failed = true;
    }
    link.stop();
    return row;
}

// The stop of a link with one receiver connected and silent.
Row stopIdle(const char* mode) {
    std::printf("running: stop idle, %s\n", mode);
    std::fflush(stdout);
    Row row;
    row.name = std::string("stop, idle receiver: ") + mode + "/Sur-Gard";
    BenchStation link(mode, "Sur-Gard");
    std::string error;
    sim::Fd receiver;
    if (link.client()) {
        sim::Fd listener = sim::listenTcp("127.0.0.1", 0, error);
        if (link.connectTo(sim::localPort(listener.get()))) {
            receiver = sim::acceptTcp(listener.get(), 5000, error);
        }
    } else if (const std::uint16_t port = link.startServer(); port != 0) {
        receiver = sim::connectTcp("127.0.0.1", port, 5000, error);
        waitUntil([&] { return link.station.m_connected.load(); }, 10s);
    }
    if (!receiver.valid() || !link.station.m_running) {
        row.check = "FAIL: no link (" + error + ")";
        row.failed = true;
        return row;
    }
    row.stopMs = link.stop();
    char byte = 0;
    const bool closed = sim::receiveSome(receiver.get(), &byte, 1, 2000) < 0;
    row.check = closed ? "OK, the receiver saw the close" : "the receiver did not see a close";
    return row;
}

// The stop of a server that no receiver has connected to.
Row stopServerAlone() {
    std::printf("running: stop, server without receivers\n");
    std::fflush(stdout);
    Row row;
    row.name = "stop, no receiver: Server/Sur-Gard";
    BenchStation link("Server", "Sur-Gard");
    if (link.startServer() == 0) {
        row.check = "FAIL: the server did not start";
        row.failed = true;
        return row;
    }
    row.stopMs = link.stop();
    row.check = link.core.server().m_listenSocket == Vexo_InvalidSocket
                    ? "OK, listening socket closed"
                    : "listening socket still open";
    return row;
}

// The stop of a link while one receiver floods it.
Row stopUnderLoad(const char* mode, int glue) {
    std::printf("running: stop under load, %s\n", mode);
    std::fflush(stdout);
    Row row;
    row.name = std::string("stop, under a flood: ") + mode + "/Sur-Gard";
    BenchStation link(mode, "Sur-Gard");
    std::atomic<bool> cancel{false};
    sim::RunOptions o;
    o.count = 100'000'000;  // more than fits in the time; the stop ends it
    o.pipeline = true;
    o.glue = glue;
    o.answerTimeoutMs = 2000;
    o.cancel = &cancel;
    auto run = startAgainst(link, o);
    // Once the worker is busy counting, the stop comes in the middle of the traffic.
    const bool loaded = waitUntil([&] { return counted(link.station) >= 5000; }, 15s);
    if (loaded && link.station.m_running) {
        row.stopMs = link.stop();
    }
    const bool ended = run.wait_for(10s) == std::future_status::ready;
    cancel = true;  // ends the simulator if the stop did not close its connection
    const sim::RunResult r = run.get();
    if (!loaded) {
        row.check = "FAIL: no load reached the station";
        row.failed = true;
    } else {
        row.messages = r.total.answered;
        row.check = ended ? "OK, the receiver saw the close after " +
                                std::to_string(r.total.answered) + " answers"
                          : "the receiver's connection stayed open after the stop";
    }
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!readSettings(argc, argv, settings)) {
        return 2;
    }
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    std::printf(
        "Corvane links on 127.0.0.1: %llu messages per lockstep run, %llu per receiver "
        "(64 receivers), floods of %llu, %u CPU(s)\n",
        static_cast<unsigned long long>(settings.messages),
        static_cast<unsigned long long>(settings.perReceiver),
        static_cast<unsigned long long>(settings.flood), std::thread::hardware_concurrency());

    std::vector<Row> rows(1);
    std::printf("running: floor\n");
    const Floor floor = measureFloor(settings.messages, rows[0]);
    rows.push_back(measureSimulatorFloor(settings.messages));
    if (std::string("lockstep Server/SIA-DCS encrypted").find(settings.only) != std::string::npos) {
        rows.push_back(corvane::bench::measureDc09Floor(settings.messages, false));
        rows.push_back(corvane::bench::measureDc09Floor(settings.messages, true));
    }
    const auto selected = [&](const std::string& key) {
        return key.find(settings.only) != std::string::npos;
    };
    const bool many = selected("64 Server/Sur-Gard") || selected("64 Server/SIA-DCS");
    Floor manyFloor;
    if (many) {
        std::printf("running: floor, 64 receivers\n");
        rows.emplace_back();
        manyFloor = measureManyFloor(64, settings.perReceiver, rows.back());
    }
    const std::vector<std::pair<std::string, std::function<Row()>>> scenarios = {
        {"lockstep Client/Sur-Gard",
         [&] { return lockstep("Client", "Sur-Gard", settings.messages); }},
        {"lockstep Server/Sur-Gard",
         [&] { return lockstep("Server", "Sur-Gard", settings.messages); }},
        {"lockstep Server/SIA-DCS",
         [&] { return lockstep("Server", "SIA-DCS", settings.messages); }},
        {"lockstep Server/SIA-DCS encrypted", [&] { return encryptedLockstep(settings.messages); }},
        {"lockstep Client/Sur-Gard corvane-station",
         [&] { return lockstepProgram("Client", "Sur-Gard", settings.messages); }},
        {"lockstep Server/Sur-Gard corvane-station",
         [&] { return lockstepProgram("Server", "Sur-Gard", settings.messages); }},
        {"lockstep Server/SIA-DCS corvane-station",
         [&] { return lockstepProgram("Server", "SIA-DCS", settings.messages); }},
        {"64 Server/Sur-Gard", [&] { return manyReceivers("Sur-Gard", settings.perReceiver); }},
        {"64 Server/SIA-DCS", [&] { return manyReceivers("SIA-DCS", settings.perReceiver); }},
        {"flood Server/Sur-Gard", [&] { return flood("Server", settings.flood, settings.glue); }},
        {"flood Client/Sur-Gard", [&] { return flood("Client", settings.flood, settings.glue); }},
        {"stop idle Client", [] { return stopIdle("Client"); }},
        {"stop idle Server", [] { return stopIdle("Server"); }},
        {"stop alone Server", [] { return stopServerAlone(); }},
        {"stop load Client", [&] { return stopUnderLoad("Client", settings.glue); }},
        {"stop load Server", [&] { return stopUnderLoad("Server", settings.glue); }},
        {"timed 64 Server/Sur-Gard DELAY 500",
         [] {
             return timedAnswers("64 receivers, lockstep, DELAY 500 ACK: Server/Sur-Gard",
                                 "Sur-Gard", 64, 10, "DELAY 500 ACK", sim::Expect::Ack, 500);
         }},
        {"timed 8 Server/SIA-DCS NACK All",
         [] {
             return timedAnswers("8 receivers, lockstep, NACK All: Server/SIA-DCS", "SIA-DCS", 8, 3,
                                 nullptr, sim::Expect::Nack, 2000);
         }},
    };
    for (const auto& [key, run] : scenarios) {
        if (selected(key)) {
            rows.push_back(run());
        }
    }
    // The same floors once more: how far the machine itself drifted during the run.
    if (many) {
        std::printf("running: floor again, 64 receivers\n");
        rows.emplace_back();
        const Floor manyAfter = measureManyFloor(64, settings.perReceiver, rows.back());
        rows.back().name += ", again";
        rows.back().versusFloor =
            versusFloor(manyAfter.rate > manyFloor.rate ? manyAfter : manyFloor, manyAfter);
        manyFloor = manyAfter.rate > manyFloor.rate ? manyAfter : manyFloor;
    }
    std::printf("running: floor again\n");
    Row closing;
    const Floor after = measureFloor(settings.messages, closing);
    closing.name = "floor again, at the end";
    rows.push_back(closing);
    // A burst of noise can only slow a floor down: the faster of the two is the machine's, and
    // the stricter reference.
    const Floor reference = after.rate > floor.rate ? after : floor;
    for (Row& row : rows) {
        if (row.versus == Row::Versus::OneFloor) {
            row.versusFloor =
                versusFloor(reference, measuredBy(row), corvane::bench::kLockstepTargets);
        } else if (row.versus == Row::Versus::ManyFloor) {
            row.versusFloor = versusFloor(manyFloor, measuredBy(row), corvane::bench::kManyTargets);
        }
    }
    corvane::bench::compareProgramRows(rows);
    rows.front().versusFloor = versusFloor(reference, floor);
    rows.back().versusFloor = versusFloor(reference, after);

    printTable(rows);
    std::printf(
        "\nvs floor: answered rate, median and p99 latency against the faster of the two bare "
        "ping-pong floors (one receiver: targets >= 90%%, <= 1.2x, <= 1.5x; 64 receivers, "
        "against the 64-pair floor: >= 80%%).\n");

    compareEncrypted(rows);

    bool failed = false;
    for (const Row& row : rows) {
        failed = failed || row.failed;
    }
    if (failed) {
        std::printf("FAILED: a message was lost, answered badly or counted other than once.\n");
    }
    return failed ? 1 : 0;
}
