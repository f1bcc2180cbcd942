// placeholder: to be written
#include "station/station.h"

namespace corvane {
void Station::OnTimer() {}
}  // namespace corvane
