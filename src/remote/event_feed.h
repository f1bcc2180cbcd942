// The station's events (one JSON object each, as corvane-station --json prints them) handed to
// the clients that listen, as server-sent events frames. Each subscriber has a queue of its own,
// bounded; a subscriber that falls that far behind is dropped (its queue closed), never waited
// for, so a slow or stalled client costs the publisher one short lock and nothing else.
#pragma once

#include <atomic>
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

#include "record/station_events.h"

namespace corvane::remote {

class EventFeed final : public events::EventSink {
  public:
    class Subscription {
      public:
        explicit Subscription(std::size_t bound) : m_bound(bound) {}
        // The next frame, waiting at most `wait`; nothing when none came, or once dropped or
        // ended (then closed() is true and no frame follows).
        std::optional<std::string> next(std::chrono::milliseconds wait);
        bool closed() const;
        // Ends the subscription and forgets what waits: a waiting next() returns at once.
        void close();

      private:
        friend class EventFeed;
        // False when the queue was full: the subscription is closed instead.
        bool offer(std::string_view frame);
        // The feed ends: what waits is still handed out, nothing more comes.
        void end();

        mutable std::mutex m_mutex;
        std::condition_variable m_ready;
        std::deque<std::string> m_frames;
        const std::size_t m_bound;
        bool m_closed = false;
    };

    static constexpr std::size_t kDefaultBound = 1024;
    static constexpr std::size_t kMaxSubscribers = 16;

    // "event: TYPE\ndata: JSON\n\n" (a line end in `json` starts another data line).
    static std::string frame(std::string_view type, std::string_view json);

    // A new subscriber, or null when kMaxSubscribers listen already.
    std::shared_ptr<Subscription> subscribe(std::size_t bound = kDefaultBound);
    // Closes `subscription` and lets it go (its client went away).
    void unsubscribe(const std::shared_ptr<Subscription>& subscription);
    // A frame as it is. Any thread; never blocks on a subscriber. Subscribers that fell behind
    // or closed are let go.
    void publish(std::string_view frame);
    // An event as its frame (the station's event sink).
    void publish(std::string_view type, std::string json) override;
    // Ends every subscription once it has handed out what waits (the service stops).
    void closeAll();
    std::size_t subscribers() const;
    // Someone subscribes: without a lock, for the worker's check on each batch.
    bool listened() const override { return m_listened.load(std::memory_order_relaxed); }

  private:
    // After each change to the list, under its lock.
    void noteListeners() { m_listened.store(!m_subscribers.empty(), std::memory_order_relaxed); }

    mutable std::mutex m_mutex;  // guards the list; each subscription has its own lock
    std::vector<std::shared_ptr<Subscription>> m_subscribers;
    std::atomic<bool> m_listened{false};
};

}  // namespace corvane::remote
