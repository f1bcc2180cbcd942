#include "remote/station_metrics.h"

#include <prometheus/text_serializer.h>

#include <limits>

#include "record/message_records.h"
#include "record/tally.h"

namespace corvane::remote {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

// Divided, not multiplied by 1e-6: the bounds then print as round numbers ("1e-05", not
// "9.999999999999999e-06").
constexpr double kMicrosecondsPerSecond = 1e6;

MetricFamily family(std::string name, std::string help, MetricType type) {
    MetricFamily f;
    f.name = std::move(name);
    f.help = std::move(help);
    f.type = type;
    return f;
}

// A family of one unlabelled sample.
MetricFamily single(std::string name, std::string help, MetricType type, double value) {
    MetricFamily f = family(std::move(name), std::move(help), type);
    ClientMetric& m = f.metric.emplace_back();
    (type == MetricType::Counter ? m.counter.value : m.gauge.value) = value;
    return f;
}

void addCounter(MetricFamily& f, std::string label, std::string value, double count) {
    ClientMetric& m = f.metric.emplace_back();
    m.label.push_back({std::move(label), std::move(value)});
    m.counter.value = count;
}

// Kinds and words by their own names, so a kind or a word added later shows without a change here.
MetricFamily messagesByKind(const TallyTotals& t) {
    MetricFamily f =
        family("corvane_messages_total", "Messages received, by decoded kind", MetricType::Counter);
    for (std::size_t i = 0; i < t.byKind.size(); ++i) {
        addCounter(f, "kind", messageKindName(static_cast<MessageKind>(i)),
                   static_cast<double>(t.byKind[i]));
    }
    return f;
}

MetricFamily answersByWord(const TallyTotals& t) {
    MetricFamily f =
        family("corvane_answers_total",
               "Answers that left, by word; unsent: answers that never left", MetricType::Counter);
    for (std::size_t i = 0; i < t.answers.byWord.size(); ++i) {
        addCounter(f, "word", answerWordName(static_cast<AnswerWord>(i)),
                   static_cast<double>(t.answers.byWord[i]));
    }
    addCounter(f, "word", "unsent", static_cast<double>(t.answers.unsent()));
    return f;
}

MetricFamily latency(const TallyTotals& t) {
    MetricFamily f =
        family("corvane_answer_latency_seconds",
               "Time from reading a message to sending its answer", MetricType::Histogram);
    ClientMetric& m = f.metric.emplace_back();
    const auto atMost = t.latencySteps.atMost();
    for (std::size_t i = 0; i < atMost.size(); ++i) {
        m.histogram.bucket.push_back(
            {atMost[i], static_cast<double>(LatencySteps::kBoundsUs[i]) / kMicrosecondsPerSecond});
    }
    m.histogram.bucket.push_back({t.latencySteps.count(), std::numeric_limits<double>::infinity()});
    m.histogram.sample_count = t.latencySteps.count();
    m.histogram.sample_sum = static_cast<double>(t.latencySumUs) / kMicrosecondsPerSecond;
    return f;
}

// One sample per receiver address, at most Tally::kAddressLimit of them, and "other" past it.
MetricFamily messagesByAddress(const TallyTotals& t) {
    MetricFamily f = family("corvane_receiver_messages_total",
                            "Messages received, by receiver address (the first 64 addresses; "
                            "later ones count as \"other\")",
                            MetricType::Counter);
    for (const auto& [address, count] : t.byAddress) {
        addCounter(f, "address", address, static_cast<double>(count));
    }
    if (t.otherAddresses > 0) {
        addCounter(f, "address", "other", static_cast<double>(t.otherAddresses));
    }
    return f;
}

}  // namespace

std::vector<MetricFamily> StationMetrics::Collect() const {
    const Tally& tally = m_station.tally();
    const TallyTotals t = tally.totals();
    const auto count = [](auto value) { return static_cast<double>(value); };
    std::vector<MetricFamily> out;
    out.push_back(messagesByKind(t));
    out.push_back(answersByWord(t));
    out.push_back(latency(t));
    out.push_back(single("corvane_receivers_connected", "Receiver connections up now",
                         MetricType::Gauge, count(tally.connectedNow())));
    out.push_back(single("corvane_connections_total",
                         "Receiver connections accepted (server) or made (client)",
                         MetricType::Counter, count(t.connections)));
    out.push_back(single("corvane_links_lost_total",
                         "Receivers that went away, and links dropped for silence or lost",
                         MetricType::Counter, count(m_watch.linksLost())));
    out.push_back(single("corvane_undecryptable_frames_total",
                         "DC-09 frames that could not be decrypted", MetricType::Counter,
                         count(t.byKind[static_cast<std::size_t>(MessageKind::CannotDecrypt)])));
    out.push_back(single("corvane_time_window_refused_frames_total",
                         "DC-09 frames refused because their time stamp lay outside the window",
                         MetricType::Counter, count(t.outsideWindow)));
    out.push_back(single("corvane_records_held", "Message records held in memory",
                         MetricType::Gauge, count(m_station.records().span().size())));
    out.push_back(single("corvane_received_bytes_total", "Bytes of the messages received",
                         MetricType::Counter, count(t.bytes)));
    out.push_back(single("corvane_link_up", "1 while the link listens or is connected, else 0",
                         MetricType::Gauge, m_station.m_running.load() ? 1 : 0));
    out.push_back(messagesByAddress(t));
    out.push_back(single("corvane_start_time_seconds", "When the station started, in Unix time",
                         MetricType::Gauge, m_startUnixSeconds));
    return out;
}

std::string metricsText(const std::vector<std::shared_ptr<prometheus::Collectable>>& sources) {
    std::vector<MetricFamily> families;
    for (const auto& source : sources) {
        for (MetricFamily& f : source->Collect()) {
            families.push_back(std::move(f));
        }
    }
    return prometheus::TextSerializer().Serialize(families);
}

}  // namespace corvane::remote
