// The "address:port" text of a connected socket's far end, for records and logs.
#pragma once

#include <string>

namespace corvane {

// Empty when the socket has no far end (closed, not connected).
std::string peerAddressText(int fd);

}  // namespace corvane
