// PUT /v1/dc09: the SIA-DCS time window, the DC-09 answer words and the answer to a frame that
// cannot be decrypted, handed over as the window's keys window hands its settings over (one
// replace, read by the next frame). Keys come only from a key file on the station's machine; no
// request carries a key and no answer shows one.
#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

#include "dc09/dc09_settings.h"
#include "platform/result.h"
#include "station/station.h"

namespace corvane::remote {

// Reads the body ({"time_window": {"past", "future"} or null for off, "dc09_words",
// "undecryptable", "keys_file"}) into the settings in force with those fields changed.
Result<Dc09Config> readDc09Change(std::string_view body, const Dc09Config& now);

// The settings without the keys themselves: how many there are.
nlohmann::ordered_json dc09Now(const Dc09Config& config);

}  // namespace corvane::remote
