// Fuzzes the record files and the SIA data block reader: any input read as an export must give a
// result or an error, never a crash; any input as a message's raw bytes must come back byte for
// byte from its CSV line and its JSON line, and so must any clear text; any input read as an SIA
// data block (of the raw bytes or of a clear text) or as a Sur-Gard line's fields, for a record of
// any kind, must not crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "protocol/event_meanings.h"
#include "record/message_record.h"
#include "record/record_export.h"
#include "record/record_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    (void)corvane::importRecordsText(input, "fuzz");

    corvane::MessageRecord record;
    record.raw = input;
    record.kind = corvane::MessageKind::Sia;
    record.description = input.substr(0, 255);
    (void)corvane::meaningOf(corvane::decodedOf(record));
    // Every kind reads its fields again from any bytes (a record file can hold any pairing).
    for (int kind = 0; kind < corvane::kMessageKindCount; ++kind) {
        record.kind = static_cast<corvane::MessageKind>(kind);
        (void)corvane::meaningOf(corvane::decodedOf(record));
    }
    record.kind = corvane::MessageKind::Sia;
    record.clearText = input;  // as read from a decrypted frame
    (void)corvane::meaningOf(corvane::decodedOf(record));
    if (input.empty()) {
        return 0;
    }
    std::string csv = corvane::csvHeader();
    corvane::appendCsvLine(csv, record);
    std::string json;
    corvane::appendJsonLine(json, record);
    for (const std::string& text : {csv, json}) {
        const auto back = corvane::importRecordsText(text, "fuzz");
        FUZZ_CHECK(back.has_value() && back->size() == 1 && back->front().raw == input &&
                   back->front().clearText == input);
    }
    return 0;
}
