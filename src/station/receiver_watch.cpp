#include "station/receiver_watch.h"

namespace corvane {

namespace {

std::uint32_t tickNow() {
    return static_cast<std::uint32_t>(Vexo_GetTimeTick());
}

}  // namespace

void ReceiverWatch::arrived(Vexo_Socket socket) {
    std::lock_guard lock(m_mutex);
    const std::size_t count = m_count.load();
    if (count < kCapacity) {
        m_receivers[count] = {socket, 0, tickNow()};
        m_count.store(count + 1);
    }
}

void ReceiverWatch::named(Vexo_Socket socket, std::uint64_t connection) {
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_count.load(); ++i) {
        if (m_receivers[i].socket == socket) {
            m_receivers[i].connection = connection;
            return;
        }
    }
}

void ReceiverWatch::stamp(std::uint64_t connection) {
    // A client link, or a server with no receiver: nothing to look for, no lock to take.
    if (connection == 0 || m_count.load() == 0) {
        return;
    }
    std::lock_guard lock(m_mutex);
    for (std::size_t i = 0; i < m_count.load(); ++i) {
        if (m_receivers[i].connection == connection) {
            m_receivers[i].lastTick = tickNow();
            return;
        }
    }
}

std::size_t ReceiverWatch::left(Vexo_Socket socket) {
    std::lock_guard lock(m_mutex);
    const std::size_t count = m_count.load();
    for (std::size_t i = 0; i < count; ++i) {
        if (m_receivers[i].socket == socket) {
            m_receivers[i] = m_receivers[count - 1];  // the order does not matter
            m_count.store(count - 1);
            return count - 1;
        }
    }
    return count;
}

void ReceiverWatch::clear() {
    std::lock_guard lock(m_mutex);
    m_count.store(0);
}

std::optional<std::uint32_t> ReceiverWatch::longestSilence() const {
    std::lock_guard lock(m_mutex);
    const std::size_t count = m_count.load();
    if (count == 0) {
        return std::nullopt;
    }
    // No stamp can come between the ticks read here and now: the lock keeps them out.
    const std::uint32_t now = tickNow();
    std::uint32_t longest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t silence = now - m_receivers[i].lastTick;
        longest = silence > longest ? silence : longest;
    }
    return longest;
}

}  // namespace corvane
