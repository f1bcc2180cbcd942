// The details of one record as text for the details pane: every field, the raw bytes in hex and
// as text, an encrypted frame's clear text, the decoded description, the meaning and the SIA data
// block (of the clear text when there is one), the answer and its timing.
#pragma once

#include <string>

#include "record/message_record.h"

namespace corvane {

// `localTime` is the receive time as the operator's clock shows it (the window formats it).
std::string recordDetails(const MessageRecord& record, const std::string& localTime);

}  // namespace corvane
