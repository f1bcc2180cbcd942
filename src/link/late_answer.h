// An answer that left after its message was queued (a script's DELAY, SIA-DCS "NACK All", or
// one queued behind such an answer) reaches the message records when it is sent.
#pragma once

#include "link/answer_queue.h"
#include "pipeline/received_message.h"

namespace corvane {

class Station;

// What the message's record says of a planned answer before it is sent.
AnswerNote noteOf(const answer::PlannedAnswer& plan);

// Tells the records that `due` was sent now.
void recordLateAnswer(Station& station, const DueAnswer& due);

}  // namespace corvane
