// The SIA-DCS decoder: DC-09 frames holding an SIA event, a link test, or a Contact ID event
// ("ADM-CID").
#pragma once

#include <string_view>

#include "protocol/decoded.h"

namespace corvane {

// What `message` is, read up to its first zero byte.
Decoded decodeSiaDcs(std::string_view message);

}  // namespace corvane
