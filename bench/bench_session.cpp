// The receiving thread's own cost per answer: one message through a connection's session
// (framing, planning, rendering, a send to a wire that takes it at once, queueing it for the
// worker), with every answer's diagnostic line written (CORVANE_VERBOSE's level) and without it
// (the default: answers that went as planned get no line). The diagnostic log writes its real
// file (in a temporary directory) on its own thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>

#include "link/session.h"
#include "platform/clock.h"
#include "platform/quillet.h"
#include "platform/vexo.h"
#include "station/station.h"
#include "temporary_state_dir.h"

namespace {

using namespace corvane;

class TakingWire final : public Wire {
  public:
    Delivery::Reason send(std::string_view bytes) override {
        benchmark::DoNotOptimize(bytes.data());
        return Delivery::Reason::None;
    }
};

// state.range(0): 0 Sur-Gard, 1 SIA-DCS; state.range(1): 1 when every answer's line is written.
void BM_ReceivingThreadPerAnswer(benchmark::State& state) {
    const bool siaDcs = state.range(0) != 0;
    quillet_setLowestLevel(state.range(1) != 0 ? 1 : kQuilletDefaultLowestLevel);
    Station station;
    station.m_protocol = siaDcs ? Protocol::SiaDcs : Protocol::SurGard;
    Dc09Settings dc09;
    answer::AnswerScripts scripts;
    MessageQueue queue;
    ActivityLog log(station, station.window());
    std::atomic<std::uint64_t> serials{0};
    const SessionContext context{
        station, dc09, scripts, queue, log, serials, FrameReader::framingFor(station.m_protocol)};
    TakingWire wire;
    Session session(context, "127.0.0.1:40000", wire);
    const std::string message = siaDcs ? "\n9F2A0033\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r"
                                       : "501001 181234113001015\x14";
    std::uint64_t answered = 0;
    for (auto _ : state) {
        session.receive(message, utcMicrosecondsNow(), steadyMicrosecondsNow());
        if (++answered % 4096 == 0) {
            state.PauseTiming();
            benchmark::DoNotOptimize(queue.takeAll());  // the worker's part
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    quillet_setLowestLevel(kQuilletDefaultLowestLevel);
}
BENCHMARK(BM_ReceivingThreadPerAnswer)
    ->ArgNames({"siaDcs", "line"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1});

}  // namespace

int main(int argc, char** argv) {
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    quillet_flush();
    return 0;
}
