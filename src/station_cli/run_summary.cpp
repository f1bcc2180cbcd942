#include "station_cli/run_summary.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "record/station_events.h"
#include "record/tally_json.h"

namespace corvane::cli {

namespace {

std::string latencyText(std::int64_t micros) {
    return micros >= 0 ? std::to_string(micros) + "us" : "n/a";
}

}  // namespace

bool RunSummary::allMet() const {
    return std::all_of(expectations.begin(), expectations.end(),
                       [](const ExpectationResult& e) { return e.met(); });
}

RunSummary makeSummary(const TallyTotals& tally, const std::vector<Expectation>& expectations,
                       double seconds, std::string stoppedBy) {
    RunSummary s;
    s.seconds = seconds;
    s.stoppedBy = std::move(stoppedBy);
    s.tally = tally;
    for (const CountedKind kind : kAllKinds) {
        const std::int64_t count = countOf(tally, kind);
        if (count > 0 || shownWhenNone(kind)) {
            s.kinds.emplace_back(kind, count);
        }
    }
    for (const Expectation& e : expectations) {
        s.expectations.push_back({e.kind, e.count, countOf(tally, e.kind)});
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
    for (const auto& [word, count] : answersByName(s.tally)) {
        text += " " + word + "=" + std::to_string(count);
    }
    if (const std::uint64_t unsent = s.tally.answers.unsent(); unsent > 0) {
        text +=
            " unsent=" + std::to_string(unsent) + " (" + unsentReasonsText(s.tally.answers) + ")";
    }
    text += "\nlatency: p50=" + latencyText(s.tally.latency.percentile(0.50)) +
            " p99=" + latencyText(s.tally.latency.percentile(0.99)) + "\n";
    text += "receivers: connections=" + std::to_string(s.tally.connections);
    for (const auto& [address, count] : s.tally.byAddress) {
        text += " " + address + "=" + std::to_string(count);
    }
    if (s.tally.otherAddresses > 0) {
        text += " other=" + std::to_string(s.tally.otherAddresses);
    }
    text += "\n";
    if (s.recordsDropped > 0) {
        text += "records: held=" + std::to_string(s.recordsHeld) +
                " dropped=" + std::to_string(s.recordsDropped) + "\n";
    }
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

nlohmann::ordered_json summaryFields(const RunSummary& s) {
    nlohmann::ordered_json kinds = nlohmann::ordered_json::object();
    for (const auto& [kind, count] : s.kinds) {
        kinds[std::string(kindName(kind))] = count;
    }
    nlohmann::ordered_json expect = nlohmann::ordered_json::array();
    for (const ExpectationResult& e : s.expectations) {
        expect.push_back({{"kind", kindName(e.kind)},
                          {"expected", e.expected},
                          {"counted", e.counted},
                          {"met", e.met()}});
    }
    nlohmann::ordered_json summary = {
        {"messages", s.tally.messages},
        {"seconds", s.seconds},
        {"stopped_by", s.stoppedBy},
        {"kinds", kinds},
    };
    summary.update(tallyFields(s.tally));
    summary["records"] = {{"held", s.recordsHeld}, {"dropped", s.recordsDropped}};
    summary["expect"] = expect;
    summary["result"] = s.allMet() ? "ok" : "expectation missed";
    return summary;
}

std::string summaryJson(const RunSummary& s, std::int64_t timeUs) {
    // The summary is the run's last event.
    const std::string fields =
        summaryFields(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return events::eventHead("summary", timeUs) + "," + fields.substr(1) + "\n";
}

}  // namespace corvane::cli
