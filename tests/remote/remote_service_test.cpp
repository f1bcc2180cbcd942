// The metrics and control service through a real HTTP client on 127.0.0.1: each endpoint's status
// and body, the token rule, the limits, a busy port, /metrics as promtool reads it, and an answers
// change in the middle of a 64-receiver lockstep run while 100 clients poll the records, and the
// event stream.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "../link/server_harness.h"
#include "link/station_core.h"
#include "platform/vexo.h"
#include "receiver/progress_line.h"
#include "receiver/receiver_run.h"
#include "record/message_records.h"
#include "remote/event_fan_out.h"
#include "remote/remote_service.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

const remote::Endpoint kAnyPort{"127.0.0.1", 0};

struct Service {
    explicit Service(Protocol protocol, remote::RemoteOptions options = {kAnyPort, kAnyPort, {}}) {
        core.station().m_protocol = protocol;
        service = std::make_unique<remote::RemoteService>(
            core.station(), watch, remote::ControlHooks{{}, [this] { ++stops; }, {}});
        started = service->start(options);
    }
    httplib::Client client() const { return httplib::Client("127.0.0.1", service->controlPort()); }

    StationCore core;
    remote::LinkWatch watch;
    std::atomic<int> stops{0};
    std::unique_ptr<remote::RemoteService> service;
    Result<void> started = {};
};

httplib::Result call(httplib::Client& c, const std::string& method, const std::string& path,
                     const std::string& body = "{}", const httplib::Headers& headers = {}) {
    if (method == "GET") {
        return c.Get(path, headers);
    }
    if (method == "PUT") {
        return c.Put(path, headers, body, "application/json");
    }
    return c.Post(path, headers, body, "application/json");
}

TEST(RemoteService, EachEndpointAnswersWithItsStatusAndBody) {
    Service s(Protocol::SiaDcs);
    ASSERT_TRUE(s.started) << s.started.error().text();
    const std::string exported = (fs::temp_directory_path() / "corvane_remote_test.jsonl").string();
    struct Case {
        const char* method;
        std::string path;
        std::string body;
        int status;
        std::string contains;
    };
    const Case cases[] = {
        {"GET", "/v1/status", "", 200, R"("link":"idle")"},
        {"PUT", "/v1/answers", R"({"policy":"nack-all"})", 200, R"("policy":"nack-all")"},
        {"PUT", "/v1/answers", R"({"policy":"ack-some"})", 400, "unknown policy"},
        {"PUT", "/v1/answers", R"({"script":"ACK, FOO"})", 400, "script: position 6"},
        {"PUT", "/v1/answers", R"({"policy":"custom-all","custom":""})", 400, "needs a custom"},
        {"PUT", "/v1/answers", "{\"policy\":", 400, "not JSON"},
        {"PUT", "/v1/answers", R"({"colour":"red"})", 400, R"(unknown field \"colour\")"},
        {"GET", "/v1/answers", "", 405, "takes PUT"},
        {"PUT", "/v1/dc09", R"({"time_window":{"past":40,"future":20},"undecryptable":"nak"})", 200,
         R"("time_window":{"past":40,"future":20},"dc09_words":false,"undecryptable":"nak")"},
        {"PUT", "/v1/dc09", R"({"keys":"00112233445566778899AABBCCDDEEFF"})", 400,
         R"(unknown field \"keys\")"},
        {"PUT", "/v1/dc09", R"({"keys_file":"/nonexistent/keys"})", 400, "keys_file"},
        {"POST", "/v1/export", R"({"path":"records.txt"})", 400, ".csv or .jsonl"},
        {"POST", "/v1/export", R"({"path":")" + exported + R"("})", 200, R"("records":0)"},
        {"GET", "/v1/records?after=0&limit=5", "", 200, ""},
        {"GET", "/v1/records?after=x", "", 400, "whole numbers"},
        {"GET", "/v1/nothing", "", 404, "no such endpoint"},
        {"GET", "/metrics", "", 200, "corvane_answer_latency_seconds_bucket{le=\"1e-05\"}"},
        {"POST", "/v1/stop", "", 202, R"("stopping":true)"},
        {"PUT", "/v1/answers", std::string(70 * 1024, ' '), 413, "64 KiB"},
    };
    httplib::Client c = s.client();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.method + (" " + k.path));
        const auto res = call(c, k.method, k.path, k.body);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, k.status) << res->body;
        EXPECT_NE(res->body.find(k.contains), std::string::npos) << res->body;
    }
    // What was refused changed nothing; what was taken is in force.
    EXPECT_EQ(s.core.station().m_responseMode.load(), ResponseMode::NackAll);
    EXPECT_EQ(s.core.station().answerScripts().current(), nullptr);
    EXPECT_TRUE(s.core.station().dc09().current()->timeWindowOn);
    EXPECT_EQ(s.stops.load(), 1);
    fs::remove(exported);
}

