#include "link/late_answer.h"

#include "dc09/answer_frames.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {

AnswerNote noteOf(const answer::PlannedAnswer& plan) {
    AnswerNote note;
    note.bytes = plan.bytes;
    note.word = plan.word;
    note.step = plan.step;
    note.delayMs = plan.delayMs;
    note.closeAfterMs = plan.closeMs;
    note.encrypted = dc09::encryptedAnswer(note.bytes);
    return note;
}

void recordLateAnswer(Station& station, const DueAnswer& due) {
    AnswerNote note = noteOf(due.plan);
    note.sentUs = note.bytes.empty() ? 0 : utcMicrosecondsNow();
    station.records().recordAnswer(due.connection, due.messageIndex, note);
}

}  // namespace corvane
