// Contact ID inside DC-09: "ADM-CID" frames whose data block is "#acct|QEEE GG CCC".
#pragma once

#include <string>
#include <string_view>

#include "protocol/decode_note.h"

namespace corvane {

class Station;

inline constexpr std::string_view kAdmCidToken = "\"ADM-CID\"";

// Describes the event as "CID: Account=..., Qualifier=..., EventCode=..., GroupCode=...,
// ZoneCode=...", counts it as CID (event 602 as DeviceHeart) and stamps the tick. A data block
// of another shape is logged as "Error msg" and neither counted nor stamped.
void decodeAdmCid(Station& station, std::string_view text, std::string& description,
                  DecodeNote& note);

}  // namespace corvane
