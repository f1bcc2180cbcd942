#include "record/message_record.h"

namespace corvane {

void applyAnswer(MessageRecord& record, const Reply& reply, std::string bytes) {
    record.answerWord = reply.word;
    record.answerStep = reply.step;
    const bool sent = reply.delivery.state == Delivery::State::Sent && !bytes.empty();
    record.latencyUs = sent ? reply.delivery.sentUs - record.receivedUs : -1;
    record.encrypted = record.encrypted || reply.encrypted;
    record.answerBytes = std::move(bytes);
}

}  // namespace corvane
