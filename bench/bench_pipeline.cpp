// The msgPro worker under load: how many queued Sur-Gard messages per second it decodes, counts
// and logs with the log hidden and shown (limit 1000), and whether the resident memory stays flat
// over a million messages. The diagnostic log writes its real file (in a temporary directory).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "link/station_core.h"
#include "platform/quillet.h"
#include "platform/vexo.h"
#include "protocol/parse_line.h"
#include "temporary_state_dir.h"

namespace {

using corvane::Station;
using corvane::StationCore;

// Stands in for the main window: only counts the refresh notifications.
class CountingWindow final : public corvane::Window {
  public:
    void linkChanged(const corvane::LinkReport&) override {}
    void refreshLogView() override { refreshes.fetch_add(1, std::memory_order_relaxed); }
    void showCounts(const corvane::Counts&) override {}
    void startFailed(corvane::LinkMode, const corvane::Failure&) override {}
    bool saveTransfer() override { return true; }
    std::atomic<std::int64_t> refreshes{0};
};

// A typical MLR2000 automation stream: mostly heartbeats and Contact ID events, some SIA.
const std::vector<std::string>& messageMix() {
    static const std::vector<std::string> mix = {
        "1011           @    \x14",          // receiver heartbeat
        "501001 181234113001015\x14",        // Contact ID, 4-digit account
        "1011           @    \x14",          //
        "Q01001 180123456789113001015\x14",  // Contact ID, 10-digit account
        "501001 181234160200000\x14",        // device heartbeat (event 602)
        "S01001[#1234|Nri1/BA01]\x14",       // SIA event
        "1011           @    \x14",          //
        "501001 181234340101003\x14",        // Contact ID
    };
    return mix;
}

// Every message of the mix raises exactly one counter, so their sum is the worker's progress.
std::int64_t decoded(const Station& s) {
    return s.m_cidCount.load() + s.m_siaCount.load() + s.m_sgHeartbeatCount.load() +
           s.m_sgPrivateCount.load() + s.m_deviceHeartCount.load();
}

// The worker's progress is read from the counters: a message that no counter takes would make the
// benchmark wait forever.
bool mixIsCounted() {
    Station station;
    station.m_protocol = corvane::Protocol::SurGard;
    for (const auto& message : messageMix()) {
        const std::int64_t before = decoded(station);
        corvane::parseLine(
            corvane::decodeMessage(message, station.m_protocol, station.m_receiverType), message,
            station);
        if (decoded(station) != before + 1) {
            std::fprintf(stderr, "not counted: %s\n", message.c_str());
            return false;
        }
    }
    return true;
}

struct Bench {
    explicit Bench(int showLog) {
        station.m_protocol = corvane::Protocol::SurGard;
        station.m_showLog = showLog;
        station.m_linesToSave = 1000;
    }
    void start() { (void)core.worker().start(); }
    void waitDecoded(std::int64_t target) const {
        while (decoded(station) < target) {
            Vexo_Sleep(1);
        }
    }
    void stop() { core.worker().stop(); }
    void queueMessage(const std::string& message) { core.queue().queueMessage(message); }
    CountingWindow window;
    StationCore core{&window};
    Station& station = core.station();
};

// kB of a /proc/self/status field ("VmHWM" peak, "VmRSS" current).
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
        }
    }
    return -1;
}

// A million messages through a running worker, the queue kept below 20,000 like a live link:
// peak and current resident memory after the first 100,000 and after the million.
void BM_SteadyMemory(benchmark::State& state) {
    const int showLog = static_cast<int>(state.range(0));
    constexpr std::int64_t kMessages = 1'000'000;
    constexpr std::int64_t kWarmUp = 100'000;
    constexpr std::int64_t kBacklog = 20'000;
    const auto& mix = messageMix();
    for (auto _ : state) {
        Bench bench(showLog);
        bench.start();
        long hwmBefore = 0;
        long rssBefore = 0;
        for (std::int64_t i = 0; i < kMessages; ++i) {
            while (i - decoded(bench.station) >= kBacklog) {
                Vexo_Sleep(1);
            }
            if (i == kWarmUp) {
                bench.waitDecoded(kWarmUp);
                hwmBefore = statusKb("VmHWM");
                rssBefore = statusKb("VmRSS");
            }
            bench.queueMessage(mix[i % mix.size()]);
        }
        bench.waitDecoded(kMessages);
        bench.stop();
        state.counters["hwm_before_kB"] = static_cast<double>(hwmBefore);
        state.counters["hwm_after_kB"] = static_cast<double>(statusKb("VmHWM"));
        state.counters["rss_before_kB"] = static_cast<double>(rssBefore);
        state.counters["rss_after_kB"] = static_cast<double>(statusKb("VmRSS"));
        state.counters["log_bytes"] = static_cast<double>(bench.core.log().logText().size());
        state.counters["log_lines"] = bench.core.log().logLineCount();
    }
}
// Registered first, so the bursts of the throughput runs do not raise the peak it reports.
BENCHMARK(BM_SteadyMemory)
    ->ArgName("showLog")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A burst already waiting in the queue, worked off from worker start to the last logged line.
void BM_WorkerThroughput(benchmark::State& state) {
    const int showLog = static_cast<int>(state.range(0));
    constexpr int kMessages = 200'000;
    const auto& mix = messageMix();
    Bench bench(showLog);
    for (auto _ : state) {
        for (int i = 0; i < kMessages; ++i) {
            bench.queueMessage(mix[i % mix.size()]);
        }
        const std::int64_t target = decoded(bench.station) + kMessages;
        const auto begin = std::chrono::steady_clock::now();
        bench.start();
        bench.waitDecoded(target);
        bench.stop();  // the worker ends after its batch, its last line logged
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
    state.counters["refreshes"] = static_cast<double>(bench.window.refreshes.load());
}
BENCHMARK(BM_WorkerThroughput)
    ->ArgName("showLog")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    if (!mixIsCounted()) {
        std::fprintf(stderr, "a message of the mix is not counted by the decoder\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
