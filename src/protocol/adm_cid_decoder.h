// Contact ID inside DC-09: "ADM-CID" frames whose data block is "#acct|QEEE GG CCC".
#pragma once

#include <string_view>

#include "protocol/decoded.h"

namespace corvane {

inline constexpr std::string_view kAdmCidToken = "\"ADM-CID\"";

// A CID event described as "CID: Account=..., Qualifier=..., EventCode=..., GroupCode=...,
// ZoneCode=..." (event 602 a device heartbeat); a data block of another shape is a format error
// that renews nothing.
Decoded decodeAdmCid(std::string_view text);

}  // namespace corvane
