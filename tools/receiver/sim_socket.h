// The simulator's TCP transport over plain POSIX sockets (IPv4). Every blocking step waits with
// poll() and a time-out; connections get TCP_NODELAY so one-byte answers are not held back.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace corvane::sim {

// An owned file descriptor, closed on destruction.
class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : m_fd(other.release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1);

  private:
    int m_fd = -1;
};

// A listening socket on host:port (port 0 picks a free one). Invalid on failure, with `error`.
Fd listenTcp(const std::string& host, std::uint16_t port, std::string& error);
// The local port of a bound socket; 0 on failure.
std::uint16_t localPort(int fd);
// The waits below end early, within 100 ms, once `stop` (when given) is set.

// Waits at most `timeoutMs` for one connection. Invalid on time-out or failure, with `error`.
Fd acceptTcp(int listenFd, int timeoutMs, std::string& error,
             const std::atomic<bool>* stop = nullptr);
// Connects within `timeoutMs`. Invalid on failure, with `error`.
Fd connectTcp(const std::string& host, std::uint16_t port, int timeoutMs, std::string& error,
              const std::atomic<bool>* stop = nullptr);

bool setNoDelay(int fd);
bool setNonBlocking(int fd, bool nonBlocking);

// Blocking-socket helpers bounded by `timeoutMs`: send all bytes, or receive up to `size` bytes
// (at least one). They return the byte count, 0 on time-out (receive only), -1 on failure or close.
long sendAll(int fd, const char* data, std::size_t size, int timeoutMs);
long receiveSome(int fd, char* buffer, std::size_t size, int timeoutMs,
                 const std::atomic<bool>* stop = nullptr);

}  // namespace corvane::sim
