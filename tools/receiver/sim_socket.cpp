#include "receiver/sim_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace corvane::sim {

namespace {

using Clock = std::chrono::steady_clock;

bool resolve(const std::string& host, std::uint16_t port, sockaddr_in& address,
             std::string& error) {
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1) {
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr) {
        error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return false;
    }
    address.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Milliseconds left until `deadline`, never negative.
int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The longest single wait while a stop may come.
constexpr int kStopCheckMs = 100;

// Waits for `events` on `fd` until `deadline`, or until `stop` is set. Returns the revents, 0 on
// time-out or stop, -1 on failure.
int waitFor(int fd, short events, Clock::time_point deadline,
            const std::atomic<bool>* stop = nullptr) {
    while (stop == nullptr || !stop->load()) {
        pollfd p{fd, events, 0};
        const int left = remainingMs(deadline);
        const int rc = poll(&p, 1, stop == nullptr ? left : std::min(left, kStopCheckMs));
        if (rc > 0) {
            return p.revents;
        }
        if (rc == 0 && (stop == nullptr || left <= kStopCheckMs)) {
            return 0;
        }
        if (rc < 0 && errno != EINTR) {
            return -1;
        }
    }
    return 0;
}

bool stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

}  // namespace

void Fd::reset(int fd) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

Fd listenTcp(const std::string& host, std::uint16_t port, std::string& error) {
    sockaddr_in address{};
    if (!resolve(host, port, address, error)) {
        return {};
    }
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        error = systemError("socket");
        return {};
    }
    const int on = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = systemError("bind");
        return {};
    }
    if (::listen(fd.get(), 128) != 0) {
        error = systemError("listen");
        return {};
    }
    return fd;
}

std::uint16_t localPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

Fd acceptTcp(int listenFd, int timeoutMs, std::string& error, const std::atomic<bool>* stop) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const int ready = waitFor(listenFd, POLLIN, deadline, stop);
        if (ready == 0) {
            error = stopped(stop) ? "stopped while waiting"
                                  : "no connection within " + std::to_string(timeoutMs) + " ms";
            return {};
        }
        if (ready < 0) {
            error = systemError("poll");
            return {};
        }
        Fd fd(::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC));
        if (fd.valid()) {
            setNoDelay(fd.get());
            return fd;
        }
        if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) {
            error = systemError("accept");
            return {};
        }
    }
}

Fd connectTcp(const std::string& host, std::uint16_t port, int timeoutMs, std::string& error,
              const std::atomic<bool>* stop) {
    sockaddr_in address{};
    if (!resolve(host, port, address, error)) {
        return {};
    }
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.valid()) {
        error = systemError("socket");
        return {};
    }
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            error = systemError("connect");
            return {};
        }
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const int ready = waitFor(fd.get(), POLLOUT, deadline, stop);
        if (ready <= 0) {
            error = ready < 0 ? systemError("poll")
                    : stopped(stop)
                        ? "stopped while connecting"
                        : "connect: no answer within " + std::to_string(timeoutMs) + " ms";
            return {};
        }
        int soError = 0;
        socklen_t size = sizeof soError;
        ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &soError, &size);
        if (soError != 0) {
            error = std::string("connect: ") + std::strerror(soError);
            return {};
        }
    }
    setNonBlocking(fd.get(), false);
    setNoDelay(fd.get());
    return fd;
}

bool setNoDelay(int fd) {
    const int on = 1;
    return ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
}

bool setNonBlocking(int fd, bool nonBlocking) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) {
        return false;
    }
    const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, wanted) == 0;
}

long sendAll(int fd, const char* data, std::size_t size, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return -1;
        }
        const int ready = waitFor(fd, POLLOUT, deadline);
        if (ready <= 0 || (ready & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return -1;
        }
    }
    return static_cast<long>(done);
}

long receiveSome(int fd, char* buffer, std::size_t size, int timeoutMs,
                 const std::atomic<bool>* stop) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const ssize_t n = ::recv(fd, buffer, size, MSG_DONTWAIT);
        if (n > 0) {
            return static_cast<long>(n);
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return -1;
        }
        const int ready = waitFor(fd, POLLIN, deadline, stop);
        if (ready == 0) {
            return 0;
        }
        if (ready < 0) {
            return -1;
        }
    }
}

}  // namespace corvane::sim