TEST(RemoteService, TokenRuleAndRefusals) {
    const std::string tokenFile = (fs::temp_directory_path() / "corvane_remote_token").string();
    std::ofstream(tokenFile) << "s3cret-Token\n";
    Service s(Protocol::SurGard, {std::nullopt, kAnyPort, tokenFile});
    ASSERT_TRUE(s.started) << s.started.error().text();
    httplib::Client c = s.client();
    const std::map<std::string, int> byAuthorization = {
        {"", 401}, {"Bearer wrong", 401}, {"s3cret-Token", 401}, {"Bearer s3cret-Token", 200}};
    for (const auto& [authorization, status] : byAuthorization) {
        httplib::Headers headers;
        if (!authorization.empty()) {
            headers.emplace("Authorization", authorization);
        }
        const auto res = c.Get("/v1/status", headers);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, status) << authorization;
    }
    EXPECT_EQ(c.Get("/metrics", {{"Authorization", "Bearer s3cret-Token"}})->status, 404)
        << "metrics were not asked for";

    // Off loopback without a token; a port that is taken.
    EXPECT_NE(remote::refusalOf({std::nullopt, remote::Endpoint{"0.0.0.0", 9100}, {}}), "");
    Service busy(Protocol::SurGard,
                 {remote::Endpoint{"127.0.0.1", s.service->controlPort()}, std::nullopt, {}});
    ASSERT_FALSE(busy.started);
    EXPECT_EQ(busy.started.error().why, "Address already in use");
    fs::remove(tokenFile);
}

TEST(RemoteService, PromtoolReadsTheMetrics) {
    if (std::system("command -v promtool >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "promtool is not installed (Debian: prometheus)";
    }
    Service s(Protocol::SiaDcs);
    ASSERT_TRUE(s.started);
    const std::string file = (fs::temp_directory_path() / "corvane_metrics.txt").string();
    std::ofstream(file) << s.service->metricsText();
    EXPECT_EQ(std::system(("promtool check metrics < " + file).c_str()), 0);
    fs::remove(file);
}

// Two clients change different DC-09 settings at once: neither undoes the other's change.
TEST(RemoteService, ChangesAtOnceKeepEachOther) {
    Service s(Protocol::SiaDcs);
    ASSERT_TRUE(s.started);
    constexpr int kRounds = 200;
    std::atomic<bool> done{false};
    std::thread words([&] {
        httplib::Client c = s.client();
        for (int i = 0; !done; ++i) {
            c.Put("/v1/dc09",
                  i % 2 == 0 ? R"({"undecryptable":"nak"})" : R"({"undecryptable":"none"})",
                  "application/json");
        }
    });
    httplib::Client c = s.client();
    int undone = 0;
    for (int past = 1; past <= kRounds; ++past) {
        c.Put("/v1/dc09", R"({"time_window":{"past":)" + std::to_string(past) + R"(,"future":5}})",
              "application/json");
        // Only this client changes the window: it must still be what it set.
        const auto now = nlohmann::json::parse(c.Put("/v1/dc09", "{}", "application/json")->body);
        undone += now["time_window"]["past"] != past ? 1 : 0;
    }
    done = true;
    words.join();
    EXPECT_EQ(undone, 0);
}

// A subscriber that falls behind is dropped; the publisher never waits for it. Events are
// wanted while someone subscribes.
TEST(RemoteService, EventFeedDropsASlowSubscriber) {
    remote::EventFeed feed;
    remote::EventFanOut sinks;
    sinks.add(&feed);
    EXPECT_FALSE(sinks.listened());
    const auto slow = feed.subscribe(2);
    const auto keen = feed.subscribe(8);
    for (const char* line : {"a", "b", "c"}) {
        feed.publish(line);
    }
    EXPECT_TRUE(slow->closed());
    EXPECT_FALSE(slow->next(std::chrono::milliseconds(0)));
    EXPECT_EQ(keen->next(std::chrono::milliseconds(0)), "a");
    EXPECT_EQ(feed.subscribers(), 1U);
    EXPECT_TRUE(sinks.listened());
    feed.unsubscribe(keen);
    EXPECT_FALSE(feed.listened());
}

// Events arrive as they are published; a client that goes mid-stream is let go; streams have
// their own bound and leave threads for the other requests.
TEST(RemoteService, EventStreamServesListenersAndLetsThemGo) {
    Vexo_InitEx();
    Service s(Protocol::SurGard, {kAnyPort, kAnyPort, {}, std::chrono::milliseconds(20)});
    ASSERT_TRUE(s.started);
    remote::EventFeed& feed = s.service->events();
    std::promise<std::vector<nlohmann::json>> received;
    std::thread listener([&] {
        std::string text;
        std::vector<nlohmann::json> events;
        httplib::Client c = s.client();
        c.Get("/v1/events", [&](const char* data, std::size_t size) {
            text.append(data, size);
            for (auto end = text.find("\n\n"); end != std::string::npos; end = text.find("\n\n")) {
                const std::string frame = text.substr(0, end);
                text.erase(0, end + 2);
                if (frame.starts_with("event: ")) {
                    const auto at = frame.find("\ndata: ");
                    events.push_back(nlohmann::json::parse(frame.substr(at + 7)));
                    events.back()["event"] = frame.substr(7, at - 7);
                }
            }
            return events.size() < 2;  // then closes the connection mid-stream
        });
        received.set_value(events);
    });
    ASSERT_TRUE(test::waitUntil([&] { return feed.subscribers() == 1; }));
    events::EventSink& sink = feed;
    sink.publish("stopped", events::eventJson(events::Stopped{1, "duration"}));
    sink.publish("lost", events::eventJson(events::Lost{2, 7, "127.0.0.1:4000"}));
    const std::vector<nlohmann::json> events = received.get_future().get();
    listener.join();
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0]["event"], "stopped");
    EXPECT_EQ(events[0]["cause"], "duration");
    EXPECT_EQ(events[1]["event"], "lost");
    EXPECT_EQ(events[1]["connection"], 7);
    EXPECT_TRUE(test::waitUntil([&] { return feed.subscribers() == 0; }))
        << "the closed stream stays";

    std::vector<std::thread> streams;
    const int port = s.service->controlPort();  // read before stop() clears it
    for (std::size_t i = 0; i < remote::HttpServer::kMaxStreams; ++i) {
        streams.emplace_back([port] { httplib::Client("127.0.0.1", port).Get("/v1/events"); });
    }
    ASSERT_TRUE(
        test::waitUntil([&] { return feed.subscribers() == remote::HttpServer::kMaxStreams; }));
    httplib::Client c = s.client();
    EXPECT_EQ(c.Get("/v1/events")->status, 503);
    EXPECT_EQ(c.Get("/v1/status")->status, 200);
    EXPECT_EQ(c.Get("/metrics")->status, 200);
    EXPECT_EQ(c.Post("/v1/events", "", "text/plain")->status, 405);
    s.service->stop();  // every stream ends
    for (std::thread& stream : streams) {
        stream.join();
    }
}

