// placeholder: to be written
#include "link/server_link.h"
#include "station/station.h"

namespace corvane {
bool Station::startServer() { return false; }
void Station::isConnected() {}
void Station::isDisconnect() {}
std::intptr_t acceptThreadEntry(void*) { return 0; }
std::intptr_t selectThreadEntry(void*) { return 0; }
void closeServerPeers() {}
}  // namespace corvane
