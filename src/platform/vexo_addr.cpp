// The 28-byte address record: a sockaddr_in in its first 16 bytes and zeros after, or a
// sockaddr_in6 in all 28.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstddef>
#include <cstring>

#include "platform/vexo.h"
#include "platform/vexo_wait.h"

static_assert(sizeof(sockaddr_in) == 16, "the address record holds a 16-byte IPv4 address");
static_assert(sizeof(sockaddr_in6) == sizeof(Vexo_Addr::bytes),
              "the address record holds an IPv6 address whole");
static_assert(AF_INET == Vexo_FamilyIPv4, "the record's family 2 is AF_INET on this platform");

int Vexo_MakeIPv4Addr(Vexo_Addr* addr, const char* ip, std::uint16_t port) {
    if (addr == nullptr || ip == nullptr) {
        return -1;
    }
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    // inet_pton takes only the full dotted-decimal form: no host names, no short forms.
    if (::inet_pton(AF_INET, ip, &in.sin_addr) != 1) {
        return -1;
    }
    *addr = Vexo_Addr{};
    std::memcpy(addr->bytes, &in, sizeof in);
    return 0;
}

int Vexo_MakeAddr(Vexo_Addr* addr, const char* ip, std::uint16_t port) {
    if (Vexo_MakeIPv4Addr(addr, ip, port) == 0) {
        return 0;
    }
    if (addr == nullptr || ip == nullptr) {
        return -1;
    }
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(port);
    if (::inet_pton(AF_INET6, ip, &in6.sin6_addr) != 1) {
        return -1;
    }
    std::memcpy(addr->bytes, &in6, sizeof in6);
    return 0;
}

int Vexo_AddrFamily(const Vexo_Addr* addr) {
    if (addr == nullptr) {
        return -1;
    }
    sa_family_t family = 0;
    std::memcpy(&family, addr->bytes, sizeof family);
    if (family == AF_INET) {
        return Vexo_FamilyIPv4;
    }
    return family == AF_INET6 ? Vexo_FamilyIPv6 : -1;
}

std::uint16_t Vexo_AddrPort(const Vexo_Addr* addr) {
    if (addr == nullptr) {
        return 0;
    }
    // The port sits at the same place in both layouts.
    static_assert(offsetof(sockaddr_in, sin_port) == offsetof(sockaddr_in6, sin6_port));
    in_port_t port = 0;
    std::memcpy(&port, addr->bytes + offsetof(sockaddr_in, sin_port), sizeof port);
    return ntohs(port);
}

socklen_t vexo_detail::addrLength(const Vexo_Addr* addr) {
    switch (Vexo_AddrFamily(addr)) {
        case Vexo_FamilyIPv4:
            return sizeof(sockaddr_in);
        case Vexo_FamilyIPv6:
            return sizeof(sockaddr_in6);
        default:
            return 0;
    }
}
