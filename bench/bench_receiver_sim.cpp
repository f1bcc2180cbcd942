// The receiver simulator's work per SIA-DCS message on one core, plain and encrypted (AES-128):
// making the next frame, and checking the station's answer to it (framing, CRC, and for an
// encrypted ACK the decryption and the shape and time of its clear text).
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>

#include "receiver/answer_check.h"
#include "receiver/dc09_crypto.h"
#include "receiver/dc09_frame.h"
#include "receiver/message_generator.h"

namespace {

namespace sim = corvane::sim;

constexpr const char* kKey = "000102030405060708090A0B0C0D0E0F";
constexpr const char* kEcho = "0001R1L1#1000";

sim::RunOptions options(bool encrypted) {
    sim::RunOptions o;
    o.protocol = sim::Protocol::SiaDcs;
    if (encrypted) {
        sim::addSimKey(kKey, o.keys);
    }
    return o;
}

void BM_MakeFrame(benchmark::State& state, bool encrypted) {
    const sim::RunOptions o = options(encrypted);
    sim::MessageGenerator generator(o, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(generator.next(sim::Kind::Dc09));
    }
    state.SetItemsProcessed(state.iterations());
}

// The answer a station gives, made anew when the second changes so its time stamp stays good.
std::string answerAt(std::time_t now, const std::string& key) {
    return key.empty() ? sim::dc09Frame("\"ACK\"" + std::string(kEcho) + "[]")
                       : sim::dc09Frame(sim::encryptedBody("ACK", kEcho, "]", key, now));
}

void BM_CheckAnswer(benchmark::State& state, bool encrypted) {
    const std::string key = options(encrypted).keys.any;
    const sim::Expectation expectation;
    std::time_t madeAt = std::time(nullptr);
    std::string answer = answerAt(madeAt, key);
    for (auto _ : state) {
        if (const std::time_t now = std::time(nullptr); now != madeAt) {
            madeAt = now;
            answer = answerAt(now, key);
        }
        const std::string verdict =
            encrypted ? sim::checkEncryptedDc09Answer(answer, kEcho, key, expectation)
                      : sim::checkDc09Answer(answer, kEcho, expectation);
        if (!verdict.empty()) {
            state.SkipWithError(verdict.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_MakeFrame, plain, false);
BENCHMARK_CAPTURE(BM_MakeFrame, encrypted, true);
BENCHMARK_CAPTURE(BM_CheckAnswer, plain, false);
BENCHMARK_CAPTURE(BM_CheckAnswer, encrypted, true);

}  // namespace

BENCHMARK_MAIN();
