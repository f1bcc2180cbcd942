#include "record/message_records.h"

#include <algorithm>

namespace corvane {

MessageRecords::MessageRecords(std::size_t capacity, std::size_t byteLimit)
    : m_capacity(std::max<std::size_t>(capacity, 1)),
      m_byteLimit(std::max(byteLimit, kMinByteLimit)) {}

std::size_t MessageRecords::capacity() const {
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

void MessageRecords::setCapacity(std::size_t capacity) {
    std::lock_guard lock(m_mutex);
    m_capacity = std::max<std::size_t>(capacity, 1);
    keepWithinLimits();
}

std::size_t MessageRecords::byteLimit() const {
    std::lock_guard lock(m_mutex);
    return m_byteLimit;
}

void MessageRecords::setByteLimit(std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    m_byteLimit = std::max(bytes, kMinByteLimit);
    keepWithinLimits();
}

void MessageRecords::clear() {
    std::lock_guard lock(m_mutex);
    m_first += m_records.size();
    m_records.clear();
    m_bytes = 0;
}

void MessageRecords::keepWithinLimits() {
    while (m_records.size() > m_capacity || (m_bytes > m_byteLimit && m_records.size() > 1)) {
        m_bytes -= recordBytes(m_records.front());
        m_records.pop_front();
        ++m_first;
        ++m_dropped;
    }
}

const MessageRecord* MessageRecords::find(std::uint64_t sequence) const {
    if (sequence < m_first || sequence - m_first >= m_records.size()) {
        return nullptr;
    }
    return &m_records[static_cast<std::size_t>(sequence - m_first)];
}

MessageRecord* MessageRecords::find(std::uint64_t sequence) {
    return const_cast<MessageRecord*>(std::as_const(*this).find(sequence));
}

void MessageRecords::append(std::vector<MessageRecord>& batch) {
    std::lock_guard lock(m_mutex);
    for (MessageRecord& record : batch) {
        record.sequence = m_first + m_records.size();
        if (record.answerState == Delivery::State::Pending) {
            m_waiting[record.connection].emplace_back(record.indexOnConnection, record.sequence);
        }
        m_bytes += recordBytes(record);
        m_records.push_back(std::move(record));
        keepWithinLimits();
    }
    batch.clear();
}

std::uint64_t MessageRecords::recordAnswer(std::uint64_t connection, std::uint64_t index,
                                           const Reply& reply, std::string bytes) {
    std::lock_guard lock(m_mutex);
    const auto waiting = m_waiting.find(connection);
    if (waiting == m_waiting.end()) {
        return 0;
    }
    // One connection's answers settle in the order of its messages.
    std::deque<std::pair<std::uint64_t, std::uint64_t>>& queue = waiting->second;
    while (!queue.empty() && queue.front().first < index) {
        queue.pop_front();
    }
    MessageRecord* record = nullptr;
    if (!queue.empty() && queue.front().first == index) {
        record = find(queue.front().second);
        queue.pop_front();
    }
    if (queue.empty()) {
        m_waiting.erase(waiting);
    }
    if (record != nullptr) {
        m_bytes -= recordBytes(*record);
        applyAnswer(*record, reply, std::move(bytes));
        m_bytes += recordBytes(*record);
        const std::uint64_t sequence = record->sequence;
        keepWithinLimits();  // may drop the record itself
        return sequence;
    }
    return 0;
}

MessageRecords::Span MessageRecords::span() const {
    std::lock_guard lock(m_mutex);
    return {m_first, m_first + m_records.size()};
}

MessageRecords::Usage MessageRecords::usage() const {
    std::lock_guard lock(m_mutex);
    return {m_bytes, m_dropped};
}

std::vector<MessageRecord> MessageRecords::copyRange(std::uint64_t from, std::size_t max) const {
    std::vector<MessageRecord> out;
    std::lock_guard lock(m_mutex);
    const std::uint64_t next = m_first + m_records.size();
    from = std::max(from, m_first);
    const std::uint64_t to = std::min<std::uint64_t>(next, from + max);
    out.reserve(static_cast<std::size_t>(to > from ? to - from : 0));
    for (std::uint64_t s = from; s < to; ++s) {
        out.push_back(*find(s));
    }
    return out;
}

}  // namespace corvane
