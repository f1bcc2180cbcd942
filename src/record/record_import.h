// Reads a records export back (CSV or JSON Lines, told apart by content) for a replay: each
// message's connection, read time and raw bytes. Built apart from the core (corvane_record_files)
// so the receiver simulator can replay exports without the station.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/result.h"

namespace corvane {

struct ImportedMessage {
    std::uint64_t connection = 0;
    std::int64_t receivedUs = 0;
    std::string raw;
    std::string kind;       // the kind the recording named
    std::string protocol;   // "Sur-Gard", "SIA-DCS" or empty
    std::string clearText;  // an encrypted frame's decrypted clear text; empty when none
};

// The messages of the export at `path`, or the failure whose `why` reads "FILE:LINE: reason".
Result<std::vector<ImportedMessage>> importRecords(const std::string& path);
// The same over text already read; `name` goes into the failure.
Result<std::vector<ImportedMessage>> importRecordsText(const std::string& text,
                                                       const std::string& name);

}  // namespace corvane
