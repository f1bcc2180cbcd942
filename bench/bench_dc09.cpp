// Encrypted DC-09 on one core: what the receiving thread does for one encrypted frame under
// ACK All (decrypt it, build its encrypted ACK), and the decryption alone. Target: 200,000
// decrypt + encrypted ACK per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "answer/answer_plan.h"
#include "dc09/dc09_settings.h"
#include "dc09/encrypted_frame.h"
#include "platform/vexo.h"
#include "protocol/dc09_frame.h"
#include "station/station.h"
#include "temporary_state_dir.h"

namespace {

// "ABCDEFGHIJK|#1234|Nri1/BA01]_12:30:45,01-02-2024" under 000102...0F (openssl enc).
const std::string kEncrypted = corvane::frameAround(
    "\"*SIA-DCS\"0001R1L2#1234[DAD88CCCBF1120F71955C81BEEC38B13815EFE779AD3D0C7ECEE377CAE1EDC67BA"
    "27A081AD17A563BDB91D1955BED28A");

corvane::Dc09Config keyed() {
    corvane::Dc09Config config;
    config.keys.set("1234", *corvane::dc09::readKey("000102030405060708090A0B0C0D0E0F"));
    return config;
}

// What the receiving thread does for one frame: plan its answer, render its bytes.
struct Answering {
    Answering() {
        station.m_protocol = corvane::Protocol::SiaDcs;
        station.m_responseMode = corvane::ResponseMode::AckAll;
        dc09.replace(keyed());
    }
    std::string answer(corvane::Dc09Reading& reading) {
        return corvane::renderReply(
            corvane::answer::planAnswer(kEncrypted, {station, dc09, scripts}, cursor, reading));
    }
    corvane::Station station;
    corvane::Dc09Settings dc09;
    corvane::answer::AnswerScripts scripts;
    corvane::answer::ScriptCursor cursor;
};

void BM_Dc09_DecryptAndEncryptedAck(benchmark::State& state) {
    Answering answering;
    for (auto _ : state) {
        corvane::Dc09Reading reading;
        benchmark::DoNotOptimize(answering.answer(reading));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Dc09_DecryptOnly(benchmark::State& state) {
    const corvane::Dc09Config config = keyed();
    corvane::Dc09Reading reading;
    for (auto _ : state) {
        corvane::dc09::decryptFrame(kEncrypted, config.keys, reading);
        benchmark::DoNotOptimize(reading);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Dc09_DecryptAndEncryptedAck);
BENCHMARK(BM_Dc09_DecryptOnly);

// A frame that does not decrypt would measure the wrong path.
bool frameDecrypts() {
    Answering answering;
    corvane::Dc09Reading reading;
    const std::string answer = answering.answer(reading);
    if (reading.outcome != corvane::Dc09Reading::Outcome::Decrypted ||
        answer.find("\"*ACK\"") == std::string::npos) {
        std::fprintf(stderr, "the benchmark frame does not decrypt\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    if (!frameDecrypts()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
