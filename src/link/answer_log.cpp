#include "link/answer_log.h"

#include <string>

#include "platform/quillet.h"

namespace corvane {

namespace {

constexpr const char* kFunction = "answer";
constexpr int kPlannedLevel = 1;
constexpr int kUnplannedLevel = 2;

std::string timeoutText(std::chrono::milliseconds timeout) {
    const auto ms = timeout.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

void logAnswerSent(std::uint64_t connection, const Reply& reply, std::int64_t latencyUs,
                   bool asPlanned) {
    QUILLET_ASYNC(asPlanned ? kPlannedLevel : kUnplannedLevel, kFunction,
                  "connection %llu: %s sent (step %d, delay %lld ms) %lld us after the read",
                  static_cast<unsigned long long>(connection), answerWordName(reply.word),
                  reply.step, static_cast<long long>(reply.delayMs),
                  static_cast<long long>(latencyUs));
}

void logNothingSent(std::uint64_t connection, const Reply& reply,
                    std::chrono::milliseconds sendTimeout) {
    const Delivery::Reason reason = reply.delivery.reason;
    const std::string why = reason == Delivery::Reason::TimedOut
                                ? "the receiver did not take it within " + timeoutText(sendTimeout)
                                : deliveryReasonText(reason);
    QUILLET_ASYNC(reason == Delivery::Reason::NothingToSend ? kPlannedLevel : kUnplannedLevel,
                  kFunction, "connection %llu: nothing sent for %s (step %d, delay %lld ms): %s",
                  static_cast<unsigned long long>(connection), answerWordName(reply.word),
                  reply.step, static_cast<long long>(reply.delayMs), why.c_str());
}

}  // namespace corvane
