// The metrics service against the 64-receiver lockstep run (Server, Sur-Gard, on 127.0.0.1):
//   - the run's rate and p99 answer latency without a scraper and with one that fetches /metrics
//     10 times a second over HTTP, in rounds of without, with, without again (the machine is small
//     and noisy: the medians are compared, and the two without show the noise), against a 2%
//     target on each;
//   - the time a scrape takes at 64 receivers (the HTTP round trip and the text alone), median
//     and p99 of 200 scrapes, against 5 ms.
// Every run must have each message answered once; the program exits 1 when one is not.
//
// Options: --per-receiver N (messages on each of the 64 connections, default 2000), --rounds N
// (default 5).
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "link/station_core.h"
#include "platform/vexo.h"
#include "receiver/receiver_run.h"
#include "remote/remote_service.h"
#include "temporary_state_dir.h"

namespace {

namespace sim = corvane::sim;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kReceivers = 64;

struct Run {
    double rate = 0;
    std::uint64_t p99 = 0;
    bool good = false;
};

// A Sur-Gard server station on a free port with its metrics service beside it; the link stops
// when it goes.
struct ServedStation {
    corvane::StationCore core;
    corvane::remote::LinkWatch watch;
    corvane::remote::RemoteService service{core.station(), watch, {}};
    bool up = false;

    ServedStation() {
        corvane::Station& station = core.station();
        station.m_protocol = corvane::Protocol::SurGard;
        station.m_mode = corvane::LinkMode::Server;
        station.m_heartbeatInterval = 0;
        station.m_port = 0;
        core.control().doConnect();
        up = station.m_running &&
             service.start({corvane::remote::Endpoint{"127.0.0.1", 0}, std::nullopt, {}});
    }
    ~ServedStation() {
        if (core.station().m_running) {
            core.control().doDisconnect();
        }
    }

    // 64 receivers, `perReceiver` messages each, in lockstep against it.
    sim::RunOptions receivers(std::uint64_t perReceiver) {
        sim::RunOptions o;
        o.protocol = sim::Protocol::SurGard;
        o.port = static_cast<std::uint16_t>(Vexo_LocalPort(core.server().m_listenSocket));
        o.connections = kReceivers;
        o.count = perReceiver;
        return o;
    }
};

// One lockstep run of 64 receivers against a fresh station; `scrape` fetches /metrics 10 times a
// second while it runs.
Run lockstep(std::uint64_t perReceiver, bool scrape) {
    ServedStation served;
    if (!served.up) {
        return {};
    }
    const sim::RunOptions o = served.receivers(perReceiver);
    std::atomic<bool> running{true};
    std::thread scraper([&] {
        httplib::Client client("127.0.0.1", served.service.metricsPort());
        for (auto next = Clock::now(); scrape && running; next += 100ms) {
            client.Get("/metrics");
            std::this_thread::sleep_until(next + 100ms);
        }
    });
    const sim::RunResult r = sim::runReceiver(o);
    running = false;
    scraper.join();
    return {r.messagesPerSecond(), r.total.latency.p99(), r.allGood()};
}

template <class T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median and p99 of `count` timings of `f`, in milliseconds.
template <class F>
std::pair<double, double> timed(int count, F&& f) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 99 / 100]};
}

// 64 receivers have sent their messages, then the scrapes are timed.
bool scrapeTime(std::uint64_t perReceiver) {
    ServedStation served;
    if (!served.up) {
        return false;
    }
    const sim::RunOptions o = served.receivers(perReceiver);
    const sim::RunResult r = sim::runReceiver(o);
    httplib::Client client("127.0.0.1", served.service.metricsPort());
    std::size_t bytes = 0;
    const auto [httpMedian, httpP99] = timed(200, [&] {
        const auto res = client.Get("/metrics");
        bytes = res ? res->body.size() : 0;
    });
    const auto [textMedian, textP99] = timed(200, [&] { (void)served.service.metricsText(); });
    std::printf("%-44s %8.3f %8.3f   %s\n", "scrape at 64 receivers, HTTP GET /metrics", httpMedian,
                httpP99, httpP99 <= 5.0 ? "ok (<= 5 ms)" : "MISSED (> 5 ms)");
    std::printf("%-44s %8.3f %8.3f   %zu bytes\n", "scrape at 64 receivers, the text alone",
                textMedian, textP99, bytes);
    return r.allGood();
}

}  // namespace

int main(int argc, char** argv) {
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    std::uint64_t perReceiver = 2000;
    int pairs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--per-receiver") {
            perReceiver = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (arg == "--rounds") {
            pairs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    bool good = true;
    // Runs without scraping, with, and without again: the two without show the machine's own
    // noise, which a difference with scraping has to be read against.
    std::vector<double> rates[3];
    std::vector<std::uint64_t> p99s[3];
    lockstep(perReceiver, false);  // warms up the caches and the kernel's socket buffers
    for (int round = 0; round < pairs; ++round) {
        for (int kind = 0; kind < 3; ++kind) {
            const Run run = lockstep(perReceiver, kind == 1);
            good = good && run.good;
            rates[kind].push_back(run.rate);
            p99s[kind].push_back(run.p99);
        }
    }
    double rate[3];
    double p99[3];
    for (int kind = 0; kind < 3; ++kind) {
        rate[kind] = median(rates[kind]);
        p99[kind] = static_cast<double>(median(p99s[kind]));
    }
    const double baseRate = (rate[0] + rate[2]) / 2;
    const double baseP99 = (p99[0] + p99[2]) / 2;
    const double rateMoved = (baseRate - rate[1]) / baseRate * 100;
    const double p99Moved = (p99[1] - baseP99) / baseP99 * 100;
    std::printf("64 receivers in lockstep, %llu messages each, %d rounds (medians)\n",
                static_cast<unsigned long long>(perReceiver), pairs);
    std::printf("%-44s %10s %10s\n", "", "msg/s", "p99 us");
    std::printf("%-44s %10.0f %10.0f\n", "without scraping", rate[0], p99[0]);
    std::printf("%-44s %10.0f %10.0f\n", "scraping /metrics 10 times a second", rate[1], p99[1]);
    std::printf("%-44s %10.0f %10.0f\n", "without scraping, again", rate[2], p99[2]);
    std::printf("%-44s %9.1f%% %9.1f%%\n", "noise: the two runs without apart",
                std::abs(rate[0] - rate[2]) / baseRate * 100,
                std::abs(p99[0] - p99[2]) / baseP99 * 100);
    std::printf("%-44s %9.1f%% %9.1f%%   %s\n", "moved by scraping (rate down, p99 up)", rateMoved,
                p99Moved, rateMoved <= 2.0 && p99Moved <= 2.0 ? "ok (<= 2%)" : "MISSED (> 2%)");
    std::printf("\n%-44s %8s %8s\n", "", "med ms", "p99 ms");
    good = scrapeTime(perReceiver) && good;
    if (!good) {
        std::printf("a run did not answer every message once\n");
    }
    return good ? 0 : 1;
}
