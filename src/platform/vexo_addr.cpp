// The 28-byte address record: a sockaddr_in in its first 16 bytes, zeros after.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

#include "platform/vexo.h"

static_assert(sizeof(sockaddr_in) == 16, "the address record holds a 16-byte IPv4 address");
static_assert(AF_INET == 2, "the record's family 2 is AF_INET on this platform");

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

std::uint16_t Vexo_AddrPort(const Vexo_Addr* addr) {
    if (addr == nullptr) {
        return 0;
    }
    sockaddr_in in{};
    std::memcpy(&in, addr->bytes, sizeof in);
    return ntohs(in.sin_port);
}
