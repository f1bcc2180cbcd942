#include "link/connect_attempt.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <boost/asio/error.hpp>
#include <cstdint>
#include <utility>

#include "link/timed_connect.h"

namespace corvane {

ConnectAttempt::ConnectAttempt() : m_cancelFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ConnectAttempt::~ConnectAttempt() {
    abandon();
    if (m_cancelFd >= 0) {
        ::close(m_cancelFd);
    }
}

bool ConnectAttempt::start(Target target, std::function<void()> ended) {
    if (started() || m_cancelFd < 0) {
        return false;
    }
    m_target = std::move(target);
    m_whenEnded = std::move(ended);
    m_outcome = {};
    m_ended = false;
    m_thread = Vexo_Thread_Create(threadEntry, this, 0, 0, 0, 0);
    return m_thread != nullptr;
}

ConnectAttempt::Outcome ConnectAttempt::take() {
    if (!started()) {
        Outcome none;
        none.error = boost::asio::error::not_connected;
        return none;
    }
    Vexo_Thread_Wait(m_thread);
    m_thread = nullptr;
    // A cancel that came too late to matter must not end the next attempt.
    std::uint64_t drained = 0;
    (void)!::read(m_cancelFd, &drained, sizeof drained);
    return std::exchange(m_outcome, {});
}

void ConnectAttempt::cancel() {
    const std::uint64_t one = 1;
    (void)!::write(m_cancelFd, &one, sizeof one);
}

void ConnectAttempt::abandon() {
    if (!started()) {
        return;
    }
    cancel();
    const Outcome left = take();
    if (left.fd >= 0) {
        ::close(left.fd);
    }
}

ConnectAttempt::Outcome ConnectAttempt::run(const Target& target, int cancelFd) {
    Outcome outcome;
    const auto lookUpDeadline = std::chrono::steady_clock::now() + target.lookUpTimeout;
    const std::vector<boost::asio::ip::tcp::endpoint> addresses =
        lookUpHost(target.host, target.port, lookUpDeadline, cancelFd, outcome.error);
    if (outcome.error) {
        return outcome;
    }
    // One time-out for all the host's addresses: a name with an unreachable IPv6 and a working
    // IPv4 address must still connect, without taking longer than an address would.
    const auto deadline = std::chrono::steady_clock::now() + target.connectTimeout;
    for (const boost::asio::ip::tcp::endpoint& address : addresses) {
        outcome.fd = connectWithTimeout(address, deadline, cancelFd, outcome.error);
        if (outcome.fd >= 0) {
            outcome.protocol = address.protocol();
            return outcome;
        }
        if (outcome.error == boost::asio::error::operation_aborted ||
            outcome.error == boost::asio::error::timed_out) {
            break;
        }
    }
    return outcome;
}

std::intptr_t ConnectAttempt::threadEntry(void* attempt) {
    auto* self = static_cast<ConnectAttempt*>(attempt);
    self->m_outcome = run(self->m_target, self->m_cancelFd);
    self->m_ended = true;
    if (self->m_whenEnded) {
        self->m_whenEnded();
    }
    return 0;
}

}  // namespace corvane
