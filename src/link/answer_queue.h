// Answers waiting for their time: a min-heap of due time, connection and bytes, kept by the loop
// that owns the sockets. The loop waits for the sooner of its own limit and the earliest due
// time, then sends what is due. Answers on one connection leave in the order of their messages.
#pragma once

#include <cstdint>
#include <optional>
#include <queue>
#include <string>
#include <unordered_map>
#include <vector>

#include "answer/answer_plan.h"

namespace corvane {

// Microseconds of the steady clock: due times never move with the wall clock.
std::int64_t steadyMicrosecondsNow();

struct DueAnswer {
    std::int64_t dueUs = 0;   // steady clock
    std::int64_t readUs = 0;  // steady clock, when the message was read
    std::uint64_t connection = 0;
    std::intptr_t socket = -1;
    answer::PlannedAnswer plan;
    bool closeOnly = false;  // the CLOSE that follows a sent answer
    bool late = false;       // queued: the message went to the worker before its answer left
    std::uint64_t messageIndex = 0;  // the message's place on its connection, from 0
    std::uint64_t order = 0;         // ties leave in the order they were queued
};

class AnswerQueue {
  public:
    // Queues an answer due `plan.delayMs` after `readUs`, never before an earlier answer of the
    // same connection.
    void push(DueAnswer answer);
    // True when the connection has answers waiting (a new one must then queue behind them).
    bool pending(std::uint64_t connection) const;
    std::optional<std::int64_t> earliestDueUs() const;
    // Takes the earliest answer due at `nowUs`; false when none is due.
    bool popDue(std::int64_t nowUs, DueAnswer& out);
    // Drops every answer of a connection (it was lost or closed).
    void dropConnection(std::uint64_t connection);
    void clear();
    bool empty() const { return m_heap.empty(); }
    std::size_t size() const { return m_heap.size(); }

  private:
    struct Later {
        bool operator()(const DueAnswer& a, const DueAnswer& b) const {
            return a.dueUs != b.dueUs ? a.dueUs > b.dueUs : a.order > b.order;
        }
    };
    std::priority_queue<DueAnswer, std::vector<DueAnswer>, Later> m_heap;
    std::unordered_map<std::uint64_t, std::int64_t> m_lastDue;  // per connection with answers
    std::unordered_map<std::uint64_t, int> m_count;
    std::uint64_t m_order = 0;
};

// The diagnostic line for an answer that left (or that nothing was sent for).
void logAnswerSent(const DueAnswer& answer, std::int64_t sentSteadyUs);
void logNothingSent(std::uint64_t connection, const answer::PlannedAnswer& plan, const char* why);

}  // namespace corvane
