// Internal helpers of the runtime layer: a deadline in milliseconds and a poll() that survives
// signals, so every blocking socket call honours its time-out; the length of an address record.
#pragma once

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdint>

struct Vexo_Addr;

namespace vexo_detail {

class Deadline {
  public:
    // A negative `timeoutMs` means "do not wait"; use forever() for an endless wait.
    explicit Deadline(int timeoutMs);
    static Deadline forever();

    // Milliseconds left, rounded up so a wait never ends early; -1 when endless.
    int remainingMs() const;
    bool expired() const;

  private:
    Deadline() = default;
    std::chrono::steady_clock::time_point m_end{};
    bool m_endless = false;
};

// poll() until something is ready or the deadline passes, restarting after EINTR with the time
// that is left. Returns poll's result: ready count, 0 on time-out, -1 on failure.
int pollUntil(pollfd* fds, nfds_t count, const Deadline& deadline);

// Waits for `events` on one socket. Returns true when the socket is ready (or broken, which the
// following call reports), false on time-out or failure.
bool waitReady(int fd, short events, const Deadline& deadline);

// Switches O_NONBLOCK on or off. Returns false on failure.
bool setNonBlocking(int fd, bool on);

// The length of the socket address an address record holds (IPv4 or IPv6); 0 for neither.
socklen_t addrLength(const Vexo_Addr* addr);

}  // namespace vexo_detail

namespace vexo_detail {

// The descriptor behind a socket value, or -1 when the value cannot be one.
inline int fdOf(std::intptr_t sock) {
    return sock >= 0 && sock <= 0x7fffffff ? static_cast<int>(sock) : -1;
}

}  // namespace vexo_detail
