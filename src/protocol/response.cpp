// placeholder: to be written
#include "station/station.h"

namespace corvane {
std::string Station::makeResponse(const std::string&) { return {}; }
std::string Station::makeAck(std::string_view) { return {}; }
std::string Station::makeNack(std::string_view) { return {}; }
}  // namespace corvane