// Answers go from ACK to NACK at one point of each connection: none twice, none lost.
TEST(RemoteService, AnswersChangeInALockstepRunWhileRecordsArePolled) {
    Service s(Protocol::SurGard, {std::nullopt, kAnyPort, {}});
    ASSERT_TRUE(s.started);
    Vexo_InitEx();
    Station& station = s.core.station();
    station.m_mode = LinkMode::Server;
    station.m_heartbeatInterval = 0;
    for (int attempt = 0; attempt < 5 && !station.m_running; ++attempt) {
        station.m_port = test::freePort();
        s.core.control().doConnect();
    }
    ASSERT_TRUE(station.m_running);
    const int descriptors = test::openDescriptorCount();

    sim::RunOptions o;
    o.protocol = sim::Protocol::SurGard;
    o.port = static_cast<std::uint16_t>(station.m_port);
    o.connections = 64;
    o.count = 300;
    sim::RunProgress progress;
    o.progress = &progress;
    auto run = std::async(std::launch::async, [o] { return sim::runReceiver(o); });
    std::atomic<bool> polling{true};
    std::vector<std::thread> pollers;
    for (int i = 0; i < 100; ++i) {
        pollers.emplace_back([&] {
            httplib::Client c = s.client();
            while (polling) {
                c.Get("/v1/records?after=0&limit=100");
            }
        });
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (progress.sent < 64 * 50 && std::chrono::steady_clock::now() < limit) {
        std::this_thread::yield();
    }
    httplib::Client c = s.client();
    EXPECT_EQ(c.Put("/v1/answers", R"({"policy":"nack-all"})", "application/json")->status, 200);
    const sim::RunResult result = run.get();
    polling = false;
    for (std::thread& poller : pollers) {
        poller.join();
    }
    s.core.control().doDisconnect();
    while (s.core.worker().processQueuedMessages()) {
    }
    EXPECT_EQ(result.total.answered, 19200U);
    EXPECT_EQ(result.total.missing + result.total.extra, 0U);

    std::map<std::uint64_t, std::vector<AnswerWord>> byConnection;
    for (const MessageRecord& r : station.records().copyRange(0, 20000)) {
        byConnection[r.connection].push_back(r.answerWord);
    }
    ASSERT_EQ(byConnection.size(), 64U);
    std::size_t acks = 0;
    std::size_t nacks = 0;
    for (const auto& [connection, words] : byConnection) {
        const auto firstNack = std::find(words.begin(), words.end(), AnswerWord::Nack);
        acks += static_cast<std::size_t>(std::count(words.begin(), firstNack, AnswerWord::Ack));
        nacks += static_cast<std::size_t>(std::count(firstNack, words.end(), AnswerWord::Nack));
    }
    EXPECT_EQ(acks + nacks, 19200U) << "every ACK before every NACK, on each connection";
    EXPECT_GT(acks, 0U);
    EXPECT_GT(nacks, 0U);
    const auto status = nlohmann::json::parse(c.Get("/v1/status")->body);
    EXPECT_EQ(status["records"]["held"], 19200U);
    EXPECT_EQ(status["unsent"]["count"], 0U);
    s.service->stop();
    EXPECT_LE(test::openDescriptorCount(), descriptors) << "no socket of a poller is left open";
}

}  // namespace
}  // namespace corvane
