#include "record/message_record.h"

#include <algorithm>
#include <utility>

#include "protocol/delimited_text.h"
#include "protocol/sur_gard_line.h"

namespace corvane {

void keepDecoded(MessageRecord& record, Decoded&& decoded) {
    record.kind = decoded.kind;
    record.decrypted = decoded.decrypted;
    record.cidQualifier = decoded.cidQualifier;
    record.cidEvent = decoded.cidEvent;
    record.description = std::move(decoded.description);
}

Decoded decodedOf(const MessageRecord& record) {
    Decoded decoded;
    decoded.kind = record.kind;
    decoded.decrypted = record.decrypted;
    decoded.cidQualifier = record.cidQualifier;
    decoded.cidEvent = record.cidEvent;
    decoded.description = record.description;
    if ((record.kind == MessageKind::Sia || record.kind == MessageKind::Private) &&
        (!record.decrypted || !record.clearText.empty())) {
        decoded.siaBlock.assign(siaBlockText(record.raw, record.clearText));
    }
    // A Sur-Gard line's fields, where the decoder found them: before its clock and terminator.
    if (const LineLayout* layout = layoutOf(record.kind)) {
        const std::string_view fields = lineFieldsOf(untilFirstZero(record.raw), *layout);
        if (fields.size() == decoded.lineFields.size()) {
            std::copy(fields.begin(), fields.end(), decoded.lineFields.begin());
        }
    }
    return decoded;
}

void applyAnswer(MessageRecord& record, const Reply& reply, std::string bytes) {
    record.answerWord = reply.word;
    record.answerStep = reply.step;
    const bool sent = reply.delivery.state == Delivery::State::Sent && !bytes.empty();
    record.latencyUs = sent ? reply.delivery.sentUs - record.receivedUs : -1;
    record.encrypted = record.encrypted || reply.encrypted;
    record.answerBytes = std::move(bytes);
}

}  // namespace corvane
