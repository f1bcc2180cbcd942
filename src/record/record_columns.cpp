#include "record/record_columns.h"

namespace corvane {

const std::vector<std::string> kRecordColumns = {
    "sequence",    "received_utc", "received_us", "connection",   "peer",
    "protocol",    "kind",         "raw_hex",     "raw_text",     "clear_text",
    "description", "meaning",      "answer_hex",  "answer_text",  "answer_word",
    "answer_step", "latency_us",   "encrypted",   "planned_word", "unsent_reason"};

}  // namespace corvane
