#include "link/peer_set.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace corvane {

PeerSet g_peerSet;

PeerSet::PeerSet() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

PeerSet::~PeerSet() {
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void PeerSet::clearWake() const {
    std::uint64_t count = 0;
    if (m_wakeFd >= 0 && ::read(m_wakeFd, &count, sizeof count) < 0) {
        count = 0;  // nothing was pending
    }
}

bool PeerSet::add(Vexo_Socket socket) {
    {
        std::lock_guard lock(m_mutex);
        for (std::uint32_t i = 0; i < m_set.fd_count; ++i) {
            if (m_set.fd_array[i] == socket) {
                return true;
            }
        }
        if (m_set.fd_count >= static_cast<std::uint32_t>(Vexo_SetSize)) {
            return false;
        }
        m_set.fd_array[m_set.fd_count++] = socket;
    }
    // The select thread may be waiting for its first peer, or on the set without this one.
    m_added.notify_all();
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        if (::write(m_wakeFd, &one, sizeof one) < 0) {
            return true;  // the counter is already far from zero: the select wakes anyway
        }
    }
    return true;
}

bool PeerSet::remove(Vexo_Socket socket) {
    std::lock_guard lock(m_mutex);
    for (std::uint32_t i = 0; i < m_set.fd_count; ++i) {
        if (m_set.fd_array[i] == socket) {
            // Later entries move down one place, so the order of acceptance is kept.
            for (std::uint32_t j = i + 1; j < m_set.fd_count; ++j) {
                m_set.fd_array[j - 1] = m_set.fd_array[j];
            }
            --m_set.fd_count;
            m_set.fd_array[m_set.fd_count] = 0;
            return true;
        }
    }
    return false;
}

void PeerSet::empty() {
    std::lock_guard lock(m_mutex);
    m_set = Vexo_FdSet{};
}

std::uint32_t PeerSet::count() const {
    std::lock_guard lock(m_mutex);
    return m_set.fd_count;
}

bool PeerSet::contains(Vexo_Socket socket) const {
    std::lock_guard lock(m_mutex);
    for (std::uint32_t i = 0; i < m_set.fd_count; ++i) {
        if (m_set.fd_array[i] == socket) {
            return true;
        }
    }
    return false;
}

Vexo_FdSet PeerSet::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_set;
}

bool PeerSet::waitNonEmpty(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_added.wait_for(lock, timeout, [this] { return m_set.fd_count > 0; });
}

}  // namespace corvane
