#include "remote/event_feed.h"

#include <algorithm>

namespace corvane::remote {

std::optional<std::string> EventFeed::Subscription::next(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_mutex);
    m_ready.wait_for(lock, wait, [this] { return m_closed || !m_lines.empty(); });
    if (m_closed || m_lines.empty()) {
        return std::nullopt;
    }
    std::string line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}

bool EventFeed::Subscription::closed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void EventFeed::Subscription::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_lines.clear();
    }
    m_ready.notify_all();
}

bool EventFeed::Subscription::offer(std::string_view line) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        if (m_lines.size() < m_bound) {
            m_lines.emplace_back(line);
            m_ready.notify_one();
            return true;
        }
    }
    close();
    return false;
}

std::shared_ptr<EventFeed::Subscription> EventFeed::subscribe(std::size_t bound) {
    std::lock_guard lock(m_mutex);
    if (m_subscribers.size() >= kMaxSubscribers) {
        return nullptr;
    }
    return m_subscribers.emplace_back(
        std::make_shared<Subscription>(std::max<std::size_t>(bound, 1)));
}

void EventFeed::publish(std::string_view line) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_subscribers, [line](const std::shared_ptr<Subscription>& subscriber) {
        return !subscriber->offer(line);
    });
}

void EventFeed::closeAll() {
    std::lock_guard lock(m_mutex);
    for (const auto& subscriber : m_subscribers) {
        subscriber->close();
    }
    m_subscribers.clear();
}

std::size_t EventFeed::subscribers() const {
    std::lock_guard lock(m_mutex);
    return m_subscribers.size();
}

}  // namespace corvane::remote
