#include "record/tally_json.h"

namespace corvane {

namespace {

nlohmann::ordered_json latencyJson(std::int64_t micros) {
    return micros >= 0 ? nlohmann::ordered_json(micros) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::map<std::string, std::uint64_t> answersByName(const TallyTotals& t) {
    std::map<std::string, std::uint64_t> answers;
    for (std::size_t i = 0; i < t.answers.byWord.size(); ++i) {
        if (t.answers.byWord[i] > 0) {
            answers[answerWordName(static_cast<AnswerWord>(i))] = t.answers.byWord[i];
        }
    }
    return answers;
}

nlohmann::ordered_json tallyFields(const TallyTotals& t) {
    nlohmann::ordered_json reasons = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < t.answers.unsentBy.size(); ++i) {
        if (t.answers.unsentBy[i] > 0) {
            reasons[unsentReasonName(static_cast<Delivery::Reason>(i))] = t.answers.unsentBy[i];
        }
    }
    nlohmann::ordered_json addresses(t.byAddress);
    if (t.otherAddresses > 0) {
        addresses["other"] = t.otherAddresses;
    }
    return {
        {"answers", nlohmann::ordered_json(answersByName(t))},
        {"unsent", {{"count", t.answers.unsent()}, {"reasons", reasons}}},
        {"latency_us",
         {{"p50", latencyJson(t.latency.percentile(0.50))},
          {"p99", latencyJson(t.latency.percentile(0.99))}}},
        {"receivers", {{"connections", t.connections}, {"addresses", addresses}}},
    };
}

}  // namespace corvane
