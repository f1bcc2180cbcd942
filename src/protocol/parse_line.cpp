// placeholder: to be written
#include "station/station.h"

namespace corvane {
void Station::parseLine(const std::string&, std::string&) {}
}  // namespace corvane
