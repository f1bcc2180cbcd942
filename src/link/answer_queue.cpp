#include "link/answer_queue.h"

#include <algorithm>
#include <chrono>

#include "platform/quillet.h"

namespace corvane {

std::int64_t steadyMicrosecondsNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void AnswerQueue::push(DueAnswer answer) {
    answer.dueUs = answer.readUs + answer.plan.delayMs * 1000;
    if (!answer.closeOnly) {
        const auto last = m_lastDue.find(answer.connection);
        if (last != m_lastDue.end()) {
            answer.dueUs = std::max(answer.dueUs, last->second);
        }
        m_lastDue[answer.connection] = answer.dueUs;
    }
    ++m_count[answer.connection];
    answer.order = ++m_order;
    m_heap.push(std::move(answer));
}

bool AnswerQueue::pending(std::uint64_t connection) const {
    return m_count.contains(connection);
}

std::optional<std::int64_t> AnswerQueue::earliestDueUs() const {
    if (m_heap.empty()) {
        return std::nullopt;
    }
    return m_heap.top().dueUs;
}

bool AnswerQueue::popDue(std::int64_t nowUs, DueAnswer& out) {
    if (m_heap.empty() || m_heap.top().dueUs > nowUs) {
        return false;
    }
    // The heap gives only const access to its top; the copy is one answer's bytes.
    out = m_heap.top();
    m_heap.pop();
    const auto count = m_count.find(out.connection);
    if (count != m_count.end() && --count->second == 0) {
        m_count.erase(count);
        m_lastDue.erase(out.connection);
    }
    return true;
}

void AnswerQueue::dropConnection(std::uint64_t connection) {
    if (!m_count.contains(connection)) {
        return;
    }
    std::vector<DueAnswer> kept;
    kept.reserve(m_heap.size());
    while (!m_heap.empty()) {
        if (m_heap.top().connection != connection) {
            kept.push_back(m_heap.top());
        } else {
            logNothingSent(connection, m_heap.top().plan, "connection lost");
        }
        m_heap.pop();
    }
    for (DueAnswer& answer : kept) {
        m_heap.push(std::move(answer));
    }
    m_count.erase(connection);
    m_lastDue.erase(connection);
}

void AnswerQueue::clear() {
    m_heap = {};
    m_count.clear();
    m_lastDue.clear();
}

void logAnswerSent(const DueAnswer& answer, std::int64_t sentSteadyUs) {
    QUILLET(2, "answer", "connection %llu: %s sent (step %d, delay %lld ms) %lld us after the read",
            static_cast<unsigned long long>(answer.connection), answer.plan.word.c_str(),
            answer.plan.step, static_cast<long long>(answer.plan.delayMs),
            static_cast<long long>(sentSteadyUs - answer.readUs));
}

void logNothingSent(std::uint64_t connection, const answer::PlannedAnswer& plan, const char* why) {
    if (plan.closeMs >= 0 && plan.bytes.empty() && plan.word.empty()) {
        return;  // a pending CLOSE is no answer
    }
    QUILLET(2, "answer", "connection %llu: nothing sent for %s (step %d, delay %lld ms): %s",
            static_cast<unsigned long long>(connection), plan.word.c_str(), plan.step,
            static_cast<long long>(plan.delayMs), why);
}

}  // namespace corvane
