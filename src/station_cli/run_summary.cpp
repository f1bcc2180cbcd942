#include "station_cli/run_summary.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "record/message_records.h"
#include "station/station.h"

namespace corvane::cli {

namespace {

std::string latencyText(const std::optional<std::uint64_t>& micros) {
    return micros ? std::to_string(*micros) + "us" : "n/a";
}

nlohmann::json latencyJson(const std::optional<std::uint64_t>& micros) {
    return micros ? nlohmann::json(*micros) : nlohmann::json(nullptr);
}

// Latencies of the records once every answer is known: delayed answers (scripts with DELAY,
// SIA-DCS NACK frames) were still pending when their message was queued. Only when the records
// still hold every message of the run; else the tally's queue-time latencies stand.
std::optional<LatencyHistogram> recordedLatencies(const MessageRecords& records,
                                                  std::uint64_t messages) {
    const MessageRecords::Span span = records.span();
    if (span.first != 1 || span.size() != messages) {
        return std::nullopt;
    }
    LatencyHistogram latency;
    records.visitRange(span.first, span.next, [&](const MessageRecord& record) {
        if (record.latencyUs >= 0) {
            latency.add(static_cast<std::uint64_t>(record.latencyUs));
        }
    });
    return latency;
}

}  // namespace

bool RunSummary::allMet() const {
    return std::all_of(expectations.begin(), expectations.end(),
                       [](const ExpectationResult& e) { return e.met(); });
}

RunSummary makeSummary(const Station& station, const RunTally& tally,
                       const std::vector<Expectation>& expectations, double seconds,
                       std::string stoppedBy) {
    RunSummary s;
    s.seconds = seconds;
    s.stoppedBy = std::move(stoppedBy);
    for (const MessageKind kind : kAllKinds) {
        s.kinds.emplace_back(kind, countOf(station, kind));
    }
    s.tally = tally.snapshot();
    if (auto latency = recordedLatencies(station.records(), s.tally.messages)) {
        s.tally.latency = *latency;
    }
    s.connections = station.m_connectionSerial.load();
    for (const Expectation& e : expectations) {
        s.expectations.push_back({e.kind, e.count, countOf(station, e.kind)});
    }
    return s;
}

std::string summaryText(const RunSummary& s) {
    std::string text;
    char head[160];
    std::snprintf(head, sizeof head, "summary: %llu messages in %.1f s, stopped by %s\n",
                  static_cast<unsigned long long>(s.tally.messages), s.seconds,
                  s.stoppedBy.c_str());
    text += head;
    text += "kinds:";
    for (const auto& [kind, count] : s.kinds) {
        text += " " + std::string(kindName(kind)) + "=" + std::to_string(count);
    }
    text += "\nanswers:";
    for (const auto& [word, count] : s.tally.answers) {
        text += " " + word + "=" + std::to_string(count);
    }
    text += "\nlatency: p50=" + latencyText(s.tally.latency.percentile(50)) +
            " p99=" + latencyText(s.tally.latency.percentile(99)) + "\n";
    text += "receivers: connections=" + std::to_string(s.connections);
    for (const auto& [address, count] : s.tally.addresses) {
        text += " " + address + "=" + std::to_string(count);
    }
    if (s.tally.otherAddresses > 0) {
        text += " other=" + std::to_string(s.tally.otherAddresses);
    }
    text += "\n";
    if (!s.expectations.empty()) {
        text += "expect:";
        for (const ExpectationResult& e : s.expectations) {
            text += " " + std::string(kindName(e.kind)) + "=" + std::to_string(e.expected) +
                    (e.met() ? " met" : " MISSED (counted " + std::to_string(e.counted) + ")") +
                    (&e == &s.expectations.back() ? "" : ",");
        }
        text += "\n";
    }
    text += s.allMet() ? "result: ok\n" : "result: expectation missed\n";
    return text;
}

std::string summaryJson(const RunSummary& s) {
    nlohmann::ordered_json kinds = nlohmann::ordered_json::object();
    for (const auto& [kind, count] : s.kinds) {
        kinds[std::string(kindName(kind))] = count;
    }
    nlohmann::ordered_json addresses(s.tally.addresses);
    if (s.tally.otherAddresses > 0) {
        addresses["other"] = s.tally.otherAddresses;
    }
    nlohmann::ordered_json expect = nlohmann::ordered_json::array();
    for (const ExpectationResult& e : s.expectations) {
        expect.push_back({{"kind", kindName(e.kind)},
                          {"expected", e.expected},
                          {"counted", e.counted},
                          {"met", e.met()}});
    }
    const nlohmann::ordered_json summary = {
        {"event", "summary"},
        {"messages", s.tally.messages},
        {"seconds", s.seconds},
        {"stopped_by", s.stoppedBy},
        {"kinds", kinds},
        {"answers", nlohmann::ordered_json(s.tally.answers)},
        {"latency_us",
         {{"p50", latencyJson(s.tally.latency.percentile(50))},
          {"p99", latencyJson(s.tally.latency.percentile(99))}}},
        {"receivers", {{"connections", s.connections}, {"addresses", addresses}}},
        {"expect", expect},
        {"result", s.allMet() ? "ok" : "expectation missed"},
    };
    return summary.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace corvane::cli
