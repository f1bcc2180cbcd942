#include "receiver/report.h"

#include <cstdio>
#include <string>

namespace corvane::sim {

namespace {

constexpr std::size_t kBadShown = 5;

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void printRow(std::ostream& out, const char* label, const std::string& value) {
    char text[128];
    std::snprintf(text, sizeof text, "  %-20s %s\n", label, value.c_str());
    out << text;
}

}  // namespace

void printSummaryLine(std::ostream& out, const RunResult& result) {
    const ConnectionResult& t = result.total;
    out << (result.allGood()            ? "OK"
            : !result.stoppedBy.empty() ? "STOPPED by " + result.stoppedBy
                                        : std::string("FAILED"))
        << ": sent " << t.sent << ", answered " << t.answered << ", good " << t.good << ", bad "
        << t.bad << ", missing " << t.missing;
    if (t.extra > 0) {
        out << ", unexpected " << t.extra;
    }
    out << ", " << fixed(result.messagesPerSecond(), 1) << " msg/s, median " << t.latency.median()
        << " us, p99 " << t.latency.p99() << " us\n";
}

void printReport(std::ostream& out, const RunOptions& options, const RunResult& result) {
    if (!result.error.empty()) {
        out << "corvane-receiver: " << result.error
            << (result.stoppedBy.empty() ? "" : " (stopped by " + result.stoppedBy + ")") << "\n";
        return;
    }
    out << "corvane-receiver: "
        << (options.protocol == Protocol::SurGard ? "Sur-Gard " : "SIA-DCS ")
        << (options.protocol == Protocol::SurGard
                ? (options.receiverType == ReceiverType::Mlr2000 ? "MLR2000, " : "MLR2, ")
                : "")
        << (options.listen ? "listening on " : "connected to ") << options.host << ":"
        << result.port << ", " << result.connections.size() << " connection(s), kinds "
        << kindList(options.kinds) << (options.pipeline ? ", pipelined" : "") << "\n";
    const ConnectionResult& t = result.total;
    printRow(out, "messages sent",
             std::to_string(t.sent) + " of " + std::to_string(result.expected));
    printRow(out, "answers received", std::to_string(t.answered + t.extra));
    printRow(out, "good", std::to_string(t.good));
    printRow(out, "bad", std::to_string(t.bad + t.extra));
    printRow(out, "missing", std::to_string(t.missing));
    printRow(out, "messages/s", fixed(result.messagesPerSecond(), 1));
    printRow(out, "latency median", std::to_string(t.latency.median()) + " us");
    printRow(out, "latency p99", std::to_string(t.latency.p99()) + " us");

    if (result.connections.size() > 1) {
        out << "  connection      sent  answered      good       bad   missing\n";
        for (std::size_t i = 0; i < result.connections.size(); ++i) {
            const ConnectionResult& c = result.connections[i];
            char row[128];
            std::snprintf(row, sizeof row, "  %10zu %9llu %9llu %9llu %9llu %9llu\n", i + 1,
                          static_cast<unsigned long long>(c.sent),
                          static_cast<unsigned long long>(c.answered + c.extra),
                          static_cast<unsigned long long>(c.good),
                          static_cast<unsigned long long>(c.bad + c.extra),
                          static_cast<unsigned long long>(c.missing));
            out << row;
        }
    }
    for (std::size_t i = 0; i < result.connections.size(); ++i) {
        if (!result.connections[i].error.empty()) {
            out << "  connection " << i + 1 << ": " << result.connections[i].error << "\n";
        }
    }
    const auto& bad = t.badSamples;
    for (std::size_t i = 0; i < bad.size() && i < kBadShown; ++i) {
        out << "  bad: connection " << bad[i].connection + 1;
        if (bad[i].message > 0) {
            out << ", message " << bad[i].message;
        }
        out << ": " << bad[i].text << "\n";
    }
    printSummaryLine(out, result);
}

}  // namespace corvane::sim
