// corvane-station end to end: the program itself against the receiver simulator on 127.0.0.1.
// The summary and the exit status for met and missed expectations, a link that cannot start,
// a SIGTERM in the middle of a flood that still counts every answered message, an encrypted
// SIA-DCS server with keys and an export, and a scripted retry test.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "receiver/receiver_run.h"
#include "receiver/retry_run.h"
#include "receiver/sim_socket.h"

extern char** environ;

namespace corvane {
namespace {

namespace sim = corvane::sim;

// One run of the program; `onOutput` may signal it while it runs.
struct Finished {
    int exitCode = -1;
    std::string out;  // standard output and standard error
};

Finished runProgram(std::vector<std::string> args,
                    const std::function<void(pid_t, const std::string&)>& onOutput = {}) {
    args.insert(args.begin(), CORVANE_STATION_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    Finished done;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd readable{out[0], POLLIN, 0};
        if (poll(&readable, 1, 1000) <= 0) {
            continue;
        }
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        done.out.append(buffer, static_cast<std::size_t>(got));
        if (onOutput) {
            onOutput(pid, done.out);
        }
    }
    close(out[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        done.exitCode = WEXITSTATUS(status);
    }
    return done;
}

// The simulator listens on a free port; the program, in Client mode, connects to it.
struct ClientRun {
    Finished station;
    sim::RunResult receiver;
};

ClientRun clientRun(sim::RunOptions o, std::vector<std::string> args,
                    const std::function<void(pid_t, const std::string&)>& onOutput = {}) {
    o.listen = true;
    o.port = 0;
    o.connectTimeoutMs = 10000;
    auto listening = std::make_shared<std::promise<std::uint16_t>>();
    auto port = listening->get_future();
    auto receiver = std::async(std::launch::async, [o, listening] {
        return sim::runReceiver(o, [&](std::uint16_t p) { listening->set_value(p); });
    });
    ClientRun run;
    if (port.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
        args.insert(args.end(), {"--protocol", "sur-gard", "--client",
                                 "127.0.0.1:" + std::to_string(port.get())});
        run.station = runProgram(args, onOutput);
    }
    run.receiver = receiver.get();
    return run;
}

TEST(StationRun, SummaryAndExitStatusAgainstTheSimulator) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        sim::Expect answer;
        int exit;
        std::vector<std::string> lines;  // in the output
    };
    const Case cases[] = {
        {"AckAllExpectMet",
         {"--quiet", "--expect", "heartbeat=10,cid=8,device-heart=2,sia=10,private=10,unknown=0"},
         sim::Expect::Ack,
         0,
         {"summary: 40 messages in ", "stopped by link drop",
          "kinds: cid=8 sia=10 heartbeat=10 private=10 device-heart=2 unknown=0 error=0 "
          "undecryptable=0",
          "answers: ACK=40\n", "receivers: connections=1 127.0.0.1=40\n", "result: ok\n"}},
        {"NackAllExpectMissed",
         {"--quiet", "--policy", "nack-all", "--expect", "cid=10"},
         sim::Expect::Nack,
         1,
         {"answers: NACK=40\n", "expect: cid=10 MISSED (counted 8)\n",
          "result: expectation missed\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::RunOptions o;
        o.count = 40;
        o.kinds = {sim::Kind::Heartbeat, sim::Kind::Cid, sim::Kind::Sia, sim::Kind::Private};
        o.expectation = {c.answer, 0};
        const ClientRun run = clientRun(o, c.args);
        EXPECT_TRUE(run.receiver.allGood()) << run.receiver.error;
        EXPECT_EQ(run.station.exitCode, c.exit) << run.station.out;
        for (const std::string& line : c.lines) {
            EXPECT_NE(run.station.out.find(line), std::string::npos) << line << "\n"
                                                                     << run.station.out;
        }
    }
}

TEST(StationRun, JsonEventsReadByAParser) {
    sim::RunOptions o;
    o.count = 40;
    o.kinds = {sim::Kind::Heartbeat, sim::Kind::Cid, sim::Kind::Sia, sim::Kind::Private};
    const ClientRun run = clientRun(o, {"--json", "--max-messages", "40"});
    ASSERT_EQ(run.station.exitCode, 0) << run.station.out;
    std::istringstream lines(run.station.out);
    std::vector<nlohmann::json> events;
    for (std::string line; std::getline(lines, line);) {
        events.push_back(nlohmann::json::parse(line));  // every line one object
        const nlohmann::json& e = events.back();
        EXPECT_EQ(e.at("schema"), 1) << line;
        EXPECT_TRUE(std::regex_match(e.at("time").get<std::string>(),
                                     std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z)")))
            << line;
    }
    ASSERT_GE(events.size(), 43U);
    EXPECT_EQ(events.front().at("type"), "connected");
    EXPECT_EQ(events[events.size() - 3].at("type"), "lost");
    EXPECT_EQ(events[events.size() - 3].at("connection"), events.front().at("connection"));
    EXPECT_EQ(events[events.size() - 2].at("type"), "stopped");
    EXPECT_EQ(events.back().at("type"), "summary");
    EXPECT_EQ(events.back().at("messages"), 40);
    std::uint64_t sequence = 0;
    for (const nlohmann::json& e : events) {
        if (e.at("type") != "message") {
            continue;
        }
        EXPECT_EQ(e.at("sequence"), ++sequence);
        EXPECT_EQ(e.at("connection"), events.front().at("connection"));
        EXPECT_EQ(e.at("peer"), events.front().at("peer"));
        EXPECT_EQ(e.at("answer_word"), "ACK");
        EXPECT_TRUE(e.at("latency_us").is_number() && e.at("answer_step").is_null());
        EXPECT_TRUE(e.at("events").is_array() && e.at("meaning").is_string());
        if (e.at("kind") == "SIA" || e.at("kind") == "CID") {
            EXPECT_FALSE(e.at("account").get<std::string>().empty()) << e.dump();
            EXPECT_EQ(e.at("events").size(), 1U) << e.dump();
        }
        EXPECT_FALSE(e.at("raw_hex").get<std::string>().empty());
    }
    EXPECT_EQ(sequence, 40U);
}

// --server 0: the line that says where, also with --quiet, as text or as a JSON event.
TEST(StationRun, ServerOnAnyFreePortSaysWhereItListens) {
    for (const bool json : {false, true}) {
        std::vector<std::string> args = {"--protocol", "sur-gard",  "--server", "0",
                                         "--bind",     "127.0.0.1", "--quiet"};
        if (json) {
            args.emplace_back("--json");
        }
        std::string first;
        const Finished run = runProgram(args, [&](pid_t pid, const std::string& out) {
            if (first.empty() && out.find('\n') != std::string::npos) {
                first = out.substr(0, out.find('\n'));
                kill(pid, SIGTERM);
            }
        });
        EXPECT_EQ(run.exitCode, 0) << run.out;
        int port = 0;
        if (json) {
            const nlohmann::json e = nlohmann::json::parse(first);
            EXPECT_EQ(e.at("type"), "listening");
            EXPECT_EQ(e.at("address"), "127.0.0.1");
            port = e.at("port").get<int>();
        } else {
            ASSERT_EQ(first.rfind("listening on 127.0.0.1:", 0), 0U) << first;
            port = std::stoi(first.substr(first.rfind(':') + 1));
        }
        EXPECT_GT(port, 0) << first;
    }
}

TEST(StationRun, LinkThatCannotStartExitsThree) {
    std::string error;
    const sim::Fd taken = sim::listenTcp("0.0.0.0", 0, error);
    ASSERT_TRUE(taken.valid()) << error;
    const std::string busy = std::to_string(sim::localPort(taken.get()));
    for (const char* protocol : {"sur-gard", "sia-dcs"}) {
        const Finished run = runProgram({"--protocol", protocol, "--server", busy});
        EXPECT_EQ(run.exitCode, 3) << protocol;
        EXPECT_EQ(run.out, "corvane-station: cannot listen on 0.0.0.0:" + busy +
                               ": Address already in use\n");
    }
    // Nothing listens on a port once its socket is closed: the connection is refused.
    sim::Fd gone = sim::listenTcp("127.0.0.1", 0, error);
    const std::string port = std::to_string(sim::localPort(gone.get()));
    gone.reset();
    const Finished run = runProgram({"--protocol", "sur-gard", "--client", "127.0.0.1:" + port});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out,
              "corvane-station: cannot connect to 127.0.0.1:" + port + ": Connection refused\n");
}

TEST(StationRun, SigtermDuringAFloodCountsEveryAnsweredMessage) {
    std::atomic<bool> cancel{false};
    sim::RunOptions o;
    o.count = 100'000'000;  // the signal ends the run
    o.pipeline = true;
    o.glue = 8;
    o.answerTimeoutMs = 5000;
    o.cancel = &cancel;
    bool sent = false;
    const ClientRun run =
        clientRun(o, {"--heartbeat-interval", "0"}, [&](pid_t pid, const std::string& out) {
            if (!sent && std::count(out.begin(), out.end(), '\n') > 2000) {
                kill(pid, SIGTERM);
                sent = true;
            }
        });
    cancel = true;
    ASSERT_TRUE(sent);
    EXPECT_EQ(run.station.exitCode, 0);
    const std::string& out = run.station.out;
    EXPECT_NE(out.find("stopped by SIGTERM"), std::string::npos);
    const auto at = out.find("summary: ");
    ASSERT_NE(at, std::string::npos)
        << out.substr(out.size() - std::min<std::size_t>(out.size(), 500));
    const std::uint64_t counted = std::stoull(out.substr(at + 9));
    // Every answer the receiver got was counted. It may have got fewer than were sent: the stop
    // resets a connection that still holds unread messages, and the reset discards answers in
    // flight.
    EXPECT_GE(counted, run.receiver.total.answered);
    // Each message's answer left or is counted unsent (the stop can catch answers still queued
    // for a receiver that had stopped reading).
    const auto answers = out.find("answers: ACK=");
    ASSERT_NE(answers, std::string::npos) << out.substr(at);
    const std::string line = out.substr(answers, out.find('\n', answers) - answers);
    const std::uint64_t acked = std::stoull(line.substr(13));
    const auto unsentAt = line.find(" unsent=");
    const std::uint64_t unsent =
        unsentAt == std::string::npos ? 0 : std::stoull(line.substr(unsentAt + 8));
    EXPECT_EQ(acked + unsent, counted) << line;
    EXPECT_GE(acked, run.receiver.total.answered) << line;
}

TEST(StationRun, EncryptedSiaDcsServerWithKeysExportsEveryRecord) {
    const std::string key = "00112233445566778899AABBCCDDEEFF";
    const std::string keys = testing::TempDir() + "station_run_keys.txt";
    const std::string exported = testing::TempDir() + "station_run_out.jsonl";
    std::ofstream(keys) << "# any account\n*," << key << "\n";
    std::remove(exported.c_str());
    std::string error;
    sim::Fd probe = sim::listenTcp("127.0.0.1", 0, error);
    ASSERT_TRUE(probe.valid()) << error;
    sim::RunOptions o;
    o.protocol = sim::Protocol::SiaDcs;
    o.port = sim::localPort(probe.get());
    probe.reset();  // the station listens there next
    o.kinds = {sim::Kind::Dc09};
    o.count = 5;
    o.connectTimeoutMs = 10000;
    ASSERT_TRUE(sim::addSimKey(key, o.keys));
    std::future<sim::RunResult> receiver;
    const Finished station = runProgram(
        {"--protocol", "sia-dcs", "--server", std::to_string(o.port), "--keys", keys, "--duration",
         "30", "--max-messages", "5", "--expect", "sia=5,undecryptable=0", "--export", exported},
        [&](pid_t, const std::string& out) {
            if (!receiver.valid() && out.find("Server Start!") != std::string::npos) {
                receiver = std::async(std::launch::async, [o] { return sim::runReceiver(o); });
            }
        });
    ASSERT_TRUE(receiver.valid()) << station.out;
    const sim::RunResult sent = receiver.get();
    EXPECT_TRUE(sent.allGood()) << sent.error;  // every ACK an encrypted one
    EXPECT_EQ(station.exitCode, 0) << station.out;
    std::ifstream in(exported);
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        lines += line.find("\"kind\":\"SIA\"") != std::string::npos ? 1 : 100;
    }
    EXPECT_EQ(lines, 5);
    std::remove(keys.c_str());
    std::remove(exported.c_str());
}

TEST(StationRun, ScriptedRetriesAreAcknowledgedOnTheThirdAttempt) {
    sim::RunOptions o;
    o.listen = true;
    o.kinds = {sim::Kind::Cid};
    o.count = 2;  // a Contact ID alarm, then a periodic test (a device heartbeat)
    o.retrying = true;
    o.connectTimeoutMs = 10000;
    auto listening = std::make_shared<std::promise<std::uint16_t>>();
    auto port = listening->get_future();
    auto receiver = std::async(std::launch::async, [o, listening] {
        return sim::runRetrying(o, [&](std::uint16_t p) { listening->set_value(p); });
    });
    ASSERT_EQ(port.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const Finished station =
        runProgram({"--protocol", "sur-gard", "--client", "127.0.0.1:" + std::to_string(port.get()),
                    "--script", "NACK*2, ACK", "--expect", "cid=3,device-heart=3"});
    const sim::RetryResult retried = receiver.get();
    ASSERT_EQ(retried.messages.size(), 2U) << retried.error;
    for (const sim::MessageOutcome& m : retried.messages) {
        EXPECT_TRUE(m.acknowledged);
        EXPECT_EQ(m.attempts, 3);
    }
    EXPECT_EQ(station.exitCode, 0) << station.out;
    EXPECT_NE(station.out.find("Answer script started: NACK*2, ACK"), std::string::npos);
    EXPECT_NE(station.out.find("answers: ACK=2 NACK=4\n"), std::string::npos) << station.out;
    EXPECT_NE(station.out.find("stopped by link drop"), std::string::npos);
}

// Without supervision, a receiver that sends 70 KiB with no terminator and stays connected stops
// the client link at once, named as the overflow it is.
TEST(StationRun, AnOverflowStopsAnUnsupervisedClientLinkAtOnce) {
    std::string error;
    sim::Fd listener = sim::listenTcp("127.0.0.1", 0, error);
    ASSERT_TRUE(listener.valid()) << error;
    const std::uint16_t port = sim::localPort(listener.get());
    auto receiver = std::async(std::launch::async, [&] {
        sim::Fd connection = sim::acceptTcp(listener.get(), 10000, error);
        const std::string endless(70 * 1024, 'A');
        sim::sendAll(connection.get(), endless.data(), endless.size(), 10000);
        char byte = 0;
        return sim::receiveSome(connection.get(), &byte, 1, 10000);  // -1 once the station closes
    });
    const Finished station =
        runProgram({"--protocol", "sur-gard", "--client", "127.0.0.1:" + std::to_string(port),
                    "--heartbeat-interval", "0", "--duration", "20"});
    EXPECT_EQ(receiver.get(), -1);
    EXPECT_NE(station.out.find("stopped by link drop (overflow)"), std::string::npos)
        << station.out;
}

}  // namespace
}  // namespace corvane
