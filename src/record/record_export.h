// Writes records to a file the operator names: CSV (RFC 4180, a header line, UTF-8) when the name
// ends in ".csv", JSON Lines otherwise (".jsonl", ".json", ...). The file is written whole or not
// at all: into a temporary file beside it, then renamed over the name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/result.h"
#include "record/message_record.h"
#include "record/record_columns.h"

namespace corvane {

class MessageRecords;

// Writes the file; a failure's `why` is a message for the operator naming the path and the reason
// ("Cannot write PATH: ..."). A failure leaves no file behind and no change to the records.
// `written`, when given, receives the number of records the file holds.
Result<void> exportRecords(const MessageRecords& records, const std::string& path,
                           std::uint64_t* written = nullptr);
Result<void> exportRecords(const std::vector<MessageRecord>& records, const std::string& path);

// One record as a CSV line (with CR LF) and as a JSON line (with LF); the CSV header line.
std::string csvHeader();
void appendCsvLine(std::string& out, const MessageRecord& record);
void appendJsonLine(std::string& out, const MessageRecord& record);

}  // namespace corvane
