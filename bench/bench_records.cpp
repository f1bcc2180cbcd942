// Message records: the cost of recording one message on the worker, resident memory at the record
// limit over 1,000,000 messages, and the export of 100,000 records in each format.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "protocol/parse_line.h"
#include "record/message_records.h"
#include "record/record_export.h"

namespace {

using namespace corvane;

MessageRecord typicalRecord(std::uint64_t n) {
    MessageRecord r;
    r.receivedUs = 1'765'000'000'000'000 + static_cast<std::int64_t>(n);
    r.connection = 1 + n % 4;
    r.peer = "127.0.0.1:40123";
    r.protocol = Protocol::SiaDcs;
    r.raw = "\n5C1E0031\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]_12:00:00,12-07-2026\r";
    // What the worker's decoder makes of the frame (decoded once: the worker's cost is elsewhere).
    static const Decoded decoded = decodeMessage(r.raw, Protocol::SiaDcs, ReceiverType::Mlr2000);
    r.kind = decoded.kind;
    r.description = decoded.description;
    r.answerBytes = "\nA5B10020\"ACK\"0007R1L2#1234[]\r";
    r.answerWord = AnswerWord::Ack;
    r.latencyUs = 40;
    return r;
}

// What recording adds per message on the worker: building the record and appending it, in the
// batches the worker uses, with the ring full.
void BM_RecordPerMessage(benchmark::State& state) {
    MessageRecords records;
    std::vector<MessageRecord> batch;
    const MessageRecord model = typicalRecord(0);
    std::uint64_t n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            MessageRecord r;
            r.receivedUs = model.receivedUs + static_cast<std::int64_t>(n++);
            r.connection = model.connection;
            r.peer = model.peer;
            r.raw = model.raw;  // the worker moves it; a copy here costs more, not less
            // The worker moves its Decoded's description in; what it had to make is that text.
            r.kind = model.kind;
            r.description = model.description;
            Reply reply;
            reply.word = AnswerWord::Ack;
            reply.delivery = {Delivery::State::Sent, Delivery::Reason::None, r.receivedUs + 40};
            applyAnswer(r, reply, model.answerBytes);
            batch.push_back(std::move(r));
        }
        records.append(batch);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_RecordPerMessage)->Unit(benchmark::kMicrosecond);

long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// 1,000,000 messages through a ring of 100,000: peak resident size (target under 150 MB).
void BM_MemoryAtLimit(benchmark::State& state) {
    for (auto _ : state) {
        MessageRecords records;
        std::vector<MessageRecord> batch;
        for (std::uint64_t n = 0; n < 1'000'000; ++n) {
            batch.push_back(typicalRecord(n));
            if (batch.size() == 1000) {
                records.append(batch);
            }
        }
        benchmark::DoNotOptimize(records.span());
    }
    state.counters["peak_MiB"] = static_cast<double>(peakResidentKiB()) / 1024.0;
}
BENCHMARK(BM_MemoryAtLimit)->Iterations(1)->Unit(benchmark::kMillisecond);

void exportBench(benchmark::State& state, const char* extension) {
    MessageRecords records;
    std::vector<MessageRecord> batch;
    for (std::uint64_t n = 0; n < 100'000; ++n) {
        batch.push_back(typicalRecord(n));
    }
    records.append(batch);
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("corvane-bench-" + std::to_string(::getpid()) + extension))
                                 .string();
    for (auto _ : state) {
        if (!exportRecords(records, path)) {
            state.SkipWithError("export failed");
        }
    }
    state.counters["MiB"] = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;
    std::filesystem::remove(path);
}
void BM_Export100kCsv(benchmark::State& state) {
    exportBench(state, ".csv");
}
void BM_Export100kJsonLines(benchmark::State& state) {
    exportBench(state, ".jsonl");
}
BENCHMARK(BM_Export100kCsv)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export100kJsonLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
