#include "link/fake_receiver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace corvane::test {

namespace {

// Waits until `fd` is readable; false on time-out.
bool waitReadable(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watch{fd, POLLIN, 0};
        const int ready = ::poll(&watch, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready >= 0 || errno != EINTR) {
            return ready > 0;
        }
    }
}

}  // namespace

FakeReceiver::FakeReceiver(bool listening) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listen < 0) {
        throw std::runtime_error("fake receiver: socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        (listening && ::listen(m_listen, 4) != 0)) {
        throw std::runtime_error("fake receiver: bind/listen");
    }
    socklen_t length = sizeof(address);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

FakeReceiver::~FakeReceiver() {
    closeConnection();
    ::close(m_listen);
}

bool FakeReceiver::connectionPending() const {
    return waitReadable(m_listen, 0ms);
}

bool FakeReceiver::accept(std::chrono::milliseconds timeout) {
    closeConnection();
    if (!waitReadable(m_listen, timeout)) {
        return false;
    }
    m_peer = ::accept(m_listen, nullptr, nullptr);
    if (m_peer >= 0) {
        const int on = 1;
        ::setsockopt(m_peer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    }
    return m_peer >= 0;
}

void FakeReceiver::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_peer, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            throw std::runtime_error("fake receiver: send");
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::string FakeReceiver::receive(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string got;
    char buffer[512];
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(m_peer, left)) {
            break;
        }
        const ssize_t n = ::recv(m_peer, buffer, std::min(sizeof(buffer), count - got.size()), 0);
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string FakeReceiver::receiveAvailable() {
    std::string got;
    char buffer[512];
    while (true) {
        const ssize_t n = ::recv(m_peer, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n <= 0) {
            return got;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
}

bool FakeReceiver::waitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[512];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(m_peer, left)) {
            return false;
        }
        const ssize_t n = ::recv(m_peer, buffer, sizeof(buffer), 0);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
            return true;
        }
    }
}

void FakeReceiver::closeConnection() {
    if (m_peer >= 0) {
        ::close(m_peer);
        m_peer = -1;
    }
}

}  // namespace corvane::test
