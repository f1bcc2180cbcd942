// Decoding and answering on one core: decoding a typical message of each kind (every Sur-Gard
// line type, with and without the receivers' clock) and applying it with parseLine, with the
// diagnostic log writing its real rotating file (in a temporary directory), and the answer the
// receiving thread plans and renders under ACK All and the custom policies. Targets: 1,500,000
// parseLine calls/s for each Sur-Gard line type, 500,000 for SIA-DCS frames, and 1,000,000
// SIA-DCS ACK All answers/s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "answer/answer_plan.h"
#include "platform/quillet.h"
#include "platform/vexo.h"
#include "protocol/parse_line.h"
#include "station/station.h"
#include "temporary_state_dir.h"

namespace {

using corvane::Station;

const std::string T = "\x14";
const std::string kClock = "20:26:46-07/12";  // the receivers' clock

struct Message {
    const char* name;
    const char* protocol;
    const char* receiverType;
    std::string text;
    const char* expectedPrefix;  // what the description starts with ("" for kinds without one)
};

const std::vector<Message>& messages() {
    static const std::vector<Message> all = {
        {"Cid4", "Sur-Gard", "MLR2000", "501001 181234E13001015" + T, "CID: RR=01, LLL=001"},
        {"Cid10", "Sur-Gard", "MLR2", "Q012 181234567890113001015" + T, "CID: RR=01, L=2"},
        {"Sia", "Sur-Gard", "MLR2000", "S01001[#1234|Nri1/BA01]" + T, "SIA: RR=01, LLL=001"},
        {"Cid4Clock", "Sur-Gard", "MLR2000", "501001 181234E13001015" + kClock + T,
         "CID: RR=01, LLL=001"},
        {"Heartbeat", "Sur-Gard", "MLR2000", "1011           @    " + T, ""},
        {"Private", "Sur-Gard", "MLR2000", "001000[#0000|NRP0001]" + T, ""},
        {"Signal", "Sur-Gard", "MLR2000", "101001      1234 C1128" + T, "Signal: RR=01"},
        {"SignalClock", "Sur-Gard", "MLR2", "1011      1234 A1003" + kClock + T, "Signal: RR=01"},
        {"LineStatus", "Sur-Gard", "MLR2000", "101001      0000 A  20" + T, "Line status: RR=01"},
        {"Audio", "Sur-Gard", "MLR2000", "101001      0000 P  01" + T, "Two-way audio: RR=01"},
        {"Sia1", "Sur-Gard", "MLR2000", "301001    123456BA0001" + T, "SIA 1: RR=01"},
        {"CallerId", "Sur-Gard", "MLR2000", "401001  12345145550123" + T, "Caller ID: RR=01"},
        {"Bfsk", "Sur-Gard", "MLR2000", "601001      1234 B 003" + T, "BFSK: RR=01"},
        {"Ademco", "Sur-Gard", "MLR2000", "8010011234 1555 5555 5" + T, "Ademco: RR=01"},
        {"OtherFormat", "Sur-Gard", "MLR2000", "P01001 some text" + T, "DMP: RR=01"},
        {"FormatError", "Sur-Gard", "MLR2000", "501001 181234E13A01015" + T,
         "CID 4 format error: EventCode"},
        {"SiaDcsEvent", "SIA-DCS", "MLR2000",
         "\n9F2A0042\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]_14:10:00,10-10-2023\r",
         "SIA: Account=1234, EventCode=BA, System=1, Group=01"},
        {"SiaDcsNull", "SIA-DCS", "MLR2000", "\n8C230014\"NULL\"0000R0L0#0000[]\r", ""},
    };
    return all;
}

// Decodes `m` and applies it to the station; returns the description.
std::string decode(Station& station, const Message& m) {
    const corvane::Decoded decoded =
        corvane::decodeMessage(m.text, station.m_protocol, station.m_receiverType);
    corvane::parseLine(decoded, m.text, station);
    return decoded.description;
}

void setUp(Station& station, const Message& m) {
    station.m_protocol = corvane::protocolNamed(m.protocol);
    station.m_receiverType = corvane::receiverTypeNamed(m.receiverType);
}

void BM_ParseLine(benchmark::State& state, const Message& m) {
    Station station;
    setUp(station, m);
    for (auto _ : state) {
        benchmark::DoNotOptimize(decode(station, m));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_MakeResponse(benchmark::State& state, const char* protocol, int mode,
                     const std::string& message) {
    Station station;
    station.m_protocol = corvane::protocolNamed(protocol);
    station.m_responseMode = corvane::responseModeAt(mode);
    station.setCustomResponse(
        mode >= 3 ? (station.m_protocol == corvane::Protocol::SurGard ? "6" : "custom") : "");
    corvane::Dc09Settings dc09;
    corvane::answer::AnswerScripts scripts;
    corvane::answer::ScriptCursor cursor;
    for (auto _ : state) {
        corvane::Dc09Reading reading;
        benchmark::DoNotOptimize(corvane::renderReply(
            corvane::answer::planAnswer(message, {station, dc09, scripts}, cursor, reading)));
    }
    state.SetItemsProcessed(state.iterations());
}

const std::string kSiaDcsEvent = "\n9F2A0042\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]\r";
const std::string kCid4 = "501001 181234113001015" + T;
const std::string kHeartbeat = "1011           @    " + T;
const std::string kSignal = "101001      1234 C1128" + T;

void registerAll() {
    for (const Message& m : messages()) {
        benchmark::RegisterBenchmark((std::string("BM_ParseLine/") + m.name).c_str(), BM_ParseLine,
                                     m);
    }
    benchmark::RegisterBenchmark("BM_MakeResponse/SiaDcsAckAll", BM_MakeResponse, "SIA-DCS", 0,
                                 kSiaDcsEvent);
    benchmark::RegisterBenchmark("BM_MakeResponse/SiaDcsNackAllButHeartbeats", BM_MakeResponse,
                                 "SIA-DCS", 2, kSiaDcsEvent);
    benchmark::RegisterBenchmark("BM_MakeResponse/SiaDcsCustom", BM_MakeResponse, "SIA-DCS", 3,
                                 kSiaDcsEvent);
    benchmark::RegisterBenchmark("BM_MakeResponse/SurGardAckAll", BM_MakeResponse, "Sur-Gard", 0,
                                 kCid4);
    benchmark::RegisterBenchmark("BM_MakeResponse/SurGardCustom", BM_MakeResponse, "Sur-Gard", 3,
                                 kCid4);
    // The heartbeat test by shape on the receiving thread, for a heartbeat and for a signal.
    benchmark::RegisterBenchmark("BM_MakeResponse/SurGardNackButHeartbeat", BM_MakeResponse,
                                 "Sur-Gard", 2, kHeartbeat);
    benchmark::RegisterBenchmark("BM_MakeResponse/SurGardNackButHeartbeatSignal", BM_MakeResponse,
                                 "Sur-Gard", 2, kSignal);
}

// A benchmark of a message that decodes wrongly would measure the wrong path.
bool messagesDecode() {
    for (const Message& m : messages()) {
        Station station;
        setUp(station, m);
        const std::string description = decode(station, m);
        if (description.rfind(m.expectedPrefix, 0) != 0 || station.getLastHeartbeatTick() == 0) {
            std::fprintf(stderr, "%s decodes as \"%s\"\n", m.name, description.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const TemporaryStateDir stateDir;
    Vexo_InitEx();
    if (!messagesDecode()) {
        return 1;
    }
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
