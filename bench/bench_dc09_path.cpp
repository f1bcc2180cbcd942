// One SIA-DCS frame through the station, sent in the clear and sent encrypted (the same event,
// AES-128), on one core: what the receiving thread does before the answer leaves (plan the
// answer: decrypt, build the encrypted ACK) and what the msgPro worker does after (decode, quirks,
// activity log, diagnostic log, record), in its batches of 256. The difference between the two
// frames is what encryption costs the station per message; the link benchmark's encrypted floor
// shows what it costs the receiver simulator.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "answer/answer_plan.h"
#include "dc09/answer_frames.h"
#include "platform/vexo.h"
#include "station/station.h"
#include "temporary_state_dir.h"

namespace {

constexpr std::size_t kBatch = 256;

const std::string kPlain =
    corvane::dc09::frameAround("\"SIA-DCS\"0001R1L2#1234[#1234|Nri1/BA01]_12:30:45,01-02-2024");
// "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under 000102...0F (openssl enc).
const std::string kEncrypted = corvane::dc09::frameAround(
    "\"*SIA-DCS\"0001R1L2#1234[DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67BA"
    "27A081AD17A563BDB91D1955BED28A");

void setUp(corvane::Station& station) {
    station.m_protocol = "SIA-DCS";
    station.m_responseMode = 0;
    corvane::Dc09Config config;
    config.keys.set("1234", *corvane::dc09::readKey("000102030405060708090A0B0C0D0E0F").key);
    station.m_dc09.replace(std::move(config));
}

// The receiving thread's part: the answer planned (as the links do), nothing sent.
corvane::ReceivedMessage answered(corvane::Station& station, corvane::answer::ScriptCursor& cursor,
                                  const std::string& frame) {
    corvane::ReceivedMessage received(frame);
    corvane::answer::PlannedAnswer plan =
        corvane::answer::planAnswer(station, received.raw, cursor, received.dc09);
    received.answer.bytes = std::move(plan.bytes);
    received.answer.word = std::move(plan.word);
    return received;
}

void BM_Answer(benchmark::State& state, const std::string& frame) {
    corvane::Station station;
    setUp(station);
    corvane::answer::ScriptCursor cursor;
    for (auto _ : state) {
        benchmark::DoNotOptimize(answered(station, cursor, frame));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Worker(benchmark::State& state, const std::string& frame) {
    corvane::Station station;
    setUp(station);
    corvane::answer::ScriptCursor cursor;
    std::vector<corvane::ReceivedMessage> batch;
    for (auto _ : state) {
        state.PauseTiming();
        batch.clear();
        for (std::size_t i = 0; i < kBatch; ++i) {
            batch.push_back(answered(station, cursor, frame));
        }
        for (corvane::ReceivedMessage& received : batch) {
            station.queueMessage(std::move(received));
        }
        state.ResumeTiming();
        station.processQueuedMessages();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatch));
}

BENCHMARK_CAPTURE(BM_Answer, plain, kPlain);
BENCHMARK_CAPTURE(BM_Answer, encrypted, kEncrypted);
BENCHMARK_CAPTURE(BM_Worker, plain, kPlain);
BENCHMARK_CAPTURE(BM_Worker, encrypted, kEncrypted);

// Both frames must be the same event, read as such, or the comparison means nothing.
bool sameEvent() {
    corvane::Station station;
    setUp(station);
    corvane::answer::ScriptCursor cursor;
    station.queueMessage(answered(station, cursor, kPlain));
    station.queueMessage(answered(station, cursor, kEncrypted));
    station.processQueuedMessages();
    if (station.m_siaCount.load() != 2) {
        std::fprintf(stderr, "the benchmark frames are not both read as SIA events\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    if (!sameEvent()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
