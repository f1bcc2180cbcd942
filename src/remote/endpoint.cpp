#include "remote/endpoint.h"

#include <arpa/inet.h>

#include <charconv>

namespace corvane::remote {

bool Endpoint::loopback() const {
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

Result<Endpoint> parseEndpoint(std::string_view text) {
    Endpoint endpoint;
    const auto colon = text.rfind(':');
    std::string_view port = text;
    if (colon != std::string_view::npos) {
        endpoint.host = std::string(text.substr(0, colon));
        port = text.substr(colon + 1);
        in_addr address{};
        if (inet_pton(AF_INET, endpoint.host.c_str(), &address) != 1) {
            return fail("read", std::string(text),
                        "the address must be an IPv4 address such as 127.0.0.1");
        }
    }
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), endpoint.port);
    if (ec != std::errc() || end != port.data() + port.size() || port.empty()) {
        return fail("read", std::string(text), "expected [ADDR:]PORT, for example 9100");
    }
    if (endpoint.port < 1 || endpoint.port > 65535) {
        return fail("read", std::string(text), "the port must be from 1 to 65535");
    }
    return endpoint;
}

}  // namespace corvane::remote
