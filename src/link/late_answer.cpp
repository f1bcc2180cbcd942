#include "link/late_answer.h"

#include "dc09/answer_frames.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {

void recordLateAnswer(Station& station, const DueAnswer& due) {
    AnswerNote note;
    note.bytes = due.plan.bytes;
    note.word = due.plan.word;
    note.step = due.plan.step;
    note.delayMs = due.plan.delayMs;
    note.closeAfterMs = due.plan.closeMs;
    note.encrypted = dc09::encryptedAnswer(note.bytes);
    note.sentUs = note.bytes.empty() ? 0 : utcMicrosecondsNow();
    station.records().recordAnswer(due.connection, due.messageIndex, note);
}

}  // namespace corvane
