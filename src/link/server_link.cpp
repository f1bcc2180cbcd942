// placeholder: to be written
#include "station/station.h"

namespace corvane {
bool Station::startServer() { return false; }
void Station::isConnected() {}
void Station::isDisconnect() {}
std::intptr_t acceptThreadEntry(void*) { return 0; }
std::intptr_t selectThreadEntry(void*) { return 0; }
}  // namespace corvane
