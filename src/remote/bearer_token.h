// The control API's bearer token: read from a file the operator keeps on the station's machine,
// and checked on every request in a time that does not tell how much of a guess was right.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace corvane::remote {

// The token the file holds: its one line without surrounding blanks. Refused: a file that is not
// a regular file of at most 4 KiB, an empty token, or one with blanks or control characters.
Result<std::string> readTokenFile(const std::string& path);

// True when `authorization` (the header's value) is "Bearer TOKEN" with exactly `token`.
bool bearerMatches(std::string_view authorization, std::string_view token);

}  // namespace corvane::remote
