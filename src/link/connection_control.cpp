// placeholder: to be written
#include "station/station.h"

namespace corvane {
void Station::OnConnectButton() {}
void Station::doConnect() {}
void Station::doDisconnect() {}
void Station::shutdownLink() {}
}  // namespace corvane
