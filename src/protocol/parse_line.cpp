// The single decoding entry: one received message in, counters, tick and description out.
#include "protocol/sia_dcs_decoder.h"
#include "protocol/sur_gard_decoder.h"
#include "station/station.h"

namespace corvane {

void Station::parseLine(const std::string& message, std::string& description) {
    if (m_protocol == "Sur-Gard") {
        decodeSurGard(*this, message, description);
    } else if (m_protocol == "SIA-DCS") {
        decodeSiaDcs(*this, message, description);
    }
}

}  // namespace corvane
