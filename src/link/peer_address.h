// The "address:port" texts of the links, for records, logs and failures: "192.168.1.20:1025",
// "[fd00::20]:1025" (an IPv6 address in brackets, as in a URL).
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// The far end of a connected socket; empty when it has none (closed, not connected). An IPv4
// receiver seen through an IPv6 socket shows as IPv4.
std::string peerAddressText(int fd);
// The near end of a bound socket (where it listens); empty when it has none.
std::string localAddressText(int fd);
// "HOST:PORT", with an IPv6 address in brackets.
std::string hostPortText(std::string_view host, unsigned port);

}  // namespace corvane
