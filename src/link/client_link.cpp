// placeholder: to be written
#include "station/station.h"

namespace corvane {
bool Station::connect() { return false; }
void Station::MessageProc() {}
std::intptr_t msgThreadEntry(void*) { return 0; }
}  // namespace corvane
