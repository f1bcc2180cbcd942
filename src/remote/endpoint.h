// Where the metrics or the control service listens: an IPv4 address and a port, written
// "[ADDR:]PORT". Without an address the service listens on loopback only.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace corvane::remote {

struct Endpoint {
    std::string host = "127.0.0.1";
    int port = 0;  // 0: a free port, chosen when the service starts

    // "127.0.0.1:9100"
    std::string text() const { return host + ":" + std::to_string(port); }
    // 127.0.0.0/8: only this machine can reach it.
    bool loopback() const;
    bool operator==(const Endpoint&) const = default;
};

// "PORT" or "ADDR:PORT", the port from 1 to 65535; the failure says what is wrong.
Result<Endpoint> parseEndpoint(std::string_view text);

}  // namespace corvane::remote
