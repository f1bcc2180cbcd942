#include "link/peer_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstring>

namespace corvane {

namespace {

std::string addressText(const sockaddr_storage& address) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    unsigned port = 0;
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text.data(), text.size());
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        port = ntohs(v6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            in_addr v4{};
            std::memcpy(&v4, v6.sin6_addr.s6_addr + 12, sizeof v4);
            ::inet_ntop(AF_INET, &v4, text.data(), text.size());
        } else {
            ::inet_ntop(AF_INET6, &v6.sin6_addr, text.data(), text.size());
        }
    } else {
        return {};
    }
    return hostPortText(text.data(), port);
}

}  // namespace

std::string peerAddressText(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return {};
    }
    return addressText(address);
}

std::string localAddressText(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return {};
    }
    return addressText(address);
}

std::string hostPortText(std::string_view host, unsigned port) {
    const bool v6 = host.find(':') != std::string_view::npos;
    std::string text;
    text.reserve(host.size() + 8);
    if (v6) {
        text += '[';
    }
    text += host;
    if (v6) {
        text += ']';
    }
    text += ':';
    text += std::to_string(port);
    return text;
}

}  // namespace corvane
