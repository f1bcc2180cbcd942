#include "remote/event_feed.h"

#include <algorithm>

namespace corvane::remote {

std::optional<std::string> EventFeed::Subscription::next(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_mutex);
    m_ready.wait_for(lock, wait, [this] { return m_closed || !m_frames.empty(); });
    if (m_frames.empty()) {
        return std::nullopt;
    }
    std::string frame = std::move(m_frames.front());
    m_frames.pop_front();
    return frame;
}

bool EventFeed::Subscription::closed() const {
    std::lock_guard lock(m_mutex);
    return m_closed && m_frames.empty();
}

void EventFeed::Subscription::close() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_frames.clear();
    }
    m_ready.notify_all();
}

void EventFeed::Subscription::end() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
}

bool EventFeed::Subscription::offer(std::string_view frame) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return false;
        }
        if (m_frames.size() < m_bound) {
            m_frames.emplace_back(frame);
            m_ready.notify_one();
            return true;
        }
    }
    close();
    return false;
}

std::string EventFeed::frame(std::string_view type, std::string_view json) {
    while (!json.empty() && json.back() == '\n') {
        json.remove_suffix(1);
    }
    std::string text = "event: ";
    text.append(type);
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(json.find('\n', start), json.size());
        text.append("\ndata: ").append(json.substr(start, end - start));
        if (end == json.size()) {
            break;
        }
        start = end + 1;
    }
    text.append("\n\n");
    return text;
}

std::shared_ptr<EventFeed::Subscription> EventFeed::subscribe(std::size_t bound) {
    std::lock_guard lock(m_mutex);
    if (m_subscribers.size() >= kMaxSubscribers) {
        return nullptr;
    }
    auto subscription = std::make_shared<Subscription>(std::max<std::size_t>(bound, 1));
    m_subscribers.push_back(subscription);
    noteListeners();
    return subscription;
}

void EventFeed::unsubscribe(const std::shared_ptr<Subscription>& subscription) {
    subscription->close();
    std::lock_guard lock(m_mutex);
    std::erase(m_subscribers, subscription);
    noteListeners();
}

void EventFeed::publish(std::string_view frame) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_subscribers, [frame](const std::shared_ptr<Subscription>& subscriber) {
        return !subscriber->offer(frame);
    });
    noteListeners();
}

void EventFeed::publish(std::string_view type, std::string json) {
    publish(std::string_view(frame(type, json)));
}

void EventFeed::closeAll() {
    std::lock_guard lock(m_mutex);
    for (const auto& subscriber : m_subscribers) {
        subscriber->end();
    }
    m_subscribers.clear();
    noteListeners();
}

std::size_t EventFeed::subscribers() const {
    std::lock_guard lock(m_mutex);
    return m_subscribers.size();
}

}  // namespace corvane::remote
