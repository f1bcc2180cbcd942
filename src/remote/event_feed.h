// The station's event lines (one JSON object each, as corvane-station --json prints them) handed
// to the clients that listen, for a server-sent events stream. Each subscriber has a queue of its
// own, bounded; a subscriber that falls that far behind is dropped (its queue closed), never
// waited for, so a slow or stalled client costs the publisher one short lock and nothing else.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::remote {

class EventFeed {
  public:
    class Subscription {
      public:
        explicit Subscription(std::size_t bound) : m_bound(bound) {}
        // The next line, waiting at most `wait`; nothing when none came, or once dropped or
        // closed (then closed() is true and no line follows).
        std::optional<std::string> next(std::chrono::milliseconds wait);
        bool closed() const;
        // Ends the subscription: a waiting next() returns at once.
        void close();

      private:
        friend class EventFeed;
        // False when the queue was full: the subscription is closed instead.
        bool offer(std::string_view line);

        mutable std::mutex m_mutex;
        std::condition_variable m_ready;
        std::deque<std::string> m_lines;
        const std::size_t m_bound;
        bool m_closed = false;
    };

    static constexpr std::size_t kDefaultBound = 1024;
    static constexpr std::size_t kMaxSubscribers = 16;

    // A new subscriber, or null when kMaxSubscribers listen already.
    std::shared_ptr<Subscription> subscribe(std::size_t bound = kDefaultBound);
    // Any thread; never blocks on a subscriber. Subscribers that fell behind or closed are let go.
    void publish(std::string_view line);
    // Closes every subscription (the service stops).
    void closeAll();
    std::size_t subscribers() const;

  private:
    mutable std::mutex m_mutex;  // guards the list; each subscription has its own lock
    std::vector<std::shared_ptr<Subscription>> m_subscribers;
};

}  // namespace corvane::remote
