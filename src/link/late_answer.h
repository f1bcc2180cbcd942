// An answer that left after its message was queued (a script's DELAY, SIA-DCS "NACK All", or
// one queued behind such an answer) reaches the message records when it is sent.
#pragma once

#include "link/answer_queue.h"

namespace corvane {

class Station;

// Tells the records that `due` was sent now.
void recordLateAnswer(Station& station, const DueAnswer& due);

}  // namespace corvane
