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
#include "link/station_core.h"
#include "platform/vexo.h"
#include "protocol/dc09_frame.h"
#include "temporary_state_dir.h"

namespace {

constexpr std::size_t kBatch = 256;

const std::string kPlain =
    corvane::frameAround("\"SIA-DCS\"0001R1L2#1234[#1234|Nri1/BA01]_12:30:45,01-02-2024");
// "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under 000102...0F (openssl enc).
const std::string kEncrypted = corvane::frameAround(
    "\"*SIA-DCS\"0001R1L2#1234[DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67BA"
    "27A081AD17A563BDB91D1955BED28A");

void setUp(corvane::StationCore& core) {
    corvane::Station& station = core.station();
    station.m_protocol = corvane::Protocol::SiaDcs;
    station.m_responseMode = corvane::ResponseMode::AckAll;
    corvane::Dc09Config config;
    config.keys.set("1234", *corvane::dc09::readKey("000102030405060708090A0B0C0D0E0F"));
    station.dc09().replace(std::move(config));
}

// The receiving thread's part: the answer planned and rendered (as a session does), nothing sent.
corvane::ReceivedMessage answered(corvane::StationCore& core, corvane::answer::ScriptCursor& cursor,
                                  const std::string& frame) {
    const corvane::Station& station = core.station();
    corvane::ReceivedMessage received(frame);
    received.reply = corvane::answer::planAnswer(
        received.raw, {station, station.dc09(), station.answerScripts()}, cursor, received.dc09);
    received.answerBytes = corvane::renderReply(received.reply);
    return received;
}

void BM_Answer(benchmark::State& state, const std::string& frame) {
    corvane::StationCore core;
    setUp(core);
    corvane::answer::ScriptCursor cursor;
    for (auto _ : state) {
        benchmark::DoNotOptimize(answered(core, cursor, frame));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Worker(benchmark::State& state, const std::string& frame) {
    corvane::StationCore core;
    setUp(core);
    corvane::answer::ScriptCursor cursor;
    std::vector<corvane::ReceivedMessage> batch;
    for (auto _ : state) {
        state.PauseTiming();
        batch.clear();
        for (std::size_t i = 0; i < kBatch; ++i) {
            batch.push_back(answered(core, cursor, frame));
        }
        for (corvane::ReceivedMessage& received : batch) {
            core.queue().queueMessage(std::move(received));
        }
        state.ResumeTiming();
        core.worker().processQueuedMessages();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kBatch));
}

BENCHMARK_CAPTURE(BM_Answer, plain, kPlain);
BENCHMARK_CAPTURE(BM_Answer, encrypted, kEncrypted);
BENCHMARK_CAPTURE(BM_Worker, plain, kPlain);
BENCHMARK_CAPTURE(BM_Worker, encrypted, kEncrypted);

// Both frames must be the same event, read as such, or the comparison means nothing.
bool sameEvent() {
    corvane::StationCore core;
    setUp(core);
    corvane::answer::ScriptCursor cursor;
    core.queue().queueMessage(answered(core, cursor, kPlain));
    core.queue().queueMessage(answered(core, cursor, kEncrypted));
    core.worker().processQueuedMessages();
    if (core.station().m_siaCount.load() != 2) {
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
