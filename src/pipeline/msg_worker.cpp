// placeholder: to be written
#include "station/station.h"

namespace corvane {
void Station::queueMessage(std::string) {}
void Station::processMessages() {}
std::intptr_t msgProThreadEntry(void*) { return 0; }
}  // namespace corvane
